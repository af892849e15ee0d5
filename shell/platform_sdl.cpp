// platform_sdl.cpp: the Win32-shaped platform of platform.h over SDL2 and the system OpenGL.
//
// What is emulated, and how faithfully:
//  [x] RegisterClass, CreateWindow: one class table; CreateWindow makes a hidden SDL window
//      (the X11 class is the class name), sends WM_CREATE and then WM_SIZE before it returns.
//      CW_USEDEFAULT gives two thirds of the display. The class icon becomes the window icon.
//  [x] ShowWindow, UpdateWindow: showing invalidates the client area; UpdateWindow sends
//      WM_PAINT at once while it is invalid.
//  [x] GetMessage: posted messages in order, then the quit message, then input, then
//      WM_PAINT while the window is invalid, then WM_TIMER. Timers are deadlines kept here
//      (no threads); a late timer gives one WM_TIMER. With nothing due the loop blocks.
//  [x] Keys: WM_KEYDOWN/WM_KEYUP with virtual keys and key repeat; TranslateAccelerator
//      matches FVIRTKEY entries with their exact Shift/Ctrl/Alt state, first entry wins.
//  [x] Mouse: button and move messages in drawable pixels, MK_ flags in wParam. SetCapture
//      maps to SDL_CaptureMouse with SDL's automatic capture off, so moves outside the
//      window arrive while captured, with coordinates below 0 or beyond the client size.
//  [x] WM_SIZE on every drawable size change, 0 x 0 when minimised; WM_CLOSE from the
//      title bar, whose default handling destroys the window (WM_DESTROY).
//  [x] MessageBox: SDL's modal box with one OK button (Return and Esc close it). SDL's box
//      draws no icons, so the icon of the flags is shown as a first line, "(X)", "(!)" or
//      "(i)"; long lines are wrapped for display only. When no box can be shown, the
//      caption and the text go to the standard error stream.
//  [x] wsprintfA writes at most 1024 characters including the terminator; GetLastError
//      gives Win32-style codes, and each failing call writes SDL's reason to stderr.
//  [x] Pixel formats: ChoosePixelFormat gives format 1 (stereo) where the display has a
//      stereo visual, else format 2 (the same without stereo); wglCreateContext gives a
//      compatibility-profile context.
//  [x] Stereo without stereo buffers: an offscreen framebuffer with two colour buffers and
//      one depth buffer; PlatformDrawBuffer selects the eyes, SwapBuffers shows the left.
//  [ ] Several windows, menus, child windows, WM_CHAR for anything but ASCII keys.
#include "shell/platform.h"
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <deque>
#include <string>

// Win32 error codes the platform reports
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_NOT_SUPPORTED 50
#define ERROR_INVALID_PARAMETER 87
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#define ERROR_INVALID_PIXEL_FORMAT 2000

struct PlatformCursor {
    int kind;
};
struct PlatformWindow {
    SDL_Window* sdl;
    const WNDCLASS* windowClass;
    bool stereoVisual;   // the SDL window was made with a stereo GL visual
    int pixelFormat;     // set by SetPixelFormat, 0 before
    bool visible;
    bool invalid;
    bool destroyed;
    int sentWidth, sentHeight; // drawable size of the last WM_SIZE
};
struct PlatformContext {
    SDL_GLContext gl;
    HWND window;
};

namespace {

const PlatformCursor arrowCursor = {32512};

// An input message with the modifier keys held when it happened.
struct InputMessage {
    MSG msg;
    Uint16 modifiers;
};

struct Timer {
    HWND window;
    UINT_PTR id;
    Uint64 period;
    Uint64 due;
};

// The emulated eye buffers of a context without stereo buffers.
struct EyeBuffers {
    bool active;
    GLuint framebuffer, color[2], depth;
    int width, height;
};

// GL 3.0 framebuffer entry points, loaded when emulation starts
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

// All platform state: one record.
struct PlatformState {
    bool sdlReady;
    WNDCLASS classes[4];
    char classNames[4][128];
    int classCount;
    PlatformWindow window;      // the one window a program has
    bool windowInUse;
    std::deque<MSG> posted;
    std::deque<InputMessage> input;
    bool quitPosted;
    int quitCode;
    Timer timers[16];
    int timerCount;
    HWND capture;
    Uint16 keyModifiers;        // modifiers of the last input message retrieved
    WPARAM buttons;             // MK_ button flags held
    DWORD lastError;
    int failStep;
    bool skipMessageBoxes;
    bool allowHeadless;
    int defaultWidth, defaultHeight;
    PlatformContext context;
    bool contextInUse;
    HGLRC current;
    EyeBuffers eyes;
    FramebufferCalls fb;
    unsigned int drawBuffer;
};
PlatformState platform;

void fail(DWORD code, const char* call, const char* reason) {
    platform.lastError = code;
    fprintf(stderr, "%s() failed: %s\n", call, reason);
}

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
            platform.sdlReady = true;
            return true;
        }
        SDL_Quit();
    }
    SDL_SetError("no display to show a window on");
    return false;
}

