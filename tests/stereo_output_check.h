// stereo_output_check.h: every stereo output of a program's real window, against the two eye
// pictures of the same frame. Shared by the shell's and Ondrel's context tests.
#ifndef TESTS_STEREO_OUTPUT_CHECK_H
#define TESTS_STEREO_OUTPUT_CHECK_H

#include "shell/platform.h"

// Draws a frame in each available output, with and without the eyes swapped, and checks the
// composed window pixel by pixel (within 3 levels for the anaglyphs, 1 for squeezed halves).
void ExpectEveryOutputShowsTheEyes(HWND window);

#endif
