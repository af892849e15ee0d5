// window.cpp: the programs' entry, class and window, message loop and window procedure.
#include "shell/window.h"
#include <stdio.h>
#include <string.h>
#include "shell/command_line.h"
#include "shell/glcontext.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/stereo_keys.h"

// module state of the shell
HACCEL acceleratorTable = nullptr;

ATOM RegisterMainClass(HINSTANCE instance) {
    WNDCLASS wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = StereoWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(instance, MAKEINTRESOURCE(110));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = programInfo.className;
    return RegisterClass(&wc);
}

int CreateMainWindow(HINSTANCE instance, int showState) {
    HWND window = CreateWindow(programInfo.className, programInfo.windowTitle,
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window) return 0;
    ShowWindow(window, showState);
    UpdateWindow(window);
    return 1;
}

int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState) {
    if (programInfo.takesModelFile && !TakeCommandLine(commandLine)) return 1;
    // failures of the window system are reported, not ended in silence with status 0
    if (!previous && !RegisterMainClass(instance)) {
        fprintf(stderr, "%s: can't register the window class \"%s\" (error %lu).\n", programInfo.programName,
                programInfo.className, static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    // Only once the window system has started: its start may fork a helper, and a child forked
    // while another thread holds an allocator's lock can wait for that lock for ever.
    OnProgramStart();
    if (!CreateMainWindow(instance, showState)) {
        fprintf(stderr, "%s: can't create the main window (error %lu).\n", programInfo.programName,
                static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    acceleratorTable = LoadAccelerators(instance, MAKEINTRESOURCE(103));
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (!TranslateAccelerator(msg.hwnd, acceleratorTable, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

LRESULT StereoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetupStereoContext(window);
        StartStereoOutput(window);
        OnProgramCreate(window, contextReady);
        return 0;
    case WM_KEYDOWN:
        // the F-keys of the stereo outputs, outside accelerator table 103
        if (OnProgramKey(window, wParam) || OnStereoKey(window, wParam)) return 0;
        return DefWindowProc(window, message, wParam, lParam);
    case WM_DESTROY:
        ReleaseStereoContext(window);
        PostQuitMessage(0);
        return DefWindowProc(window, message, wParam, lParam);
    case WM_SIZE:
        OnResize(LOWORD(lParam), HIWORD(lParam));
        StereoOutputFollowsSize(window);
        return 0;
    case WM_PAINT:
        // an unfinished frame leaves the window invalid: it goes on once the input waiting
        // is answered
        if (DrawStereoFrame()) {
            SwapBuffers(windowDC);
            ValidateRect(window, nullptr);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == ID_QUIT)
            PostMessage(window, WM_DESTROY, 0, 0);
        else
            OnProgramCommand(window, id);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_TIMER:
        OnProgramTimer(window, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE: {
        int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (!OnProgramMouse(window, message, x, y)) OnStereoMouse(window, message, x, y);
        return 0;
    }
    case WM_DROPFILES:
        OnProgramMessage(window, message, wParam, lParam);
        return 0;
    default:
        if (message >= WM_APP) {
            OnProgramMessage(window, message, wParam, lParam);
            return 0;
        }
        return DefWindowProc(window, message, wParam, lParam);
    }
}