HWND windowOf(Uint32 sdlId) {
    if (!platform.windowInUse || platform.window.destroyed) return nullptr;
    return SDL_GetWindowID(platform.window.sdl) == sdlId ? &platform.window : nullptr;
}

void drawableSize(HWND window, int* w, int* h) {
    SDL_GL_GetDrawableSize(window->sdl, w, h);
    if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED) *w = *h = 0;
}

// window coordinates to drawable pixels (they differ on high-DPI displays)
void toPixels(HWND window, int x, int y, int* px, int* py) {
    int ww, wh, dw, dh;
    SDL_GetWindowSize(window->sdl, &ww, &wh);
    SDL_GL_GetDrawableSize(window->sdl, &dw, &dh);
    *px = ww > 0 ? static_cast<int>(static_cast<long long>(x) * dw / ww) : x;
    *py = wh > 0 ? static_cast<int>(static_cast<long long>(y) * dh / wh) : y;
}

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window->windowClass->lpfnWndProc(window, message, wParam, lParam);
}

void queueInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Uint16 modifiers) {
    InputMessage m;
    m.msg.hwnd = window;
    m.msg.message = message;
    m.msg.wParam = wParam;
    m.msg.lParam = lParam;
    m.msg.time = static_cast<DWORD>(SDL_GetTicks64());
    m.msg.pt.x = m.msg.pt.y = 0;
    m.modifiers = modifiers;
    platform.input.push_back(m);
}

WPARAM keyFlags(Uint16 modifiers) {
    WPARAM flags = platform.buttons;
    if (modifiers & KMOD_SHIFT) flags |= MK_SHIFT;
    if (modifiers & KMOD_CTRL) flags |= MK_CONTROL;
    return flags;
}

// SDL keys to virtual keys; 0 for keys the programs never see
WPARAM virtualKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return '1' + (key - SDLK_KP_1);
    switch (key) {
    case SDLK_KP_0: return '0';
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    default: return 0;
    }
}

// SDL buttons to the down message, the up message and the MK_ flag
bool buttonMessages(Uint8 button, UINT* down, UINT* up, WPARAM* flag) {
    switch (button) {
    case SDL_BUTTON_LEFT: *down = WM_LBUTTONDOWN, *up = WM_LBUTTONUP, *flag = MK_LBUTTON; return true;
    case SDL_BUTTON_MIDDLE: *down = WM_MBUTTONDOWN, *up = WM_MBUTTONUP, *flag = MK_MBUTTON; return true;
    case SDL_BUTTON_RIGHT: *down = WM_RBUTTONDOWN, *up = WM_RBUTTONUP, *flag = MK_RBUTTON; return true;
    default: return false;
    }
}

void resizeEyeBuffers(int width, int height);

// Sends WM_SIZE when the drawable size differs from the last one sent.
void noteSize(HWND window) {
    int w, h;
    drawableSize(window, &w, &h);
    if (w == window->sentWidth && h == window->sentHeight) return;
    window->sentWidth = w;
    window->sentHeight = h;
    if (platform.eyes.active && w > 0 && h > 0) resizeEyeBuffers(w, h);
    queueInput(window, WM_SIZE, w == 0 && h == 0 ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(w, h), 0);
}

