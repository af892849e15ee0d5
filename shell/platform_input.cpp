// platform_input.cpp: input translation, the message queue and loop, timers and accelerators.
//
// What is emulated, and how faithfully:
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
//  [x] PostMessage from any thread (the loop is woken with an SDL user event).
//  [x] WM_DROPFILES: one message a dropped file, where DragAcceptFiles turned drops on.
//  [ ] WM_CHAR for anything but ASCII keys.
#include <string.h>
#include "shell/eye_buffers.h"
#include "shell/platform_internal.h"

namespace {

// window coordinates to drawable pixels (they differ on high-DPI displays)
void toPixels(HWND window, int x, int y, int* px, int* py) {
    int ww, wh, dw, dh;
    SDL_GetWindowSize(window->sdl, &ww, &wh);
    SDL_GL_GetDrawableSize(window->sdl, &dw, &dh);
    *px = ww > 0 ? static_cast<int>(static_cast<long long>(x) * dw / ww) : x;
    *py = wh > 0 ? static_cast<int>(static_cast<long long>(y) * dh / wh) : y;
}

void queueInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Uint16 modifiers) {
    PlatformInput m;
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

// SDL keys to virtual keys; 0 for keys the programs never see. Digits and letters go by
// their position on the keyboard, as Win32's virtual keys do on a US layout, so that the
// same keys work on every layout; keypad digits have virtual keys of their own.
WPARAM virtualKey(const SDL_Keysym& k) {
    SDL_Scancode sc = k.scancode;
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc == SDL_SCANCODE_0) return '0';
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD1 + (sc - SDL_SCANCODE_KP_1);
    if (sc == SDL_SCANCODE_KP_0) return VK_NUMPAD0;
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    // an event without a position (made by a program, not a keyboard) goes by its key
    if (sc == SDL_SCANCODE_UNKNOWN && k.sym >= SDLK_a && k.sym <= SDLK_z) return 'A' + (k.sym - SDLK_a);
    if (sc == SDL_SCANCODE_UNKNOWN && k.sym >= SDLK_0 && k.sym <= SDLK_9) return '0' + (k.sym - SDLK_0);
    switch (k.sym) {
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

// Sends WM_SIZE when the drawable size differs from the last one sent; true when it did.
bool noteSize(HWND window) {
    int w, h;
    PlatformDrawableSize(window, &w, &h);
    if (w == window->sentWidth && h == window->sentHeight) return false;
    window->sentWidth = w;
    window->sentHeight = h;
    EyeBuffersResize(w, h);
    queueInput(window, WM_SIZE, w == 0 && h == 0 ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(w, h), 0);
    return true;
}

// One SDL event to the messages it means.
void translateEvent(const SDL_Event* e) {
    switch (e->type) {
    case SDL_QUIT:
        if (platform.windowInUse && !platform.window.destroyed) queueInput(&platform.window, WM_CLOSE, 0, 0, 0);
        break;
    case SDL_WINDOWEVENT: {
        HWND window = PlatformWindowOf(e->window.windowID);
        if (!window) break;
        switch (e->window.event) {
        case SDL_WINDOWEVENT_CLOSE: queueInput(window, WM_CLOSE, 0, 0, 0); break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_MOVED:  // the interlaced outputs follow the screen's rows
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_MINIMIZED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED: window->invalid = true; break;
        default: break;
        }
        // the drawable can change size while the window keeps its own (a new display scale,
        // a move to another display): every window event looks
        if (e->window.event != SDL_WINDOWEVENT_CLOSE && noteSize(window)) window->invalid = true;
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        HWND window = PlatformWindowOf(e->key.windowID);
        if (!window && platform.windowInUse && !platform.window.destroyed) window = &platform.window;
        WPARAM vk = virtualKey(e->key.keysym);
        if (!window || vk == 0) break;
        LPARAM lParam = 1 | (static_cast<LPARAM>(e->key.keysym.scancode & 0xff) << 16);
        if (e->type == SDL_KEYUP) lParam |= (1l << 30) | (1l << 31);
        else if (e->key.repeat) lParam |= 1l << 30;
        queueInput(window, e->type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, lParam, e->key.keysym.mod);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        HWND window = PlatformWindowOf(e->button.windowID);
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
    case SDL_DROPFILE: {
        // one message a file; a drop without a window goes to the program's one window
        HWND window = PlatformWindowOf(e->drop.windowID);
        if (!window && platform.windowInUse && !platform.window.destroyed) window = &platform.window;
        if (!window) {
            SDL_free(e->drop.file);
            break;
        }
        queueInput(window, WM_DROPFILES, reinterpret_cast<WPARAM>(new PlatformDrop{e->drop.file}), 0, 0);
        break;
    }
    case SDL_MOUSEMOTION: {
        HWND window = PlatformWindowOf(e->motion.windowID);
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

}  // namespace

BOOL GetMessage(MSG* msg, HWND, UINT, UINT) {
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(platform.postedLock);
            if (!platform.posted.empty()) {
                *msg = platform.posted.front();
                platform.posted.pop_front();
                return TRUE;
            }
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
            PlatformTimer& t = platform.timers[which];
            t.due = PlatformTimerNextDue(t.due, t.period, SDL_GetTicks64());
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

Uint64 PlatformTimerNextDue(Uint64 due, Uint64 period, Uint64 now) {
    // on the timer's own beat, so that late messages do not make it drift; the periods
    // missed meanwhile give no messages of their own
    Uint64 next = due + period;
    if (next <= now) next += ((now - next) / period + 1) * period;
    return next;
}

short GetKeyState(int key) {
    Uint16 mask = key == VK_SHIFT ? KMOD_SHIFT : key == VK_CONTROL ? KMOD_CTRL : key == VK_MENU ? KMOD_ALT : 0;
    return (platform.keyModifiers & mask) ? static_cast<short>(0x8000) : 0;
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
        PlatformSend(window, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
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
    return PlatformSend(msg->hwnd, msg->message, msg->wParam, msg->lParam);
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
    {
        std::lock_guard<std::mutex> hold(platform.postedLock);
        platform.posted.push_back(m);
    }
    if (platform.sdlReady && SDL_ThreadID() != platform.loopThread) {
        // wakes a loop that waits for events; the event itself means nothing
        SDL_Event wake = {};
        wake.type = SDL_USEREVENT;
        SDL_PushEvent(&wake);
    }
    return TRUE;
}

void DragAcceptFiles(HWND, BOOL accept) { SDL_EventState(SDL_DROPFILE, accept ? SDL_ENABLE : SDL_DISABLE); }

UINT DragQueryFile(HDROP drop, UINT index, LPSTR file, UINT size) {
    if (index == 0xFFFFFFFFu) return 1;
    if (index != 0) return 0;
    UINT length = static_cast<UINT>(strlen(drop->file));
    if (file && size > 0) {
        UINT n = length < size - 1 ? length : size - 1;
        memcpy(file, drop->file, n);
        file[n] = '\0';
        return n;
    }
    return length;
}

void DragFinish(HDROP drop) {
    SDL_free(drop->file);
    delete drop;
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

HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR name) {
    WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
    for (int i = 0; instance && i < instance->acceleratorTableCount; i++)
        if (instance->acceleratorTables[i].id == id) return &instance->acceleratorTables[i];
    platform.lastError = ERROR_INVALID_PARAMETER;
    return nullptr;
}

