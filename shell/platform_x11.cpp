// platform_x11.cpp: what the platform asks of Xlib itself, apart from SDL (whose types clash
// with Xlib's, so this file includes no other header of the platform).
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

XErrorHandler previousXErrors = nullptr;

// A window that went away while it was spoken to (the source of a drop that gave up waiting
// while a box held the loop) is no reason to end the program; every other error goes on to
// the handler before, which ends it.
int onXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow &&
        (error->request_code == X_SendEvent || error->request_code == X_GetProperty || error->request_code == X_ChangeProperty))
        return 0;
    return previousXErrors ? previousXErrors(display, error) : 0;
}

}  // namespace

bool PlatformXScreenSize(double* widthMm, double* heightMm, int* width, int* height) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const int screen = DefaultScreen(display);
    *widthMm = DisplayWidthMM(display, screen);
    *heightMm = DisplayHeightMM(display, screen);
    *width = DisplayWidth(display, screen);
    *height = DisplayHeight(display, screen);
    XCloseDisplay(display);
    return *widthMm > 0 && *heightMm > 0 && *width > 0 && *height > 0;
}

void PlatformSurviveLostXWindows(void) {
    if (!previousXErrors) previousXErrors = XSetErrorHandler(onXError);
}