// One SDL event to the messages it means.
void translateEvent(const SDL_Event* e) {
    switch (e->type) {
    case SDL_QUIT:
        if (platform.windowInUse && !platform.window.destroyed) queueInput(&platform.window, WM_CLOSE, 0, 0, 0);
        break;
    case SDL_WINDOWEVENT: {
        HWND window = windowOf(e->window.windowID);
        if (!window) break;
        switch (e->window.event) {
        case SDL_WINDOWEVENT_CLOSE: queueInput(window, WM_CLOSE, 0, 0, 0); break;
        case SDL_WINDOWEVENT_EXPOSED: window->invalid = true; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            noteSize(window);
            window->invalid = true;
            break;
        default: break;
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        HWND window = windowOf(e->key.windowID);
        if (!window && platform.windowInUse && !platform.window.destroyed) window = &platform.window;
        WPARAM vk = virtualKey(e->key.keysym.sym);
        if (!window || vk == 0) break;
        LPARAM lParam = 1 | (static_cast<LPARAM>(e->key.keysym.scancode & 0xff) << 16);
        if (e->type == SDL_KEYUP) lParam |= (1l << 30) | (1l << 31);
        else if (e->key.repeat) lParam |= 1l << 30;
        queueInput(window, e->type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, lParam, e->key.keysym.mod);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        HWND window = windowOf(e->button.windowID);
        UINT down, up;
        WPARAM flag;
        if (!window || !buttonMessages(e->button.button, &down, &up, &flag)) break;
        if (e->type == SDL_MOUSEBUTTONDOWN)
            platform.buttons |= flag;
        else
            platform.buttons &= ~flag;
        int x, y;
        toPixels(window, e->button.x, e->button.y, &x, &y);
        Uint16 mods = static_cast<Uint16>(SDL_GetModState());
        queueInput(window, e->type == SDL_MOUSEBUTTONDOWN ? down : up, keyFlags(mods), MAKELPARAM(x, y), mods);
        break;
    }
    case SDL_MOUSEMOTION: {
        HWND window = windowOf(e->motion.windowID);
        if (!window) break;
        int x, y;
        toPixels(window, e->motion.x, e->motion.y, &x, &y);
        Uint16 mods = static_cast<Uint16>(SDL_GetModState());
        queueInput(window, WM_MOUSEMOVE, keyFlags(mods), MAKELPARAM(x, y), mods);
        break;
    }
    default: break;
    }
}

void pumpEvents() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) translateEvent(&e);
}

// ms until the earliest timer is due (0 when one is due), or -1 without timers
Sint64 nextTimerWait(int* which) {
    Sint64 best = -1;
    Uint64 now = SDL_GetTicks64();
    for (int i = 0; i < platform.timerCount; i++) {
        Sint64 wait = platform.timers[i].due > now ? static_cast<Sint64>(platform.timers[i].due - now) : 0;
        if (best < 0 || wait < best) {
            best = wait;
            *which = i;
        }
    }
    return best;
}

// the message box text for display: the icon as a first line, long lines wrapped
std::string displayText(const char* text, UINT flags) {
    const char* icon = (flags & 0xF0) == MB_ICONINFORMATION ? "(i)"
                       : (flags & 0xF0) == MB_ICONEXCLAMATION ? "(!)"
                       : (flags & 0xF0) == MB_ICONHAND ? "(X)" : nullptr;
    std::string out = icon ? std::string(icon) + "\n\n" : std::string();
    const size_t width = 90;
    size_t column = 0, lastBlank = std::string::npos;
    for (const char* p = text; *p; p++) {
        out += *p;
        if (*p == '\n') {
            column = 0;
            lastBlank = std::string::npos;
            continue;
        }
        if (*p == ' ') lastBlank = out.size() - 1;
        if (++column >= width) {
            if (lastBlank != std::string::npos) {
                out[lastBlank] = '\n';
                column = out.size() - 1 - lastBlank;
            } else {
                out += '\n';
                column = 0;
            }
            lastBlank = std::string::npos;
        }
    }
    return out;
}

// --- emulated eye buffers -------------------------------------------------------------

template <typename T>
void loadCall(T* slot, const char* name) {
    *slot = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
}

