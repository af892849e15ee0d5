// eye_buffers.cpp: the eye pictures drawn off screen and composed into the window.
//
// What is emulated, and how faithfully:
//  [x] GL_BACK_LEFT and GL_BACK_RIGHT: two colour textures of one framebuffer, with one depth
//      buffer shared as a stereo back buffer shares it; GL_BACK draws into both.
//  [x] The swap shows the eyes as the output says: one eye, both squeezed side by side or top
//      and bottom, each at its own aspect side by side (blits); an anaglyph, or rows, columns or
//      a checkerboard of screen pixels (one full-window pass of a small shader).
//  [x] Quad buffer on a context with stereo buffers: drawing goes straight to its back buffers.
//  [x] Made only where the context has framebuffer objects (OpenGL 3.0, or 2.0 with the
//      framebuffer extension) and the framebuffer is complete; elsewhere the left eye goes
//      straight into the back buffer and the right eye is not drawn.
#include "shell/eye_buffers.h"
#include <GL/gl.h>
#include <GL/glext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "shell/platform.h"
#include "shell/platform_internal.h"

namespace {

// the framebuffer entry points, loaded when the buffers are made
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    PFNGLDRAWBUFFERSPROC drawBuffers;
};

// the OpenGL 2.0 entry points of the composing shader
struct ShaderCalls {
    PFNGLCREATESHADERPROC createShader;
    PFNGLSHADERSOURCEPROC shaderSource;
    PFNGLCOMPILESHADERPROC compileShader;
    PFNGLGETSHADERIVPROC getShaderiv;
    PFNGLDELETESHADERPROC deleteShader;
    PFNGLCREATEPROGRAMPROC createProgram;
    PFNGLATTACHSHADERPROC attachShader;
    PFNGLLINKPROGRAMPROC linkProgram;
    PFNGLGETPROGRAMIVPROC getProgramiv;
    PFNGLDELETEPROGRAMPROC deleteProgram;
    PFNGLUSEPROGRAMPROC useProgram;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation;
    PFNGLUNIFORM1IPROC uniform1i;
    PFNGLUNIFORM2FPROC uniform2f;
    PFNGLUNIFORMMATRIX3FVPROC uniformMatrix3fv;
    PFNGLACTIVETEXTUREPROC activeTexture;
};

struct EyeBuffers {
    bool made = false;                // the framebuffer exists
    bool contextStereo = false;       // the context has stereo back buffers of its own
    GLuint framebuffer = 0, color[2] = {0, 0}, depth = 0;
    int width = 0, height = 0;
    unsigned int selected = GL_BACK;  // GL_BACK, GL_BACK_LEFT or GL_BACK_RIGHT
    int output = STEREO_LEFT_EYE;     // STEREO_*
    bool swapEyes = false;
    GLuint program = 0;               // the composing shader, 0 without one
    bool shaderTried = false;
    GLint mode = -1, leftMatrix = -1, rightMatrix = -1, size = -1, origin = -1;
    FramebufferCalls gl = {};
    ShaderCalls sh = {};
};
EyeBuffers eyes;

template <typename T>
bool loadCall(T* slot, const char* name) {
    *slot = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    return *slot != nullptr;
}

bool loadFramebufferCalls(FramebufferCalls* f) {
    bool all = loadCall(&f->genFramebuffers, "glGenFramebuffers");
    all &= loadCall(&f->deleteFramebuffers, "glDeleteFramebuffers");
    all &= loadCall(&f->bindFramebuffer, "glBindFramebuffer");
    all &= loadCall(&f->genRenderbuffers, "glGenRenderbuffers");
    all &= loadCall(&f->deleteRenderbuffers, "glDeleteRenderbuffers");
    all &= loadCall(&f->bindRenderbuffer, "glBindRenderbuffer");
    all &= loadCall(&f->renderbufferStorage, "glRenderbufferStorage");
    all &= loadCall(&f->framebufferRenderbuffer, "glFramebufferRenderbuffer");
    all &= loadCall(&f->framebufferTexture2D, "glFramebufferTexture2D");
    all &= loadCall(&f->checkFramebufferStatus, "glCheckFramebufferStatus");
    all &= loadCall(&f->blitFramebuffer, "glBlitFramebuffer");
    all &= loadCall(&f->drawBuffers, "glDrawBuffers");
    return all;
}

