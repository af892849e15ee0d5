// eye_pictures.h: the shared part of the picture commands: open a program's real window on
// the offscreen driver, draw one stereo frame and write both eyes side by side.
#ifndef TESTS_TOOLS_EYE_PICTURES_H
#define TESTS_TOOLS_EYE_PICTURES_H

#include "shell/platform.h"

// Opens the program's main window as WinMain does (boxes are not shown); null on failure.
HWND OpenProgramWindow(HINSTANCE instance);
// Draws a frame and writes the left and the right eye side by side to path.
bool WriteEyePicture(const char* path);
// Draws a frame in a stereo output (STEREO_*) and writes what the window shows to path.
bool WriteOutputPicture(HWND window, int output, const char* path);

#endif