bool loadFramebufferCalls() {
    FramebufferCalls& f = platform.fb;
    loadCall(&f.genFramebuffers, "glGenFramebuffers");
    loadCall(&f.deleteFramebuffers, "glDeleteFramebuffers");
    loadCall(&f.bindFramebuffer, "glBindFramebuffer");
    loadCall(&f.genRenderbuffers, "glGenRenderbuffers");
    loadCall(&f.deleteRenderbuffers, "glDeleteRenderbuffers");
    loadCall(&f.bindRenderbuffer, "glBindRenderbuffer");
    loadCall(&f.renderbufferStorage, "glRenderbufferStorage");
    loadCall(&f.framebufferRenderbuffer, "glFramebufferRenderbuffer");
    loadCall(&f.checkFramebufferStatus, "glCheckFramebufferStatus");
    loadCall(&f.blitFramebuffer, "glBlitFramebuffer");
    loadCall(&f.drawBuffers, "glDrawBuffers");
    return f.genFramebuffers && f.deleteFramebuffers && f.bindFramebuffer && f.genRenderbuffers &&
           f.deleteRenderbuffers && f.bindRenderbuffer && f.renderbufferStorage && f.framebufferRenderbuffer &&
           f.checkFramebufferStatus && f.blitFramebuffer && f.drawBuffers;
}

void applyDrawBuffer() {
    static const GLenum both[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
    switch (platform.drawBuffer) {
    case GL_BACK_LEFT: platform.fb.drawBuffers(1, &both[0]); break;
    case GL_BACK_RIGHT: platform.fb.drawBuffers(1, &both[1]); break;
    default: platform.fb.drawBuffers(2, both); break;
    }
}

void resizeEyeBuffers(int width, int height) {
    EyeBuffers& eyes = platform.eyes;
    FramebufferCalls& f = platform.fb;
    if (eyes.width == width && eyes.height == height) return;
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
    applyDrawBuffer();
    glReadBuffer(GL_COLOR_ATTACHMENT0);
}

// Starts the emulation on a context without stereo buffers, at the drawable's size.
void startEyeBuffers(HWND window) {
    GLboolean stereo = GL_FALSE;
    glGetBooleanv(GL_STEREO, &stereo);
    if (stereo || platform.eyes.active) return;
    if (!loadFramebufferCalls()) {
        fprintf(stderr, "wglMakeCurrent(): no framebuffer objects: the eyes share one buffer\n");
        return;
    }
    EyeBuffers& eyes = platform.eyes;
    FramebufferCalls& f = platform.fb;
    f.genFramebuffers(1, &eyes.framebuffer);
    f.genRenderbuffers(2, eyes.color);
    f.genRenderbuffers(1, &eyes.depth);
    eyes.active = true;
    eyes.width = eyes.height = -1;
    int w, h;
    SDL_GL_GetDrawableSize(window->sdl, &w, &h);
    resizeEyeBuffers(w > 0 ? w : 1, h > 0 ? h : 1);
}

void stopEyeBuffers() {
    EyeBuffers& eyes = platform.eyes;
    if (!eyes.active) return;
    platform.fb.bindFramebuffer(GL_FRAMEBUFFER, 0);
    platform.fb.deleteFramebuffers(1, &eyes.framebuffer);
    platform.fb.deleteRenderbuffers(2, eyes.color);
    platform.fb.deleteRenderbuffers(1, &eyes.depth);
    eyes = EyeBuffers();
}

}  // namespace

// --- classes and windows ---------------------------------------------------------------

