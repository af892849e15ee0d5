// stereo_modes.h: how the two eye pictures reach the window, chosen with F-keys outside table
// 103: F2 and Shift+F2 step through the outputs, F3 swaps the eyes, F6 to F9 set the depth,
// F11 switches full screen, F12 saves stereo pictures, F1 lists every key and mouse action.
// The output and the swap are kept for the next start.
#ifndef SHELL_STEREO_MODES_H
#define SHELL_STEREO_MODES_H

#include "shell/platform.h"

extern int stereoMode;        // STEREO_* of platform.h
extern bool eyesSwapped;      // F3: each eye's picture shown as the other's
extern const char* const stereoModeNames[STEREO_OUTPUT_COUNT];

// The output once the context is there: the remembered one, else quad buffer where the
// context has stereo buffers, else the left eye.
void StartStereoModes(HWND window);
// Sets an output (one that is available) and the eye swap, with the title showing them.
void SetStereoMode(HWND window, int mode, bool swapped);
// F1, F2, Shift+F2, F3, F6 to F9, F11 and F12; false for every other key.
bool OnStereoKey(HWND window, WPARAM key);
// The title names this file from now on (after the first model, for the ones opened later).
void ShowModelName(HWND window, const char* name);
// The depth in the title again (after Enter or a drag), where the keys have shown it.
void ShowStereoDepth(HWND window);
// The width each eye is drawn at: half the window's in side-by-side full, else all of it.
int StereoEyeWidth(int width);

#endif
