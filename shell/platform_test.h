// platform_test.h: hooks of the platform for tests, benchmarks and the picture commands, in
// code only: nothing a user can set reaches them.
#ifndef SHELL_PLATFORM_TEST_H
#define SHELL_PLATFORM_TEST_H

#include "shell/platform.h"

// Make one of the four context set-up steps fail (0 for none).
enum { PLATFORM_FAIL_NONE, PLATFORM_FAIL_CHOOSE, PLATFORM_FAIL_SET, PLATFORM_FAIL_CREATE, PLATFORM_FAIL_MAKE_CURRENT };
void PlatformTestFailStep(int step);
// The last message box asked for: its text, caption and flags (tests read it).
typedef struct PlatformMessageBoxRecord {
    char text[2048];
    char caption[256];
    UINT flags;
    int count;  // boxes asked for since start
} PlatformMessageBoxRecord;
extern PlatformMessageBoxRecord platformLastMessageBox;
// Answer message boxes at once instead of showing them.
void PlatformTestSkipMessageBoxes(BOOL skip);
// Lets the window system run without a display (SDL's offscreen driver), which the
// programs otherwise refuse: a window nobody can see is no window.
void PlatformTestAllowHeadless(BOOL allow);
// The size CW_USEDEFAULT gives (0 x 0: two thirds of the display), for benchmarks.
void PlatformTestDefaultWindowSize(int width, int height);
// The window system's identifier of a window, for tests that push input events.
unsigned int PlatformTestWindowId(HWND window);
// Composes the current frame's eyes into the window's back buffer as the swap would, and
// reads it as rows of RGBA bytes, bottom row first. FALSE without a context.
BOOL PlatformTestReadWindow(int* width, int* height, unsigned char** rgba);

#endif