ATOM RegisterClass(const WNDCLASS* windowClass) {
    if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
        fail(ERROR_INVALID_PARAMETER, "RegisterClass", "incomplete class");
        return 0;
    }
    if (!initVideo(windowClass->lpszClassName)) {
        fail(ERROR_NOT_SUPPORTED, "RegisterClass", SDL_GetError());
        return 0;
    }
    for (int i = 0; i < platform.classCount; i++)
        if (strcmp(platform.classNames[i], windowClass->lpszClassName) == 0) {
            fail(ERROR_CLASS_ALREADY_EXISTS, "RegisterClass", "class already registered");
            return 0;
        }
    if (platform.classCount == 4) {
        fail(ERROR_NOT_ENOUGH_MEMORY, "RegisterClass", "too many classes");
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
        fail(ERROR_CLASS_DOES_NOT_EXIST, "CreateWindow", "no such class");
        return nullptr;
    }
    if (platform.windowInUse && !platform.window.destroyed) {
        fail(ERROR_NOT_ENOUGH_MEMORY, "CreateWindow", "one window per program");
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
        fail(ERROR_NOT_SUPPORTED, "CreateWindow", SDL_GetError());
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

    if (send(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        fail(ERROR_NOT_SUPPORTED, "CreateWindow", "WM_CREATE refused the window");
        return nullptr;
    }
    // WM_SIZE follows WM_CREATE inside window creation
    int w, h;
    drawableSize(window, &w, &h);
    window->sentWidth = w;
    window->sentHeight = h;
    send(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
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
    if (window->visible && window->invalid) send(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    if (!window || window->destroyed) {
        platform.lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    send(window, WM_DESTROY, 0, 0);
    for (int i = platform.timerCount - 1; i >= 0; i--)
        if (platform.timers[i].window == window) platform.timers[i] = platform.timers[--platform.timerCount];
    if (platform.capture == window) ReleaseCapture();
    SDL_DestroyWindow(window->sdl);
    window->sdl = nullptr;
    window->destroyed = true;
    window->visible = false;
    return TRUE;
}

// --- the message loop --------------------------------------------------------------------

BOOL GetMessage(MSG* msg, HWND, UINT, UINT) {
    for (;;) {
        if (!platform.posted.empty()) {
            *msg = platform.posted.front();
            platform.posted.pop_front();
            return TRUE;
        }
        if (platform.quitPosted) {
            platform.quitPosted = false;
            *msg = MSG();
            msg->message = WM_QUIT;
            msg->wParam = static_cast<WPARAM>(platform.quitCode);
            return FALSE;
        }
        pumpEvents();
        if (!platform.input.empty()) {
            *msg = platform.input.front().msg;
            platform.keyModifiers = platform.input.front().modifiers;
            platform.input.pop_front();
            return TRUE;
        }
        HWND window = platform.windowInUse ? &platform.window : nullptr;
        if (window && !window->destroyed && window->visible && window->invalid) {
            *msg = MSG();
            msg->hwnd = window;
            msg->message = WM_PAINT;
            return TRUE;
        }
        int which = -1;
        Sint64 wait = nextTimerWait(&which);
        if (wait == 0) {
            Timer& t = platform.timers[which];
            // one message however late; the next is a full period away
            t.due = SDL_GetTicks64() + t.period;
            *msg = MSG();
            msg->hwnd = t.window;
            msg->message = WM_TIMER;
            msg->wParam = t.id;
            return TRUE;
        }
        if (!platform.sdlReady) {
            // nothing can ever arrive
            *msg = MSG();
            msg->message = WM_QUIT;
            return FALSE;
        }
        SDL_Event e;
        int got = wait < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, static_cast<int>(wait));
        if (got) translateEvent(&e);
    }
}

int TranslateAccelerator(HWND window, HACCEL table, MSG* msg) {
    if (!table || !window || msg->message != WM_KEYDOWN) return 0;
    const bool shift = (platform.keyModifiers & KMOD_SHIFT) != 0;
    const bool control = (platform.keyModifiers & KMOD_CTRL) != 0;
    const bool alt = (platform.keyModifiers & KMOD_ALT) != 0;
    for (int i = 0; i < table->count; i++) {
        const ACCEL& a = table->entries[i];
        if (!(a.fVirt & FVIRTKEY) || a.key != msg->wParam) continue;
        if (shift != ((a.fVirt & FSHIFT) != 0) || control != ((a.fVirt & FCONTROL) != 0) ||
            alt != ((a.fVirt & FALT) != 0))
            continue;
        send(window, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg->message != WM_KEYDOWN) return FALSE;
    WPARAM vk = msg->wParam;
    WPARAM ch = 0;
    if (vk >= 'A' && vk <= 'Z')
        ch = (platform.keyModifiers & KMOD_SHIFT) ? vk : vk + ('a' - 'A');
    else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE)
        ch = vk;
    if (!ch) return FALSE;
    PostMessage(msg->hwnd, WM_CHAR, ch, msg->lParam);
    return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg->hwnd || msg->hwnd->destroyed) return 0;
    return send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProc(HWND window, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_PAINT: ValidateRect(window, nullptr); return 0;
    case WM_ERASEBKGND: return 1;
    default: return 0;
    }
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG m = MSG();
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = static_cast<DWORD>(SDL_GetTicks64());
    platform.posted.push_back(m);
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    platform.quitPosted = true;
    platform.quitCode = exitCode;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    if (!window || window->destroyed) return FALSE;
    window->invalid = true;
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*) {
    if (!window || window->destroyed) return FALSE;
    window->invalid = false;
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
    if (!window || window->destroyed) {
        platform.lastError = ERROR_INVALID_WINDOW_HANDLE;
        return FALSE;
    }
    int w, h;
    drawableSize(window, &w, &h);
    rect->left = rect->top = 0;
    rect->right = w;
    rect->bottom = h;
    return TRUE;
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

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void*) {
    if (id == 0) id = 1;
    Uint64 period = milliseconds > 0 ? milliseconds : 1;
    for (int i = 0; i < platform.timerCount; i++)
        if (platform.timers[i].window == window && platform.timers[i].id == id) {
            platform.timers[i].period = period;
            platform.timers[i].due = SDL_GetTicks64() + period;
            return id;
        }
    if (platform.timerCount == 16) {
        platform.lastError = ERROR_NOT_ENOUGH_MEMORY;
        return 0;
    }
    platform.timers[platform.timerCount++] = {window, id, period, SDL_GetTicks64() + period};
    return id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
    for (int i = 0; i < platform.timerCount; i++)
        if (platform.timers[i].window == window && platform.timers[i].id == id) {
            platform.timers[i] = platform.timers[--platform.timerCount];
            return TRUE;
        }
    return FALSE;
}

PlatformMessageBoxRecord platformLastMessageBox;

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    PlatformMessageBoxRecord& r = platformLastMessageBox;
    snprintf(r.text, sizeof r.text, "%s", text ? text : "");
    snprintf(r.caption, sizeof r.caption, "%s", caption ? caption : "");
    r.flags = flags;
    r.count++;
    if (platform.skipMessageBoxes) return IDOK;
    std::string shown = displayText(r.text, flags);
    SDL_MessageBoxButtonData ok = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                   IDOK, "OK"};
    Uint32 kind = (flags & 0xF0) == MB_ICONHAND ? SDL_MESSAGEBOX_ERROR
                  : (flags & 0xF0) == MB_ICONEXCLAMATION ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    SDL_MessageBoxData box = {kind, owner && owner->visible ? owner->sdl : nullptr, r.caption, shown.c_str(), 1, &ok,
                              nullptr};
    int pressed = IDOK;
    if (SDL_ShowMessageBox(&box, &pressed) != 0) {
        // no box can be shown: nothing the program reports may be lost
        fprintf(stderr, "%s: %s%s", r.caption, r.text, r.text[0] && r.text[strlen(r.text) - 1] == '\n' ? "" : "\n");
    }
    return IDOK;
}

