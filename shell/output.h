// output.h: the stereo output: how the two eye pictures reach the window (STEREO_* of
// platform.h), whether the eyes are swapped, and the width each eye is drawn at.
#ifndef SHELL_OUTPUT_H
#define SHELL_OUTPUT_H

#include "shell/platform.h"

extern int stereoOutput;      // STEREO_* of platform.h
extern bool eyesSwapped;      // each eye's picture shown as the other's
extern const char* const stereoOutputNames[STEREO_OUTPUT_COUNT];

// The width each eye is drawn at: half the window's in side-by-side full, else all of it; and
// the height: an eye's rows in frame packing, else all of it.
int StereoEyeWidth(int width);
int StereoEyeHeight(int width, int height);

#endif
