// stereo_keys.h: the keys outside table 103: F2 and Shift+F2 step through the outputs, F3
// swaps the eyes, F6 to F9 set the depth, F11 switches full screen, F12 saves stereo pictures,
// F1 lists every key and mouse action; and the title, which shows what the user chose. The
// output and the swap are kept for the next start.
#ifndef SHELL_STEREO_KEYS_H
#define SHELL_STEREO_KEYS_H

#include "shell/platform.h"

// The output once the context is there: the remembered one, else quad buffer where the
// context has stereo buffers, else the left eye.
void StartStereoOutput(HWND window);
// Sets an output (one that is available) and the eye swap, with the title showing them.
void SetStereoOutput(HWND window, int output, bool swapped);
// F1, F2, Shift+F2, F3, F6 to F9, F11 and F12; false for every other key.
bool OnStereoKey(HWND window, WPARAM key);
// The title names this file from now on (after the first model, for the ones opened later).
void ShowModelName(HWND window, const char* name);
// Keeps the settings as they stand (the output wanted, frame packing also while it waits for
// a window of its size, the swap and the light) for the next start.
void KeepSettings(void);
// Adds the program's own words to the title (" [studio light]"), after the output's.
void ShowProgramNote(HWND window, const char* note);
// The depth in the title again (after Enter or a drag), where the keys have shown it.
void ShowStereoDepth(HWND window);
// After a resize: frame packing, chosen or remembered, comes on at a window of its size and
// gives way to the usual output at any other.
void StereoOutputFollowsSize(HWND window);
// Enter: both stereo parameters back to their start values.
void ResetEyes(HWND window);

#endif
