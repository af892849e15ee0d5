// platform_dialog.cpp: message boxes, formatting into a buffer and the last error.
//
// What is emulated, and how faithfully:
//  [x] MessageBox: SDL's modal box with one OK button (Return and Esc close it). SDL's box
//      draws no icons, so the icon of the flags is shown as a first line, "(X)", "(!)" or
//      "(i)"; long lines are wrapped for display only. When no box can be shown, the
//      caption and the text go to the standard error stream. A termination signal while
//      a box is open closes the box and then reaches the program as it would without one.
//  [x] GetFocus: the window while it has the keyboard focus, else null.
//  [x] wsprintfA writes at most 1024 characters including the terminator; GetLastError
//      gives Win32-style codes, and each failing call writes SDL's reason to stderr.
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include "shell/platform_internal.h"

namespace {

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

// SDL shows its box from a child process and waits for it; a termination signal meanwhile
// would wait for the user too. This handler ends the box's process instead (the only child
// of the thread that shows a box), so that the box returns at once, and keeps the signal.
volatile sig_atomic_t terminationSignal = 0;
char boxChildren[64];

void closeBoxOnSignal(int signal) {
    terminationSignal = signal;
    int fd = open(boxChildren, O_RDONLY);
    if (fd < 0) return;
    char list[256];
    ssize_t n = read(fd, list, sizeof list);
    close(fd);
    pid_t pid = 0;
    for (ssize_t i = 0; i <= n; i++) {
        if (i < n && list[i] >= '0' && list[i] <= '9') {
            pid = pid * 10 + (list[i] - '0');
        } else {
            if (pid > 0) kill(pid, SIGKILL);
            pid = 0;
        }
    }
}

// Takes a termination signal over while a box is open, unless it is ignored (as under nohup
// or in a background job, where it must stay ignored).
void takeOver(int signal, const struct sigaction* closing, struct sigaction* saved) {
    sigaction(signal, nullptr, saved);
    if (saved->sa_handler != SIG_IGN) sigaction(signal, closing, nullptr);
}

}  // namespace

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
    // while the box is open a termination signal closes it, and reaches the program after
    struct sigaction closing = {}, savedTerm, savedInt;
    closing.sa_handler = closeBoxOnSignal;
    sigemptyset(&closing.sa_mask);
    snprintf(boxChildren, sizeof boxChildren, "/proc/self/task/%ld/children", static_cast<long>(getpid()));
    takeOver(SIGTERM, &closing, &savedTerm);
    takeOver(SIGINT, &closing, &savedInt);
    int shown_ok = SDL_ShowMessageBox(&box, &pressed);
    sigaction(SIGTERM, &savedTerm, nullptr);
    sigaction(SIGINT, &savedInt, nullptr);
    if (terminationSignal) {
        int signal = terminationSignal;
        terminationSignal = 0;
        raise(signal);  // SDL's handler turns it into the quit event, as outside a box
    } else if (shown_ok != 0) {
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
