// stereo_modes.cpp: the stereo outputs, the keys that choose them, the title and the help box.
#include "shell/stereo_modes.h"
#include <stdio.h>
#include <string.h>
#include <string>
#include "shell/program.h"
#include "shell/stereo.h"

int stereoMode = STEREO_LEFT_EYE;
bool eyesSwapped = false;
const char* const stereoModeNames[STEREO_OUTPUT_COUNT] = {
    "quad buffer",    "left eye",         "right eye",          "anaglyph red-cyan",
    "anaglyph green-magenta", "anaglyph amber-blue", "side-by-side", "top-bottom",
    "side-by-side full", "row interlaced", "column interlaced", "checkerboard",
};

void StartStereoModes(void) {
    stereoMode = PlatformStereoOutputAvailable(STEREO_QUAD_BUFFER) ? STEREO_QUAD_BUFFER : STEREO_LEFT_EYE;
    eyesSwapped = false;
    PlatformSetStereoOutput(stereoMode, FALSE);
}

int StereoEyeWidth(int width) { return stereoMode == STEREO_SIDE_BY_SIDE_FULL ? width / 2 : width; }

void SetStereoMode(HWND window, int mode, bool swapped) {
    bool halfWidth = (stereoMode == STEREO_SIDE_BY_SIDE_FULL) != (mode == STEREO_SIDE_BY_SIDE_FULL);
    stereoMode = mode;
    eyesSwapped = swapped;
    PlatformSetStereoOutput(mode, swapped ? TRUE : FALSE);
    // the eyes' width and aspect follow the output
    if (halfWidth) OnResize(windowWidth, windowHeight);
    char title[256];
    snprintf(title, sizeof title, "%s [%s%s]", programInfo.windowTitle, stereoModeNames[mode],
             swapped ? ", eyes swapped" : "");
    SetWindowText(window, title);
    InvalidateRect(window, nullptr, FALSE);
}

static void stepStereoMode(HWND window, int step) {
    int mode = stereoMode;
    do mode = (mode + step + STEREO_OUTPUT_COUNT) % STEREO_OUTPUT_COUNT;
    while (!PlatformStereoOutputAvailable(mode) && mode != stereoMode);
    SetStereoMode(window, mode, eyesSwapped);
}

static void showKeyHelp(HWND window) {
    std::string text = programInfo.keyHelp;
    text += "F1: this list\n"
            "F2 / Shift+F2: next / previous way of showing the two eyes\n"
            "F3: swap the eyes\n"
            "F11: full screen on and off\n\nShowing the eyes as: ";
    text += stereoModeNames[stereoMode];
    if (eyesSwapped) text += ", eyes swapped";
    text += "\n";
    if (!PlatformStereoOutputAvailable(STEREO_ANAGLYPH_RED_CYAN))
        text += "\nThe anaglyph and interlaced ways need OpenGL 2.0, which this driver does not offer.\n";
    if (!PlatformStereoOutputAvailable(STEREO_QUAD_BUFFER))
        text += "Quad buffer needs a display with stereo buffers, which this one does not offer.\n";
    MessageBox(window, text.c_str(), programInfo.windowTitle, MB_OK | MB_ICONINFORMATION);
}

bool OnStereoKey(HWND window, WPARAM key) {
    switch (key) {
    case VK_F1: showKeyHelp(window); return true;
    case VK_F2: stepStereoMode(window, (GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1); return true;
    case VK_F3: SetStereoMode(window, stereoMode, !eyesSwapped); return true;
    case VK_F11:
        PlatformToggleFullScreen(window);
        InvalidateRect(window, nullptr, FALSE);
        return true;
    default: return false;
    }
}
