// window.h: program entry, the main window and its window procedure.
#ifndef SHELL_WINDOW_H
#define SHELL_WINDOW_H

#include "shell/platform.h"

extern HACCEL acceleratorTable;   // accelerator table 103 of the program

ATOM RegisterMainClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance, int showState);
LRESULT StereoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