bool loadShaderCalls(ShaderCalls* s) {
    bool all = loadCall(&s->createShader, "glCreateShader");
    all &= loadCall(&s->shaderSource, "glShaderSource");
    all &= loadCall(&s->compileShader, "glCompileShader");
    all &= loadCall(&s->getShaderiv, "glGetShaderiv");
    all &= loadCall(&s->deleteShader, "glDeleteShader");
    all &= loadCall(&s->createProgram, "glCreateProgram");
    all &= loadCall(&s->attachShader, "glAttachShader");
    all &= loadCall(&s->linkProgram, "glLinkProgram");
    all &= loadCall(&s->getProgramiv, "glGetProgramiv");
    all &= loadCall(&s->deleteProgram, "glDeleteProgram");
    all &= loadCall(&s->useProgram, "glUseProgram");
    all &= loadCall(&s->getUniformLocation, "glGetUniformLocation");
    all &= loadCall(&s->uniform1i, "glUniform1i");
    all &= loadCall(&s->uniform2f, "glUniform2f");
    all &= loadCall(&s->uniformMatrix3fv, "glUniformMatrix3fv");
    all &= loadCall(&s->activeTexture, "glActiveTexture");
    return all;
}

const char* const vertexSource =
    "#version 110\n"
    "void main() { gl_Position = gl_Vertex; }\n";

// Mode 0: an anaglyph, in linear light: both eyes (sRGB textures, so sampled in linear light)
// give out = ML left + MR right, clamped and encoded to sRGB again. Modes 1 to 3: the left eye on even screen rows, even columns, or
// where column + row is even; rows and columns count from the screen's top-left corner.
// Modes 4 and 5: side-by-side and top-bottom, each eye squeezed into an equal half (an odd
// column or row left black), its texels filtered in linear light.
const char* const fragmentSource =
    "#version 110\n"
    "uniform sampler2D leftEye;\n"
    "uniform sampler2D rightEye;\n"
    "uniform int mode;\n"
    "uniform mat3 leftMatrix;\n"
    "uniform mat3 rightMatrix;\n"
    "uniform vec2 size;\n"
    "uniform vec2 origin;\n"
    "vec3 encode(vec3 c) {\n"
    "    return mix(c * 12.92, 1.055 * pow(c, vec3(1.0 / 2.4)) - 0.055, step(0.0031308, c));\n"
    "}\n"
    "void main() {\n"
    "    if (mode >= 4) {\n"
    "        float across = mode == 4 ? size.x : size.y;\n"
    "        float at = floor(mode == 4 ? gl_FragCoord.x : gl_FragCoord.y);\n"
    "        float halfSize = floor(across / 2.0);\n"
    "        if (at >= 2.0 * halfSize) {\n"
    "            gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0);\n"
    "            return;\n"
    "        }\n"
    "        bool second = at >= halfSize;\n"
    "        float t = ((second ? at - halfSize : at) + 0.5) / halfSize;\n"
    "        vec2 st = mode == 4 ? vec2(t, gl_FragCoord.y / size.y) : vec2(gl_FragCoord.x / size.x, t);\n"
    "        bool fromLeft = mode == 4 ? !second : second;\n"
    "        vec3 c = fromLeft ? texture2D(leftEye, st).rgb : texture2D(rightEye, st).rgb;\n"
    "        gl_FragColor = vec4(encode(c), 1.0);\n"
    "        return;\n"
    "    }\n"
    "    vec2 uv = gl_FragCoord.xy / size;\n"
    "    vec3 l = texture2D(leftEye, uv).rgb;\n"
    "    vec3 r = texture2D(rightEye, uv).rgb;\n"
    "    if (mode == 0) {\n"
    "        gl_FragColor = vec4(encode(clamp(leftMatrix * l + rightMatrix * r, 0.0, 1.0)), 1.0);\n"
    "        return;\n"
    "    }\n"
    "    float x = origin.x + floor(gl_FragCoord.x);\n"
    "    float y = origin.y + size.y - 1.0 - floor(gl_FragCoord.y);\n"
    "    float k = mode == 1 ? y : mode == 2 ? x : x + y;\n"
    "    gl_FragColor = vec4(encode(mod(k, 2.0) < 0.5 ? l : r), 1.0);\n"
    "}\n";

