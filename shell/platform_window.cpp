// platform_window.cpp: the platform's state, its start, window classes and the one window.
//
// What is emulated, and how faithfully:
//  [x] RegisterClass, CreateWindow: one class table; CreateWindow makes a hidden SDL window
//      (the X11 class is the class name), sends WM_CREATE and then WM_SIZE before it returns.
//      CW_USEDEFAULT gives two thirds of the display. The class icon becomes the window icon.
//  [x] ShowWindow, UpdateWindow: showing invalidates the client area; UpdateWindow sends
//      WM_PAINT at once while it is invalid.
//  [x] Without a display the programs refuse to start rather than run on SDL's invisible
//      drivers; a busy X server that refuses a connection is tried again a few times.
//  [ ] Several windows, menus, child windows.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "shell/platform_internal.h"

PlatformState platform;

namespace {

const PlatformCursor arrowCursor = {32512};

bool initVideo(const char* className) {
    if (platform.sdlReady) return true;
    // the X11 class of the window is read when the video system starts
    setenv("SDL_VIDEO_X11_WMCLASS", className, 1);
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Without a display SDL falls back to drivers that show nothing. An X server that is
    // busy refuses a connection now and then, so that fall-back is tried again a few times.
    for (int attempt = 0; attempt < 5; attempt++) {
        if (attempt > 0) SDL_Delay(100);
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return false;
        const char* driver = SDL_GetCurrentVideoDriver();
        bool headless = driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
        if (!headless || platform.allowHeadless) {
            if (driver && strcmp(driver, "x11") == 0) PlatformSurviveLostXWindows();
            platform.sdlReady = true;
            platform.loopThread = SDL_ThreadID();
            return true;
        }
        SDL_Quit();
    }
    SDL_SetError("no display to show a window on");
    return false;
}

}  // namespace

void PlatformFail(DWORD code, const char* call, const char* reason) {
    platform.lastError = code;
    fprintf(stderr, "%s() failed: %s\n", call, reason);
}

HWND PlatformWindowOf(Uint32 sdlId) {
    if (!platform.windowInUse || platform.window.destroyed) return nullptr;
    return SDL_GetWindowID(platform.window.sdl) == sdlId ? &platform.window : nullptr;
}

void PlatformDrawableSize(HWND window, int* w, int* h) {
    SDL_GL_GetDrawableSize(window->sdl, w, h);
    if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED) *w = *h = 0;
}

LRESULT PlatformSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window->windowClass->lpfnWndProc(window, message, wParam, lParam);
}

ATOM RegisterClass(const WNDCLASS* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        PlatformFail(ERROR_INVALID_PARAMETER, "RegisterClass", "incomplete class");
        return 0;
    }
    if (!initVideo(windowClass->lpszClassName)) {
        PlatformFail(ERROR_NOT_SUPPORTED, "RegisterClass", SDL_GetError());
        return 0;
    }
    for (int i = 0; i < platform.classCount; i++)
        if (strcmp(platform.classNames[i], windowClass->lpszClassName) == 0) {
            PlatformFail(ERROR_CLASS_ALREADY_EXISTS, "RegisterClass", "class already registered");
            return 0;
        }
    if (platform.classCount == 4) {
        PlatformFail(ERROR_NOT_ENOUGH_MEMORY, "RegisterClass", "too many classes");
        return 0;
    }
    int i = platform.classCount++;
    platform.classes[i] = *windowClass;
    snprintf(platform.classNames[i], sizeof platform.classNames[i], "%s", windowClass->lpszClassName);
    platform.classes[i].lpszClassName = platform.classNames[i];
    return static_cast<ATOM>(0xC000 + i);
}

