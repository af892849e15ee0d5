// platform_internal.h: what the platform's sources share: the records behind the handles,
// the one state record, and the few helpers one concern offers the others. Only the
// platform's own sources include it.
#ifndef SHELL_PLATFORM_INTERNAL_H
#define SHELL_PLATFORM_INTERNAL_H

#include <SDL2/SDL.h>
#include <deque>
#include <mutex>
#include "shell/platform.h"
#include "shell/platform_test.h"

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
    bool fullScreen;
    SDL_Rect windowed;         // position and size before full screen
};
struct PlatformDrop {
    char* file;  // SDL's, freed with SDL_free
};
struct PlatformContext {
    SDL_GLContext gl;
    HWND window;
};

// An input message with the modifier keys held when it happened.
struct PlatformInput {
    MSG msg;
    Uint16 modifiers;
};

struct PlatformTimer {
    HWND window;
    UINT_PTR id;
    Uint64 period;
    Uint64 due;
};

// All platform state but the eye buffers' (eye_buffers.cpp): one record.
struct PlatformState {
    bool sdlReady;
    WNDCLASS classes[4];
    char classNames[4][128];
    int classCount;
    PlatformWindow window;      // the one window a program has
    bool windowInUse;
    std::deque<MSG> posted;     // guarded by postedLock: other threads post too
    std::mutex postedLock;
    SDL_threadID loopThread;    // the thread that runs the message loop
    std::deque<PlatformInput> input;
    bool quitPosted;
    int quitCode;
    PlatformTimer timers[16];
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
};
extern PlatformState platform;

// Sets the last error and writes the failing call and SDL's reason to stderr.
void PlatformFail(DWORD code, const char* call, const char* reason);
// Calls the window procedure of the window's class.
LRESULT PlatformSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The window of an SDL window id, or null.
HWND PlatformWindowOf(Uint32 sdlId);
// The drawable's size in pixels; 0 x 0 while minimised.
void PlatformDrawableSize(HWND window, int* width, int* height);

// The next due time of a timer that was due at `due` and fired at `now`: the first time
// after `now` on its beat of `period`.
Uint64 PlatformTimerNextDue(Uint64 due, Uint64 period, Uint64 now);

// On X11, once SDL's video has started: errors about windows of other programs that went
// away (platform_x11.cpp) no longer end the program.
void PlatformSurviveLostXWindows(void);
// The X screen's size in millimetres, as the server reports it, and in pixels.
bool PlatformXScreenSize(double* widthMm, double* heightMm, int* width, int* height);

#endif
