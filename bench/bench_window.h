// bench_window.h: the real program's main window for the frame benchmarks: on SDL's offscreen
// driver (no display) or on the display the environment names, no boxes, 800 x 600.
#ifndef BENCH_BENCH_WINDOW_H
#define BENCH_BENCH_WINDOW_H

#include <stdio.h>
#include <stdlib.h>
#include "shell/platform_test.h"
#include "shell/command_line.h"
#include "shell/window.h"

// Opens it as WinMain does, with `model` as Tavrin's file (null for Ondrel); false on failure.
inline bool OpenBenchWindow(HINSTANCE instance, const char* model, bool offscreen = true) {
    if (offscreen) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    PlatformTestSkipMessageBoxes(TRUE);
    PlatformTestAllowHeadless(TRUE);
    PlatformTestDefaultWindowSize(800, 600);
    if (model) snprintf(modelFileName, sizeof modelFileName, "%s", model);
    return RegisterMainClass(instance) && CreateMainWindow(instance, SW_SHOWDEFAULT);
}

#endif
