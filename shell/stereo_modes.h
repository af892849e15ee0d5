// stereo_modes.h: how the two eye pictures reach the window, chosen with F-keys outside table
// 103: F2 and Shift+F2 step through the outputs, F3 swaps the eyes, F11 switches full screen,
// F1 lists every key and mouse action. Nothing is stored: each start shows the default.
#ifndef SHELL_STEREO_MODES_H
#define SHELL_STEREO_MODES_H

#include "shell/platform.h"

extern int stereoMode;        // STEREO_* of platform.h
extern bool eyesSwapped;      // F3: each eye's picture shown as the other's
extern const char* const stereoModeNames[STEREO_OUTPUT_COUNT];

// The default output once the context is there: quad buffer where the context has stereo
// buffers, else the left eye.
void StartStereoModes(void);
// Sets an output (one that is available) and the eye swap, with the title showing them.
void SetStereoMode(HWND window, int mode, bool swapped);
// F1, F2, Shift+F2, F3 and F11; false for every other key.
bool OnStereoKey(HWND window, WPARAM key);
// The width each eye is drawn at: half the window's in side-by-side full, else all of it.
int StereoEyeWidth(int width);

#endif
