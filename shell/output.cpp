// output.cpp: the stereo output chosen now.
#include "shell/output.h"

int stereoOutput = STEREO_LEFT_EYE;
bool eyesSwapped = false;
const char* const stereoOutputNames[STEREO_OUTPUT_COUNT] = {
    "quad buffer",    "left eye",         "right eye",          "anaglyph red-cyan",
    "anaglyph green-magenta", "anaglyph amber-blue", "side-by-side", "top-bottom",
    "side-by-side full", "row interlaced", "column interlaced", "checkerboard", "frame packing",
};

int StereoEyeWidth(int width) { return stereoOutput == STEREO_SIDE_BY_SIDE_FULL ? width / 2 : width; }

int StereoEyeHeight(int width, int height) {
    int packed = stereoOutput == STEREO_FRAME_PACKING ? PlatformFramePackedEye(width, height) : 0;
    return packed ? packed : height;
}