// The least-squares anaglyph matrices, by rows (output red, green, blue; columns the eye's
// red, green, blue): left, then right, for red-cyan, green-magenta and amber-blue.
const float anaglyphMatrices[3][2][9] = {
    {{0.437f, 0.449f, 0.164f, -0.062f, -0.062f, -0.024f, -0.048f, -0.050f, -0.017f},
     {-0.011f, -0.032f, -0.007f, 0.377f, 0.761f, 0.009f, -0.026f, -0.093f, 1.234f}},
    {{-0.062f, -0.158f, -0.039f, 0.284f, 0.668f, 0.143f, -0.015f, -0.027f, 0.021f},
     {0.529f, 0.705f, 0.024f, -0.016f, -0.015f, -0.065f, 0.009f, 0.075f, 0.937f}},
    {{1.062f, -0.205f, 0.299f, -0.026f, 0.908f, 0.068f, -0.038f, -0.173f, 0.022f},
     {-0.016f, -0.123f, -0.017f, 0.006f, 0.062f, -0.017f, 0.094f, 0.185f, 0.911f}},
};

GLuint compile(GLenum kind, const char* source) {
    GLuint shader = eyes.sh.createShader(kind);
    eyes.sh.shaderSource(shader, 1, &source, nullptr);
    eyes.sh.compileShader(shader);
    GLint ok = GL_FALSE;
    eyes.sh.getShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        eyes.sh.deleteShader(shader);
        return 0;
    }
    return shader;
}

// The composing shader where OpenGL 2.0 is there; without it the blit outputs remain. Made
// the first time an output asks for it, not while the program starts.
bool composeShader() {
    if (eyes.program || eyes.shaderTried) return eyes.program != 0;
    eyes.shaderTried = true;
    int major = 0;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || sscanf(version, "%d", &major) != 1 || major < 2 || !loadShaderCalls(&eyes.sh)) return false;
    GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource), fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
    GLuint program = 0;
    if (vertex && fragment) {
        program = eyes.sh.createProgram();
        eyes.sh.attachShader(program, vertex);
        eyes.sh.attachShader(program, fragment);
        eyes.sh.linkProgram(program);
        GLint ok = GL_FALSE;
        eyes.sh.getProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok) {
            eyes.sh.deleteProgram(program);
            program = 0;
        }
    }
    if (vertex) eyes.sh.deleteShader(vertex);
    if (fragment) eyes.sh.deleteShader(fragment);
    if (!program) {
        fprintf(stderr,
                "PlatformStereoOutputAvailable(): the composing shader does not build: no anaglyph or interlaced output\n");
        return false;
    }
    eyes.program = program;
    eyes.mode = eyes.sh.getUniformLocation(program, "mode");
    eyes.leftMatrix = eyes.sh.getUniformLocation(program, "leftMatrix");
    eyes.rightMatrix = eyes.sh.getUniformLocation(program, "rightMatrix");
    eyes.size = eyes.sh.getUniformLocation(program, "size");
    eyes.origin = eyes.sh.getUniformLocation(program, "origin");
    eyes.sh.useProgram(program);
    eyes.sh.uniform1i(eyes.sh.getUniformLocation(program, "leftEye"), 0);
    eyes.sh.uniform1i(eyes.sh.getUniformLocation(program, "rightEye"), 1);
    eyes.sh.useProgram(0);
    return true;
}

