// stereo_modes.cpp: the stereo outputs, the keys that choose them, the title and the help box.
#include "shell/stereo_modes.h"
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include "shell/program.h"
#include "shell/settings.h"
#include "shell/snapshot.h"
#include "shell/stereo.h"

int stereoMode = STEREO_LEFT_EYE;
bool eyesSwapped = false;
// the parallax budget: about 3% of the width behind and in front of the screen
static const double comfortableParallax = 0.03;
const char* const stereoModeNames[STEREO_OUTPUT_COUNT] = {
    "quad buffer",    "left eye",         "right eye",          "anaglyph red-cyan",
    "anaglyph green-magenta", "anaglyph amber-blue", "side-by-side", "top-bottom",
    "side-by-side full", "row interlaced", "column interlaced", "checkerboard",
};

namespace {

bool outputChosen = false;  // the user chose an output, or one was remembered
bool depthShown = false;    // the user set the depth from the keyboard
std::string modelShown;     // the file name the title shows, once the user opened another

// The title names what the user asked for: the output, and the depth once it was set.
void updateTitle(HWND window) {
    std::string title = programInfo.windowTitle;
    if (!modelShown.empty()) title += " - " + modelShown;
    if (outputChosen) title += std::string(" [") + stereoModeNames[stereoMode] + (eyesSwapped ? ", eyes swapped" : "") + "]";
    if (depthShown) {
        double front, back, plane = ZeroParallaxDistance();
        StereoParallaxRange(ProgramSceneRadius(), &front, &back);
        char depth[200];
        if (plane == HUGE_VAL)
            snprintf(depth, sizeof depth, " separation %.4f, zero parallax at infinity", eyeSeparation);
        else
            snprintf(depth, sizeof depth, " separation %.4f, zero parallax at %.2f (the scene at %.2f)", eyeSeparation, plane,
                     -programInfo.projection.sceneDistance);
        title += depth;
        snprintf(depth, sizeof depth, ", parallax %+.1f%% to %+.1f%% of the width", 100 * front, 100 * back);
        title += depth;
        if (front < -comfortableParallax || back > comfortableParallax) title += ": beyond the comfortable 3%";
    }
    SetWindowText(window, title.c_str());
}

}  // namespace

void StartStereoModes(HWND window) {
    stereoMode = PlatformStereoOutputAvailable(STEREO_QUAD_BUFFER) ? STEREO_QUAD_BUFFER : STEREO_LEFT_EYE;
    eyesSwapped = false;
    outputChosen = depthShown = false;
    int remembered;
    bool swapped;
    if (LoadStereoSettings(&remembered, &swapped) && (remembered != stereoMode || swapped)) {
        SetStereoMode(window, remembered, swapped);
        return;
    }
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
    outputChosen = true;
    updateTitle(window);
    InvalidateRect(window, nullptr, FALSE);
}

// A new output or swap, kept for the next start.
static void chooseStereoMode(HWND window, int mode, bool swapped) {
    SetStereoMode(window, mode, swapped);
    SaveStereoSettings(mode, swapped);
}

static void stepStereoMode(HWND window, int step) {
    int mode = stereoMode;
    do mode = (mode + step + STEREO_OUTPUT_COUNT) % STEREO_OUTPUT_COUNT;
    while (!PlatformStereoOutputAvailable(mode) && mode != stereoMode);
    chooseStereoMode(window, mode, eyesSwapped);
}

// F6 to F9: the depth, shown in the title.
static void stepDepth(HWND window, int separation, int plane) {
    if (separation) StepEyeSeparation(window, separation);
    if (plane) StepZeroParallax(window, plane);
    depthShown = true;
    updateTitle(window);
}

void ShowModelName(HWND window, const char* name) {
    modelShown = name;
    updateTitle(window);
}

void ShowStereoDepth(HWND window) {
    if (depthShown) updateTitle(window);
}

static void showKeyHelp(HWND window) {
    std::string text = programInfo.keyHelp;
    text += "F1: this list\n"
            "F2 / Shift+F2: next / previous way of showing the two eyes\n"
            "F3: swap the eyes\n"
            "F6 / F7: eye separation smaller / larger\n"
            "F8 / F9: zero-parallax plane nearer / farther\n"
            "F11: full screen on and off\n"
            "F12: save the frame as stereo pictures (JPS and MPO) in ";
    text += PicturesFolder();
    text += "\n\nThe way of showing the eyes is kept in " + StereoSettingsPath() + "\nShowing the eyes as: ";
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
    case VK_F3: chooseStereoMode(window, stereoMode, !eyesSwapped); return true;
    case VK_F6: stepDepth(window, -1, 0); return true;
    case VK_F7: stepDepth(window, 1, 0); return true;
    case VK_F8: stepDepth(window, 0, -1); return true;
    case VK_F9: stepDepth(window, 0, 1); return true;
    case VK_F12: SaveStereoSnapshot(window); return true;
    case VK_F11:
        PlatformToggleFullScreen(window);
        InvalidateRect(window, nullptr, FALSE);
        return true;
    default: return false;
    }
}
