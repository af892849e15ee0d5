// eye_buffers.cpp: the emulated eye buffers of a context without stereo buffers.
//
// What is emulated, and how faithfully:
//  [x] GL_BACK_LEFT and GL_BACK_RIGHT: two colour renderbuffers of one framebuffer, with one
//      depth renderbuffer shared as a stereo back buffer shares it; GL_BACK draws into both.
//  [x] The swap shows the left eye, as a stereo driver shows on a display not in stereo mode.
//  [x] Made only where the context has framebuffer objects (OpenGL 3.0, or 2.0 with the
//      framebuffer extension) and the framebuffer is complete; elsewhere the left eye goes
//      straight into the back buffer and the right eye is drawn over it.
#include "shell/eye_buffers.h"
#include "shell/platform_internal.h"
#include <GL/gl.h>
#include <GL/glext.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
    PFNGLDRAWBUFFERSPROC drawBuffers;
};

struct EyeBuffers {
    bool active;
    GLuint framebuffer, color[2], depth;
    int width, height;
    unsigned int selected;  // GL_BACK, GL_BACK_LEFT or GL_BACK_RIGHT
    FramebufferCalls gl;
};
EyeBuffers eyes;

template <typename T>
void loadCall(T* slot, const char* name) {
    *slot = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
}

bool loadFramebufferCalls(FramebufferCalls* f) {
    loadCall(&f->genFramebuffers, "glGenFramebuffers");
    loadCall(&f->deleteFramebuffers, "glDeleteFramebuffers");
    loadCall(&f->bindFramebuffer, "glBindFramebuffer");
    loadCall(&f->genRenderbuffers, "glGenRenderbuffers");
    loadCall(&f->deleteRenderbuffers, "glDeleteRenderbuffers");
    loadCall(&f->bindRenderbuffer, "glBindRenderbuffer");
    loadCall(&f->renderbufferStorage, "glRenderbufferStorage");
    loadCall(&f->framebufferRenderbuffer, "glFramebufferRenderbuffer");
    loadCall(&f->checkFramebufferStatus, "glCheckFramebufferStatus");
    loadCall(&f->blitFramebuffer, "glBlitFramebuffer");
    loadCall(&f->drawBuffers, "glDrawBuffers");
    return f->genFramebuffers && f->deleteFramebuffers && f->bindFramebuffer && f->genRenderbuffers &&
           f->deleteRenderbuffers && f->bindRenderbuffer && f->renderbufferStorage && f->framebufferRenderbuffer &&
           f->checkFramebufferStatus && f->blitFramebuffer && f->drawBuffers;
}

void applySelection() {
    static const GLenum both[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    switch (eyes.selected) {
    case GL_BACK_LEFT: eyes.gl.drawBuffers(1, &both[0]); break;
    case GL_BACK_RIGHT: eyes.gl.drawBuffers(1, &both[1]); break;
    default: eyes.gl.drawBuffers(2, both); break;
    }
}

void allocate(int width, int height) {
    FramebufferCalls& f = eyes.gl;
    eyes.width = width;
    eyes.height = height;
    f.bindFramebuffer(GL_FRAMEBUFFER, eyes.framebuffer);
    for (int i = 0; i < 2; i++) {
        f.bindRenderbuffer(GL_RENDERBUFFER, eyes.color[i]);
        f.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_RENDERBUFFER, eyes.color[i]);
    }
    f.bindRenderbuffer(GL_RENDERBUFFER, eyes.depth);
    f.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, eyes.depth);
    applySelection();
    glReadBuffer(GL_COLOR_ATTACHMENT0);
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

bool EyeBuffersStart(int width, int height) {
    if (eyes.active) return true;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!EyeBuffersSupported(version, extensions) || !loadFramebufferCalls(&eyes.gl)) {
        fprintf(stderr, "wglMakeCurrent(): no framebuffer objects in OpenGL %s: the eyes share the back buffer\n",
                version ? version : "(unknown)");
        return false;
    }
    FramebufferCalls& f = eyes.gl;
    f.genFramebuffers(1, &eyes.framebuffer);
    f.genRenderbuffers(2, eyes.color);
    f.genRenderbuffers(1, &eyes.depth);
    eyes.selected = GL_BACK;
    allocate(width > 0 ? width : 1, height > 0 ? height : 1);
    GLenum status = f.checkFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        fprintf(stderr, "wglMakeCurrent(): the eye framebuffer is incomplete (0x%04x): the eyes share the back buffer\n",
                status);
        eyes.active = true;
        EyeBuffersStop();
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        return false;
    }
    eyes.active = true;
    return true;
}

void EyeBuffersStop(void) {
    if (!eyes.active) return;
    eyes.gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
    eyes.gl.deleteFramebuffers(1, &eyes.framebuffer);
    eyes.gl.deleteRenderbuffers(2, eyes.color);
    eyes.gl.deleteRenderbuffers(1, &eyes.depth);
    eyes = EyeBuffers();
}

bool EyeBuffersActive(void) { return eyes.active; }

void EyeBuffersResize(int width, int height) {
    if (!eyes.active || width <= 0 || height <= 0 || (eyes.width == width && eyes.height == height)) return;
    allocate(width, height);
}

void EyeBuffersSelect(unsigned int buffer) {
    eyes.selected = buffer;
    if (eyes.active) applySelection();
}

void EyeBuffersSize(int* width, int* height) {
    *width = eyes.width;
    *height = eyes.height;
}

void EyeBuffersRead(int eye, unsigned char* rgba) {
    // Mesa's software renderer defers drawing; reading one colour buffer of several does not
    // always wait for what was drawn into it while another one was selected
    glFinish();
    glReadBuffer(eye == 0 ? GL_COLOR_ATTACHMENT0 : GL_COLOR_ATTACHMENT1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, eyes.width, eyes.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

void EyeBuffersPresent(SDL_Window* window) {
    FramebufferCalls& f = eyes.gl;
    // no finish
    f.bindFramebuffer(GL_READ_FRAMEBUFFER, eyes.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    f.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    f.blitFramebuffer(0, 0, eyes.width, eyes.height, 0, 0, eyes.width, eyes.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    SDL_GL_SwapWindow(window);
    f.bindFramebuffer(GL_FRAMEBUFFER, eyes.framebuffer);
    applySelection();
}