HWND GetFocus(void) {
    if (!platform.windowInUse || platform.window.destroyed || !platform.window.sdl) return nullptr;
    return SDL_GetKeyboardFocus() == platform.window.sdl ? &platform.window : nullptr;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, 1024, format, args);
    va_end(args);
    return n < 0 ? 0 : n > 1023 ? 1023 : n;
}

DWORD GetLastError(void) { return platform.lastError; }

HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR name) {
    WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
    for (int i = 0; instance && i < instance->acceleratorTableCount; i++)
        if (instance->acceleratorTables[i].id == id) return &instance->acceleratorTables[i];
    platform.lastError = ERROR_INVALID_PARAMETER;
    return nullptr;
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

// --- device context, pixel format and OpenGL --------------------------------------------

HDC GetDC(HWND window) { return window && !window->destroyed ? window : nullptr; }

int ReleaseDC(HWND, HDC dc) { return dc ? 1 : 0; }

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
    if (platform.failStep == PLATFORM_FAIL_CHOOSE) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "ChoosePixelFormat", "failed on request of a test");
        return 0;
    }
    if (!dc || !request || !(request->dwFlags & PFD_SUPPORT_OPENGL) || request->iPixelType != PFD_TYPE_RGBA) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "ChoosePixelFormat", "no format fits the request");
        return 0;
    }
    // the closest format: stereo only where the display has it
    return (request->dwFlags & PFD_STEREO) && dc->stereoVisual ? 1 : 2;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    if (platform.failStep == PLATFORM_FAIL_SET) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "SetPixelFormat", "failed on request of a test");
        return FALSE;
    }
    if (!dc || (format != 1 && format != 2) || (format == 1 && !dc->stereoVisual) || dc->pixelFormat) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "SetPixelFormat", "format not available for this window");
        return FALSE;
    }
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    if (platform.failStep == PLATFORM_FAIL_CREATE) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "wglCreateContext", "failed on request of a test");
        return nullptr;
    }
    if (!dc || !dc->pixelFormat || platform.contextInUse) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "wglCreateContext", "no pixel format set");
        return nullptr;
    }
    SDL_GLContext gl = SDL_GL_CreateContext(dc->sdl);
    if (!gl) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "wglCreateContext", SDL_GetError());
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
        fail(ERROR_INVALID_PIXEL_FORMAT, "wglMakeCurrent", "failed on request of a test");
        return FALSE;
    }
    if (!context) {
        if (platform.current) stopEyeBuffers();
        SDL_GL_MakeCurrent(dc ? dc->sdl : nullptr, nullptr);
        platform.current = nullptr;
        return TRUE;
    }
    if (!dc || dc->destroyed || SDL_GL_MakeCurrent(dc->sdl, context->gl) != 0) {
        fail(ERROR_INVALID_PIXEL_FORMAT, "wglMakeCurrent", SDL_GetError());
        return FALSE;
    }
    platform.current = context;
    platform.drawBuffer = GL_BACK;
    startEyeBuffers(dc);
    return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
    if (!context || !platform.contextInUse) return FALSE;
    if (platform.current == context) {
        stopEyeBuffers();
        platform.current = nullptr;
    }
    SDL_GL_DeleteContext(context->gl);
    platform.contextInUse = false;
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    if (!dc || dc->destroyed) return FALSE;
    if (platform.current && platform.eyes.active) {
        // a stereo driver on a display that is not in stereo mode shows the left eye
        FramebufferCalls& f = platform.fb;
        EyeBuffers& eyes = platform.eyes;
        glFinish();  // as in PlatformReadEye: the left eye must be complete before it is shown
        f.bindFramebuffer(GL_READ_FRAMEBUFFER, eyes.framebuffer);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        f.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDrawBuffer(GL_BACK);
        f.blitFramebuffer(0, 0, eyes.width, eyes.height, 0, 0, eyes.width, eyes.height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
        SDL_GL_SwapWindow(dc->sdl);
        f.bindFramebuffer(GL_FRAMEBUFFER, eyes.framebuffer);
        applyDrawBuffer();
        return TRUE;
    }
    SDL_GL_SwapWindow(dc->sdl);
    return TRUE;
}