// Drawing goes to the eye buffers: emulated eyes, and every output but quad buffer on a
// context that has stereo buffers of its own.
bool routed() { return eyes.made && !(eyes.contextStereo && eyes.output == STEREO_QUAD_BUFFER); }

void applySelection() {
    static const GLenum both[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    unsigned int buffer = eyes.selected;
    if (routed()) {
        eyes.gl.bindFramebuffer(GL_FRAMEBUFFER, eyes.framebuffer);
        switch (buffer) {
        case GL_BACK_LEFT: eyes.gl.drawBuffers(1, &both[0]); break;
        case GL_BACK_RIGHT: eyes.gl.drawBuffers(1, &both[1]); break;
        default: eyes.gl.drawBuffers(2, both); break;
        }
        return;
    }
    if (eyes.made) eyes.gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (eyes.swapEyes && buffer != GL_BACK) buffer = buffer == GL_BACK_LEFT ? GL_BACK_RIGHT : GL_BACK_LEFT;
    // one back buffer only: it shows the left eye; the right eye draws nowhere
    if (!eyes.contextStereo && buffer != GL_BACK) buffer = buffer == GL_BACK_LEFT ? GL_BACK : GL_NONE;
    glDrawBuffer(buffer);
}

void allocate(int width, int height) {
    FramebufferCalls& f = eyes.gl;
    eyes.width = width;
    eyes.height = height;
    f.bindFramebuffer(GL_FRAMEBUFFER, eyes.framebuffer);
    for (int i = 0; i < 2; i++) {
        glBindTexture(GL_TEXTURE_2D, eyes.color[i]);
        // stored as sRGB: drawing and blits copy the bytes as they are, and the anaglyph
        // shader's lookups come back in linear light without a conversion of its own
        glTexImage2D(GL_TEXTURE_2D, 0, GL_SRGB8_ALPHA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        f.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D, eyes.color[i], 0);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    f.bindRenderbuffer(GL_RENDERBUFFER, eyes.depth);
    f.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, eyes.depth);
    applySelection();
}

// One eye, or its lower left part up to (sx1, sy1), into a part of the window's back buffer.
void blitEye(int eye, int sx1, int sy1, int dx0, int dy0, int dx1, int dy1, GLenum filter) {
    eyes.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, eyes.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0 + eye);
    eyes.gl.blitFramebuffer(0, 0, sx1, sy1, dx0, dy0, dx1, dy1, GL_COLOR_BUFFER_BIT, filter);
}

