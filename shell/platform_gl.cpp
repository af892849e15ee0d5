// platform_gl.cpp: the window's device context, pixel formats, OpenGL contexts and the swap.
//
// What is emulated, and how faithfully:
//  [x] GetDC gives the window's one device context, the window record itself.
//  [x] ChoosePixelFormat gives format 1 (stereo) where the display has a stereo visual, else
//      format 2 (the same without stereo); SetPixelFormat takes one of them once.
//  [x] wglCreateContext gives a compatibility-profile context, one per program, not current.
//  [x] Stereo without stereo buffers: the eye buffers of eye_buffers.cpp, started when the
//      context is made current; PlatformDrawBuffer selects the eyes, SwapBuffers shows the left.
#include <GL/gl.h>
#include <stdlib.h>
#include "shell/eye_buffers.h"
#include "shell/platform_internal.h"

HDC GetDC(HWND window) { return window && !window->destroyed ? window : nullptr; }

int ReleaseDC(HWND, HDC dc) { return dc ? 1 : 0; }

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    if (platform.failStep == PLATFORM_FAIL_CHOOSE) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "ChoosePixelFormat", "failed on request of a test");
        return 0;
    }
    if (!dc || !request || !(request->dwFlags & PFD_SUPPORT_OPENGL) || request->iPixelType != PFD_TYPE_RGBA) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "ChoosePixelFormat", "no format fits the request");
        return 0;
    }
    // the closest format: stereo only where the display has it
    return (request->dwFlags & PFD_STEREO) && dc->stereoVisual ? 1 : 2;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    if (platform.failStep == PLATFORM_FAIL_SET) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "SetPixelFormat", "failed on request of a test");
        return FALSE;
    }
    if (!dc || (format != 1 && format != 2) || (format == 1 && !dc->stereoVisual) || dc->pixelFormat) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "SetPixelFormat", "format not available for this window");
        return FALSE;
    }
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    if (platform.failStep == PLATFORM_FAIL_CREATE) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "wglCreateContext", "failed on request of a test");
        return nullptr;
    }
    if (!dc || !dc->pixelFormat || platform.contextInUse) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "wglCreateContext", "no pixel format set");
        return nullptr;
    }
    SDL_GLContext gl = SDL_GL_CreateContext(dc->sdl);
    if (!gl) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "wglCreateContext", SDL_GetError());
        return nullptr;
    }
    // creating does not make current
    SDL_GL_MakeCurrent(dc->sdl, nullptr);
    platform.context = {gl, dc};
    platform.contextInUse = true;
    return &platform.context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
    if (platform.failStep == PLATFORM_FAIL_MAKE_CURRENT && context) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "wglMakeCurrent", "failed on request of a test");
        return FALSE;
    }
    if (!context) {
        if (platform.current) EyeBuffersStop();
        SDL_GL_MakeCurrent(dc ? dc->sdl : nullptr, nullptr);
        platform.current = nullptr;
        return TRUE;
    }
    if (!dc || dc->destroyed || SDL_GL_MakeCurrent(dc->sdl, context->gl) != 0) {
        PlatformFail(ERROR_INVALID_PIXEL_FORMAT, "wglMakeCurrent", SDL_GetError());
        return FALSE;
    }
    if (platform.current != context) {
        // the eyes are drawn off screen at the drawable's size, and composed at the swap
        GLboolean stereo = GL_FALSE;
        glGetBooleanv(GL_STEREO, &stereo);
        int w, h;
        SDL_GL_GetDrawableSize(dc->sdl, &w, &h);
        EyeBuffersStart(w, h, stereo != GL_FALSE);
    }
    platform.current = context;
    EyeBuffersSelect(GL_BACK);
    return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
    if (!context || !platform.contextInUse) return FALSE;
    if (platform.current == context) {
        EyeBuffersStop();
        platform.current = nullptr;
    }
    SDL_GL_DeleteContext(context->gl);
    platform.contextInUse = false;
    return TRUE;
}

// The eyes into the window's back buffer, at the window's screen position (the interlaced
// outputs count the screen's rows and columns).
static void compose(HWND window) {
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdl, &x, &y);
    EyeBuffersCompose(x, y);
}

BOOL SwapBuffers(HDC dc) {
    if (!dc || dc->destroyed) return FALSE;
    if (platform.current) compose(dc);
    SDL_GL_SwapWindow(dc->sdl);
    return TRUE;
}

void PlatformDrawBuffer(unsigned int buffer) { EyeBuffersSelect(buffer); }

BOOL PlatformStereoOutputAvailable(int output) { return platform.current && EyeBuffersOutputAvailable(output); }

void PlatformSetStereoOutput(int output, BOOL swapEyes) {
    if (platform.current) EyeBuffersSetOutput(output, swapEyes != FALSE);
}

BOOL PlatformStereoEmulated(void) { return EyeBuffersActive(); }

BOOL PlatformReadEye(int eye, int* width, int* height, unsigned char** rgba) {
    if (!platform.current) return FALSE;
    int w, h;
    if (EyeBuffersActive())
        EyeBuffersSize(&w, &h);
    else
        SDL_GL_GetDrawableSize(platform.current->window->sdl, &w, &h);
    unsigned char* pixels = static_cast<unsigned char*>(malloc(static_cast<size_t>(w) * h * 4));
    if (!pixels) return FALSE;
    if (EyeBuffersActive())
        EyeBuffersRead(eye, pixels);
    else
        EyeBuffersReadWindow(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT, w, h, pixels);
    *width = w;
    *height = h;
    *rgba = pixels;
    return TRUE;
}

BOOL PlatformTestReadWindow(int* width, int* height, unsigned char** rgba) {
    if (!platform.current) return FALSE;
    HWND window = platform.current->window;
    compose(window);
    int w, h;
    SDL_GL_GetDrawableSize(window->sdl, &w, &h);
    unsigned char* pixels = static_cast<unsigned char*>(malloc(static_cast<size_t>(w) * h * 4));
    if (!pixels) return FALSE;
    EyeBuffersReadWindow(GL_BACK, w, h, pixels);
    *width = w;
    *height = h;
    *rgba = pixels;
    return TRUE;
}