void PlatformDrawBuffer(unsigned int buffer) {
    platform.drawBuffer = buffer;
    if (platform.eyes.active)
        applyDrawBuffer();
    else
        glDrawBuffer(buffer);
}

BOOL PlatformStereoEmulated(void) { return platform.eyes.active; }

BOOL PlatformReadEye(int eye, int* width, int* height, unsigned char** rgba) {
    if (!platform.current) return FALSE;
    int w, h;
    if (platform.eyes.active) {
        w = platform.eyes.width;
        h = platform.eyes.height;
    } else {
        SDL_GL_GetDrawableSize(platform.current->window->sdl, &w, &h);
    }
    unsigned char* pixels = static_cast<unsigned char*>(malloc(static_cast<size_t>(w) * h * 4));
    if (!pixels) return FALSE;
    // Mesa's software renderer defers drawing; reading one colour buffer of several does not
    // always wait for what was drawn into it while another one was selected
    glFinish();
    if (platform.eyes.active)
        glReadBuffer(eye == 0 ? GL_COLOR_ATTACHMENT0 : GL_COLOR_ATTACHMENT1);
    else
        glReadBuffer(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    if (platform.eyes.active) glReadBuffer(GL_COLOR_ATTACHMENT0);
    *width = w;
    *height = h;
    *rgba = pixels;
    return TRUE;
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
    int status = WinMain(instance, nullptr, &tail[0], SW_SHOWDEFAULT);
    if (platform.sdlReady) SDL_Quit();
    return status;
}
