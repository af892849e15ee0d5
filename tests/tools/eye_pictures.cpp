// eye_pictures.cpp: drawing a real frame and writing both eyes into one PNG.
#include "tests/tools/eye_pictures.h"
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "shell/glcontext.h"
#include "shell/platform_test.h"
#include "shell/stereo.h"
#include "shell/output.h"
#include "shell/stereo_keys.h"
#include "shell/window.h"
#include "resources/png_writer.h"

HWND OpenProgramWindow(HINSTANCE instance) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    PlatformTestSkipMessageBoxes(TRUE);
    PlatformTestAllowHeadless(TRUE);
    if (!RegisterMainClass(instance) || !CreateMainWindow(instance, SW_SHOWDEFAULT)) return nullptr;
    return windowDC;
}

bool WriteEyePicture(const char* path) {
    DrawStereoFrame();
    int w[2], h[2];
    unsigned char* eye[2] = {nullptr, nullptr};
    if (!PlatformReadEye(0, &w[0], &h[0], &eye[0]) || !PlatformReadEye(1, &w[1], &h[1], &eye[1])) return false;
    // left eye on the left, a thin grey gap, right eye on the right
    const int gap = 8, width = w[0] * 2 + gap, height = h[0];
    std::vector<unsigned char> both(static_cast<size_t>(width) * height * 4, 96);
    for (int y = 0; y < height; y++)
        for (int e = 0; e < 2; e++)
            memcpy(&both[(static_cast<size_t>(y) * width + e * (w[0] + gap)) * 4], eye[e] + static_cast<size_t>(y) * w[0] * 4,
                   static_cast<size_t>(w[0]) * 4);
    for (size_t i = 3; i < both.size(); i += 4) both[i] = 255;
    free(eye[0]);
    free(eye[1]);
    return WritePng(path, width, height, both.data());
}

bool WriteOutputPicture(HWND window, int output, const char* path) {
    if (!PlatformStereoOutputAvailable(output)) return false;
    SetStereoOutput(window, output, false);
    DrawStereoFrame();
    int w, h;
    unsigned char* rgba = nullptr;
    if (!PlatformTestReadWindow(&w, &h, &rgba)) return false;
    for (size_t i = 3; i < static_cast<size_t>(w) * h * 4; i += 4) rgba[i] = 255;
    bool written = WritePng(path, w, h, rgba);
    free(rgba);
    return written;
}
