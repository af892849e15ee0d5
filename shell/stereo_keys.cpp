// stereo_keys.cpp: the keys outside table 103 that choose the output and set the depth, Enter's
// reset, F12's pictures, the title that shows what the user chose, and the help box.
#include "shell/stereo_keys.h"
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "shell/command_line.h"
#include "shell/folders.h"
#include "shell/output.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "shell/snapshot.h"
#include "shell/stereo.h"

namespace {

// the comfortable depth: 1 degree of disparity either way (past what the title shows as 1.00)
const double comfortableDegrees = 1.005;

bool outputChosen = false;  // the user chose an output, or one was remembered
bool packingWanted = false; // frame packing was chosen or remembered, for a window of its size
bool depthShown = false;    // the user set the depth from the keyboard
std::string modelShown;     // the file name the title shows, once the user opened another
std::string programNote;    // what the program adds to the title, once the user asked for it

// An eye's picture and the screen, in millimetres, as the viewer sees them: an eye's columns
// across the screen (a television stretches a squeezed half), and its rows; whether the
// display said its size.
bool screenGeometry(double* eyeWidthMm, double* eyeHeightMm, double* screenWidthMm) {
    double widthMm, heightMm;
    int width, height;
    bool known = PlatformScreenSize(&widthMm, &heightMm, &width, &height) != FALSE;
    *eyeWidthMm = StereoEyeWidth(windowWidth) * widthMm / width;
    *eyeHeightMm = StereoEyeHeight(windowWidth, windowHeight) * heightMm / height;
    *screenWidthMm = widthMm;
    return known;
}

// The title names what the user asked for: the output, and the depth once it was set.
void updateTitle(HWND window) {
    std::string title = programInfo.windowTitle;
    if (!modelShown.empty()) title += " - " + modelShown;
    if (outputChosen) title += std::string(" [") + stereoOutputNames[stereoOutput] + (eyesSwapped ? ", eyes swapped" : "") + "]";
    title += programNote;
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
        double eyeWidthMm, eyeHeightMm, screenWidthMm;
        bool known = screenGeometry(&eyeWidthMm, &eyeHeightMm, &screenWidthMm);
        ScreenDepth d = StereoScreenDepth(front, back, eyeWidthMm, eyeHeightMm, screenWidthMm);
        snprintf(depth, sizeof depth, ", parallax %+.1f%% to %+.1f%% of the width, %+.1f to %+.1f mm, %+.2f\u00b0 to %+.2f\u00b0%s",
                 100 * front, 100 * back, d.frontMm, d.backMm, d.frontDegrees, d.backDegrees, known ? "" : " (size assumed)");
        title += depth;
        if (d.backMm > eyesApartMm + 0.05)
            title += ": the eyes would diverge";
        else if (d.frontDegrees < -comfortableDegrees || d.backDegrees > comfortableDegrees)
            title += ": beyond the comfortable 1\u00b0";
    }
    SetWindowText(window, title.c_str());
}

}  // namespace

void StartStereoOutput(HWND window) {
    stereoOutput = PlatformStereoOutputAvailable(STEREO_QUAD_BUFFER) ? STEREO_QUAD_BUFFER : STEREO_LEFT_EYE;
    eyesSwapped = false;
    outputChosen = depthShown = false;
    packingWanted = false;
    int remembered;
    bool swapped;
    if (LoadStereoSettings(&remembered, &swapped) && (remembered != stereoOutput || swapped)) {
        // frame packing waits, without a word, for a window of its size
        packingWanted = remembered == STEREO_FRAME_PACKING;
        if (!packingWanted || PlatformStereoOutputAvailable(remembered)) return SetStereoOutput(window, remembered, swapped);
        eyesSwapped = swapped;
    }
    PlatformSetStereoOutput(stereoOutput, eyesSwapped ? TRUE : FALSE);
}

void StereoOutputFollowsSize(HWND window) {
    const bool fits = PlatformStereoOutputAvailable(STEREO_FRAME_PACKING) != FALSE;
    if (packingWanted && fits && stereoOutput != STEREO_FRAME_PACKING)
        SetStereoOutput(window, STEREO_FRAME_PACKING, eyesSwapped);
    else if (stereoOutput == STEREO_FRAME_PACKING && !fits)
        SetStereoOutput(window, PlatformStereoOutputAvailable(STEREO_QUAD_BUFFER) ? STEREO_QUAD_BUFFER : STEREO_LEFT_EYE, eyesSwapped);
}

void SetStereoOutput(HWND window, int output, bool swapped) {
    const int width = StereoEyeWidth(windowWidth), height = StereoEyeHeight(windowWidth, windowHeight);
    stereoOutput = output;
    eyesSwapped = swapped;
    PlatformSetStereoOutput(output, swapped ? TRUE : FALSE);
    // the eyes' size and aspect follow the output
    if (width != StereoEyeWidth(windowWidth) || height != StereoEyeHeight(windowWidth, windowHeight))
        OnResize(windowWidth, windowHeight);
    outputChosen = true;
    updateTitle(window);
    InvalidateRect(window, nullptr, FALSE);
}