void clearWindow(void) {
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

// The full-window pass of the composing shader.
void shade(int mode, const float* left, const float* right, int screenX, int screenY, int leftEye) {
    ShaderCalls& s = eyes.sh;
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_ALPHA_TEST);
    glViewport(0, 0, eyes.width, eyes.height);
    s.useProgram(eyes.program);
    s.uniform1i(eyes.mode, mode);
    if (left) {
        s.uniformMatrix3fv(eyes.leftMatrix, 1, GL_TRUE, left);
        s.uniformMatrix3fv(eyes.rightMatrix, 1, GL_TRUE, right);
    }
    s.uniform2f(eyes.size, static_cast<float>(eyes.width), static_cast<float>(eyes.height));
    s.uniform2f(eyes.origin, static_cast<float>(screenX), static_cast<float>(screenY));
    // a squeeze filters; every other pass reads each texel as it is
    const GLint filter = mode >= 4 ? GL_LINEAR : GL_NEAREST;
    s.activeTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, eyes.color[1 - leftEye]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    s.activeTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, eyes.color[leftEye]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    s.activeTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    s.activeTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    s.useProgram(0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

// Framebuffer objects with blits and several draw buffers: OpenGL 3.0, or 2.0 with the
// extension. An entry point that loads proves nothing: a driver may export what it lacks.
bool EyeBuffersSupported(const char* version, const char* extensions) {
    int major = 0, minor = 0;
    if (!version || sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    if (major >= 3) return true;
    if (major < 2 || !extensions) return false;
    const char* name = "GL_ARB_framebuffer_object";
    for (const char* p = strstr(extensions, name); p; p = strstr(p + 1, name)) {
        char after = p[strlen(name)];
        if ((p == extensions || p[-1] == ' ') && (after == ' ' || after == '\0')) return true;
    }
    return false;
}

bool EyeBuffersStart(int width, int height, bool contextStereo) {
    if (eyes.made) return true;
    eyes.contextStereo = contextStereo;
    eyes.output = contextStereo ? STEREO_QUAD_BUFFER : STEREO_LEFT_EYE;
    eyes.selected = GL_BACK;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!EyeBuffersSupported(version, extensions) || !loadFramebufferCalls(&eyes.gl)) {
        if (!contextStereo)
            fprintf(stderr, "wglMakeCurrent(): no framebuffer objects in OpenGL %s: the window shows the left eye alone\n",
                    version ? version : "(unknown)");
        applySelection();
        return false;
    }
    FramebufferCalls& f = eyes.gl;
    f.genFramebuffers(1, &eyes.framebuffer);
    glGenTextures(2, eyes.color);
    f.genRenderbuffers(1, &eyes.depth);
    eyes.made = true;
    allocate(width > 0 ? width : 1, height > 0 ? height : 1);
    f.bindFramebuffer(GL_FRAMEBUFFER, eyes.framebuffer);
    GLenum status = f.checkFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        fprintf(stderr, "wglMakeCurrent(): the eye framebuffer is incomplete (0x%04x): the window shows the left eye alone\n",
                status);
        EyeBuffersStop();
        eyes.contextStereo = contextStereo;
        applySelection();
        return false;
    }
    applySelection();
    return true;
}

void EyeBuffersStop(void) {
    if (eyes.made) {
        eyes.gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
        eyes.gl.deleteFramebuffers(1, &eyes.framebuffer);
        glDeleteTextures(2, eyes.color);
        eyes.gl.deleteRenderbuffers(1, &eyes.depth);
        if (eyes.program) eyes.sh.deleteProgram(eyes.program);
    }
    eyes = EyeBuffers();
}

bool EyeBuffersActive(void) { return routed(); }

int PlatformFramePackedEye(int width, int height) {
    // HDMI 1.4a's frame packing: 1080p and 720p, the eyes 45 or 30 blank rows apart
    if (width == 1920 && height == 2 * 1080 + 45) return 1080;
    if (width == 1280 && height == 2 * 720 + 30) return 720;
    return 0;
}

bool EyeBuffersOutputAvailable(int output) {
    switch (output) {
    case STEREO_QUAD_BUFFER: return eyes.contextStereo;
    case STEREO_LEFT_EYE: return true;
    case STEREO_ANAGLYPH_RED_CYAN:
    case STEREO_ANAGLYPH_GREEN_MAGENTA:
    case STEREO_ANAGLYPH_AMBER_BLUE:
    case STEREO_ROW_INTERLACED:
    case STEREO_COLUMN_INTERLACED:
    case STEREO_CHECKERBOARD: return eyes.made && composeShader();
    case STEREO_FRAME_PACKING: return eyes.made && PlatformFramePackedEye(eyes.width, eyes.height) > 0;
    default: return output > 0 && output < STEREO_OUTPUT_COUNT && eyes.made;
    }
}

void EyeBuffersResize(int width, int height) {
    if (!eyes.made || width <= 0 || height <= 0 || (eyes.width == width && eyes.height == height)) return;
    allocate(width, height);
}

void EyeBuffersSelect(unsigned int buffer) {
    eyes.selected = buffer;
    applySelection();
}

void EyeBuffersSetOutput(int output, bool swapEyes) {
    eyes.output = output;
    eyes.swapEyes = swapEyes;
    applySelection();
}

void EyeBuffersSize(int* width, int* height) {
    *width = eyes.width;
    *height = eyes.height;
}

namespace {

// Reads a colour buffer of a framebuffer (0: the window's), then reads the left eye again.
void readPixels(GLuint framebuffer, GLenum buffer, int width, int height, unsigned char* rgba) {
    // Mesa's software renderer defers drawing; reading one colour buffer of several does not
    // always wait for what was drawn into it while another one was selected
    glFinish();
    if (eyes.made) eyes.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (routed()) {
        eyes.gl.bindFramebuffer(GL_READ_FRAMEBUFFER, eyes.framebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
    }
}

}  // namespace

void EyeBuffersRead(int eye, unsigned char* rgba) {
    readPixels(eyes.framebuffer, eye == 0 ? GL_COLOR_ATTACHMENT0 : GL_COLOR_ATTACHMENT1, eyes.width, eyes.height, rgba);
}

void EyeBuffersReadWindow(unsigned int buffer, int width, int height, unsigned char* rgba) {
    readPixels(0, buffer, width, height, rgba);
}

void EyeBuffersCompose(int screenX, int screenY) {
    if (!routed()) return;
    const int w = eyes.width, h = eyes.height, l = eyes.swapEyes ? 1 : 0, r = 1 - l;
    eyes.gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    switch (eyes.output) {
    case STEREO_RIGHT_EYE: blitEye(r, w, h, 0, 0, w, h, GL_NEAREST); break;
    case STEREO_SIDE_BY_SIDE:
    case STEREO_TOP_BOTTOM:
        if (composeShader()) {
            shade(eyes.output == STEREO_SIDE_BY_SIDE ? 4 : 5, nullptr, nullptr, screenX, screenY, l);
            break;
        }
        // without a shader the blits squeeze, as the driver filters, into equal halves
        clearWindow();
        if (eyes.output == STEREO_SIDE_BY_SIDE) {
            blitEye(l, w, h, 0, 0, w / 2, h, GL_LINEAR);
            blitEye(r, w, h, w / 2, 0, w / 2 * 2, h, GL_LINEAR);
        } else {
            blitEye(l, w, h, 0, h / 2, w, h / 2 * 2, GL_LINEAR);
            blitEye(r, w, h, 0, 0, w, h / 2, GL_LINEAR);
        }
        break;
    case STEREO_SIDE_BY_SIDE_FULL:
        // each eye was drawn into the left half of its buffer, at the half's aspect; an odd
        // width leaves one black column
        clearWindow();
        blitEye(l, w / 2, h, 0, 0, w / 2, h, GL_NEAREST);
        blitEye(r, w / 2, h, w / 2, 0, w / 2 * 2, h, GL_NEAREST);
        break;
    case STEREO_FRAME_PACKING: {
        // each eye was drawn into its buffer's lowest rows: the left at the top of the frame,
        // the right at its bottom, the band between black
        const int rows = PlatformFramePackedEye(w, h);
        clearWindow();
        blitEye(l, w, rows, 0, h - rows, w, h, GL_NEAREST);
        blitEye(r, w, rows, 0, 0, w, rows, GL_NEAREST);
        break;
    }
    case STEREO_ANAGLYPH_RED_CYAN:
    case STEREO_ANAGLYPH_GREEN_MAGENTA:
    case STEREO_ANAGLYPH_AMBER_BLUE:
    case STEREO_ROW_INTERLACED:
    case STEREO_COLUMN_INTERLACED:
    case STEREO_CHECKERBOARD:
        if (composeShader()) {
            int anaglyph = eyes.output - STEREO_ANAGLYPH_RED_CYAN;
            if (eyes.output <= STEREO_ANAGLYPH_AMBER_BLUE)
                shade(0, anaglyphMatrices[anaglyph][0], anaglyphMatrices[anaglyph][1], screenX, screenY, l);
            else
                shade(eyes.output - STEREO_ROW_INTERLACED + 1, nullptr, nullptr, screenX, screenY, l);
            break;
        }
        blitEye(l, w, h, 0, 0, w, h, GL_NEAREST);
        break;
    default: blitEye(l, w, h, 0, 0, w, h, GL_NEAREST); break;
    }
    applySelection();
}
