// window.h: program entry, the main window and its window procedure.
#ifndef SHELL_WINDOW_H
#define SHELL_WINDOW_H

#include "shell/platform.h"

extern HACCEL acceleratorTable;   // accelerator table 103 of the program
extern char modelFileName[1024];  // the model file to show, copied from the command line

ATOM RegisterMainClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance, int showState);
LRESULT StereoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