namespace {

// A new output or swap, kept for the next start.
void chooseOutput(HWND window, int output, bool swapped) {
    packingWanted = output == STEREO_FRAME_PACKING;
    SetStereoOutput(window, output, swapped);
    SaveStereoSettings(output, swapped);
}

void stepOutput(HWND window, int step) {
    int output = stereoOutput;
    do output = (output + step + STEREO_OUTPUT_COUNT) % STEREO_OUTPUT_COUNT;
    while (!PlatformStereoOutputAvailable(output) && output != stereoOutput);
    chooseOutput(window, output, eyesSwapped);
}

// F6 to F9: the depth, shown in the title.
void stepDepth(HWND window, int separation, int plane) {
    if (separation) StepEyeSeparation(window, separation);
    if (plane) StepZeroParallax(window, plane);
    depthShown = true;
    updateTitle(window);
}

// F10: a comfortable depth for this scene on this screen.
void comfortableDepth(HWND window) {
    double eyeWidthMm, eyeHeightMm, screenWidthMm;
    screenGeometry(&eyeWidthMm, &eyeHeightMm, &screenWidthMm);
    ComfortableDepth(ProgramSceneRadius(), eyeWidthMm, eyeHeightMm, screenWidthMm);
    depthShown = true;
    updateTitle(window);
    InvalidateRect(window, nullptr, FALSE);
}

}  // namespace

void ShowModelName(HWND window, const char* name) {
    modelShown = name;
    updateTitle(window);
}

void KeepSettings(void) { SaveStereoSettings(packingWanted ? STEREO_FRAME_PACKING : stereoOutput, eyesSwapped); }

void ShowProgramNote(HWND window, const char* note) {
    programNote = note;
    updateTitle(window);
}

void ShowStereoDepth(HWND window) {
    if (depthShown) updateTitle(window);
}

void ResetEyes(HWND window) {
    ResetStereoParameters();
    ShowStereoDepth(window);
    InvalidateRect(window, nullptr, FALSE);
}

namespace {

// F12: the frame drawn again, to its end, and both eyes read, as stereo pictures.
void saveSnapshot(HWND window) {
    while (!DrawStereoFrame()) {
    }
    unsigned char* eyes[2] = {nullptr, nullptr};
    int width = 0, height = 0, otherWidth = 0, otherHeight = 0;
    bool read = PlatformReadEye(0, &width, &height, &eyes[0]) && PlatformReadEye(1, &otherWidth, &otherHeight, &eyes[1]);
    SaveStereoSnapshot(window, programInfo.takesModelFile ? ShownModelFile() : nullptr, read ? eyes[0] : nullptr,
                       read ? eyes[1] : nullptr, width, height);
    free(eyes[0]);
    free(eyes[1]);
}

void showKeyHelp(HWND window) {
    std::string text = programInfo.keyHelp;
    text += "F1: this list\n"
            "F2 / Shift+F2: next / previous way of showing the two eyes\n"
            "F3: swap the eyes\n"
            "F6 / F7: eye separation smaller / larger\n"
            "F8 / F9: zero-parallax plane nearer / farther\n"
            "F10: a comfortable depth for this scene on this screen\n"
            "F11: full screen on and off\n"
            "F12: save the frame as stereo pictures (JPS and MPO) in ";
    text += PicturesFolder();
    text += "\n\nThe way of showing the eyes is kept in " + StereoSettingsPath() + "\nShowing the eyes as: ";
    text += stereoOutputNames[stereoOutput];
    if (eyesSwapped) text += ", eyes swapped";
    text += "\n";
    if (!PlatformStereoOutputAvailable(STEREO_ANAGLYPH_RED_CYAN))
        text += "\nThe anaglyph and interlaced ways need OpenGL 2.0, which this driver does not offer.\n";
    if (!PlatformStereoOutputAvailable(STEREO_QUAD_BUFFER))
        text += "Quad buffer needs a display with stereo buffers, which this one does not offer.\n";
    if (!PlatformStereoOutputAvailable(STEREO_FRAME_PACKING))
        text += "Frame packing needs a frame-packing mode full screen (1920 x 2205 or 1280 x 1470: the TV's 3D mode, then F11).\n";
    MessageBox(window, text.c_str(), programInfo.windowTitle, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

bool OnStereoKey(HWND window, WPARAM key) {
    switch (key) {
    case VK_F1: showKeyHelp(window); return true;
    case VK_F2: stepOutput(window, (GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1); return true;
    case VK_F3: chooseOutput(window, stereoOutput, !eyesSwapped); return true;
    case VK_F6: stepDepth(window, -1, 0); return true;
    case VK_F7: stepDepth(window, 1, 0); return true;
    case VK_F8: stepDepth(window, 0, -1); return true;
    case VK_F9: stepDepth(window, 0, 1); return true;
    case VK_F10: comfortableDepth(window); return true;
    case VK_F12: saveSnapshot(window); return true;
    case VK_F11:
        PlatformToggleFullScreen(window);
        InvalidateRect(window, nullptr, FALSE);
        return true;
    default: return false;
    }
}
