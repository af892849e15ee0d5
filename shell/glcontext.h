// glcontext.h: the stereo OpenGL context on the window, and the driver report.
#ifndef SHELL_GLCONTEXT_H
#define SHELL_GLCONTEXT_H

#include "shell/platform.h"

extern HDC windowDC;              // the window's device context, from WM_CREATE to WM_DESTROY
extern HGLRC renderContext;       // null until created; current on windowDC afterwards
extern unsigned char stereoAvailable; // GL_STEREO as the driver answers it
extern char reportText[2048];     // the driver report and every error box
extern bool contextReady;         // the whole set-up succeeded

void SetupStereoContext(HWND window);
// Formats the driver report into reportText; true on the maker's driver, else the report
// ends with the warning line.
bool FormatDriverReport(const char* vendor, const char* renderer, const char* version, const char* extensions,
                        bool stereo);
void ReleaseStereoContext(HWND window);
// The pixel format the shell asks for.
extern const PIXELFORMATDESCRIPTOR stereoPixelFormat;

#endif