HWND CreateWindow(LPCSTR className, LPCSTR title, DWORD, int x, int y, int width, int height, HWND, HMENU,
                  HINSTANCE, void*) {
    const WNDCLASS* windowClass = nullptr;
    for (int i = 0; i < platform.classCount; i++)
        if (strcmp(platform.classNames[i], className) == 0) windowClass = &platform.classes[i];
    if (!windowClass) {
        PlatformFail(ERROR_CLASS_DOES_NOT_EXIST, "CreateWindow", "no such class");
        return nullptr;
    }
    if (platform.windowInUse && !platform.window.destroyed) {
        PlatformFail(ERROR_NOT_ENOUGH_MEMORY, "CreateWindow", "one window per program");
        return nullptr;
    }
    if ((width == CW_USEDEFAULT || height == CW_USEDEFAULT) && platform.defaultWidth > 0) {
        width = platform.defaultWidth;
        height = platform.defaultHeight;
    } else if (width == CW_USEDEFAULT || height == CW_USEDEFAULT) {
        SDL_Rect usable = {0, 0, 1024, 768};
        SDL_GetDisplayUsableBounds(0, &usable);
        width = usable.w * 2 / 3;
        height = usable.h * 2 / 3;
    }
    if (x == CW_USEDEFAULT || y == CW_USEDEFAULT) x = y = static_cast<int>(SDL_WINDOWPOS_UNDEFINED);

    // the GL visual is fixed when the window is made: ask for stereo, else do without
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
    bool stereo = true;
    SDL_GL_SetAttribute(SDL_GL_STEREO, 1);
    SDL_Window* sdl = SDL_CreateWindow(title, x, y, width, height, flags);
    if (!sdl) {
        stereo = false;
        SDL_GL_SetAttribute(SDL_GL_STEREO, 0);
        sdl = SDL_CreateWindow(title, x, y, width, height, flags);
    }
    if (!sdl) {
        PlatformFail(ERROR_NOT_SUPPORTED, "CreateWindow", SDL_GetError());
        return nullptr;
    }
    HWND window = &platform.window;
    *window = PlatformWindow();
    window->sdl = sdl;
    window->windowClass = windowClass;
    window->stereoVisual = stereo;
    window->sentWidth = window->sentHeight = -1;
    platform.windowInUse = true;

    if (const PlatformIcon* icon = windowClass->hIcon) {
        Uint32 pixels[32 * 32];
        for (int r = 0; r < 32; r++)
            for (int c = 0; c < 32; c++) pixels[r * 32 + c] = 0xFF000000u | PlatformIconColor(icon, r, c);
        SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(pixels, 32, 32, 32, 32 * 4, 0x00FF0000, 0x0000FF00,
                                                        0x000000FF, 0xFF000000);
        if (surface) {
            SDL_SetWindowIcon(sdl, surface);
            SDL_FreeSurface(surface);
        }
    }

    if (PlatformSend(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        PlatformFail(ERROR_NOT_SUPPORTED, "CreateWindow", "WM_CREATE refused the window");
        return nullptr;
    }
    // WM_SIZE follows WM_CREATE inside window creation
    int w, h;
    PlatformDrawableSize(window, &w, &h);
    window->sentWidth = w;
    window->sentHeight = h;
    PlatformSend(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    return window;
}

BOOL ShowWindow(HWND window, int) {
    if (!window || window->destroyed) return FALSE;
    BOOL wasVisible = window->visible;
    SDL_ShowWindow(window->sdl);
    window->visible = true;
    window->invalid = true;
    return wasVisible;
}

BOOL UpdateWindow(HWND window) {
    if (!window || window->destroyed) return FALSE;
    if (window->visible && window->invalid) PlatformSend(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    if (!window || window->destroyed) {
        platform.lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    PlatformSend(window, WM_DESTROY, 0, 0);
    for (int i = platform.timerCount - 1; i >= 0; i--)
        if (platform.timers[i].window == window) platform.timers[i] = platform.timers[--platform.timerCount];
    if (platform.capture == window) ReleaseCapture();
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
    window->destroyed = true;
    window->visible = false;
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!window || window->destroyed) {
        platform.lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    int w, h;
    PlatformDrawableSize(window, &w, &h);
    rect->left = rect->top = 0;
    rect->right = w;
    rect->bottom = h;
    return TRUE;
}

BOOL SetWindowText(HWND window, LPCSTR text) {
    if (!window || window->destroyed) {
        platform.lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    SDL_SetWindowTitle(window->sdl, text ? text : "");
    return TRUE;
}

// Full screen as the window manager does it where there is one, and by covering the display
// with a borderless window where there is none; back to the rectangle the window had.
BOOL PlatformToggleFullScreen(HWND window) {
    if (!window || window->destroyed) return FALSE;
    SDL_Window* sdl = window->sdl;
    if (!window->fullScreen) {
        SDL_GetWindowPosition(sdl, &window->windowed.x, &window->windowed.y);
        SDL_GetWindowSize(sdl, &window->windowed.w, &window->windowed.h);
        SDL_Rect display;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(sdl), &display) != 0) return FALSE;
        SDL_SetWindowBordered(sdl, SDL_FALSE);
        SDL_SetWindowPosition(sdl, display.x, display.y);
        SDL_SetWindowSize(sdl, display.w, display.h);
        // last: once SDL counts the window as full screen it keeps sizes for later
        SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(sdl, 0);
        SDL_SetWindowBordered(sdl, SDL_TRUE);
        SDL_SetWindowSize(sdl, window->windowed.w, window->windowed.h);
        SDL_SetWindowPosition(sdl, window->windowed.x, window->windowed.y);
    }
    window->fullScreen = !window->fullScreen;
    return TRUE;
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name) {
    WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
    for (int i = 0; instance && i < instance->iconCount; i++)
        if (instance->icons[i].id == id) return &instance->icons[i];
    platform.lastError = ERROR_INVALID_PARAMETER;
    return nullptr;
}

HCURSOR LoadCursor(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<uintptr_t>(name) == 32512 ? &arrowCursor : nullptr;
}

void PlatformTestFailStep(int step) { platform.failStep = step; }

void PlatformTestSkipMessageBoxes(BOOL skip) { platform.skipMessageBoxes = skip != FALSE; }

void PlatformTestAllowHeadless(BOOL allow) { platform.allowHeadless = allow != FALSE; }

void PlatformTestDefaultWindowSize(int width, int height) {
    platform.defaultWidth = width;
    platform.defaultHeight = height;
}

unsigned int PlatformTestWindowId(HWND window) { return window && window->sdl ? SDL_GetWindowID(window->sdl) : 0; }

int PlatformMain(int argc, char** argv, HINSTANCE instance) {
    std::string tail;
    for (int i = 1; i < argc; i++) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    // No SDL_Quit: the process ends here and the system closes the display connections. On
    // X11, SDL wakes its own waits by sending an event to the window over a second connection,
    // which can reach the server after the window was destroyed; closing that connection
    // reads the resulting error, and Xlib ends the process with status 1 although the
    // program ended normally.
    return WinMain(instance, nullptr, &tail[0], SW_SHOWDEFAULT);
}

HWND SetCapture(HWND window) {
    HWND previous = platform.capture;
    platform.capture = window;
    SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

BOOL ReleaseCapture(void) {
    platform.capture = nullptr;
    SDL_CaptureMouse(SDL_FALSE);
    return TRUE;
}

BOOL PlatformScreenSize(double* widthMm, double* heightMm, int* width, int* height) {
    // the server's figures are asked once; elsewhere than on X11 the size is not known
    static int known = -1;
    static double mm[2];
    static int pixels[2];
    if (known < 0) {
        const char* driver = platform.sdlReady ? SDL_GetCurrentVideoDriver() : nullptr;
        known = driver && strcmp(driver, "x11") == 0 && PlatformXScreenSize(&mm[0], &mm[1], &pixels[0], &pixels[1]);
    }
    if (!known) {
        // 96 pixels an inch, on the window's display
        SDL_Rect display = {0, 0, 1024, 768};
        if (platform.windowInUse) SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(platform.window.sdl), &display);
        pixels[0] = display.w;
        pixels[1] = display.h;
        mm[0] = display.w * 25.4 / 96;
        mm[1] = display.h * 25.4 / 96;
    }
    *widthMm = mm[0];
    *heightMm = mm[1];
    *width = pixels[0];
    *height = pixels[1];
    return known ? TRUE : FALSE;
}
