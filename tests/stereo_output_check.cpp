// stereo_output_check.cpp: the window's picture in each stereo output, computed here from the
// two eye pictures and compared with what the platform composed.
#include "tests/stereo_output_check.h"
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "shell/platform_test.h"
#include "tests/gl_test_env.h"
#include "shell/stereo.h"
#include "shell/output.h"
#include "shell/stereo_keys.h"

namespace {

using Picture = EyePicture;

Picture Take(bool window, int eye) { return window ? ReadWindowPicture() : ReadEyePicture(eye); }

double Decode(double c) { return c <= 0.04045 ? c / 12.92 : pow((c + 0.055) / 1.055, 2.4); }
double Encode(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * pow(c, 1 / 2.4) - 0.055; }

// the anaglyph matrices by rows, left then right: red-cyan, green-magenta, amber-blue
const double kMatrices[3][2][9] = {
    {{0.437, 0.449, 0.164, -0.062, -0.062, -0.024, -0.048, -0.050, -0.017},
     {-0.011, -0.032, -0.007, 0.377, 0.761, 0.009, -0.026, -0.093, 1.234}},
    {{-0.062, -0.158, -0.039, 0.284, 0.668, 0.143, -0.015, -0.027, 0.021},
     {0.529, 0.705, 0.024, -0.016, -0.015, -0.065, 0.009, 0.075, 0.937}},
    {{1.062, -0.205, 0.299, -0.026, 0.908, 0.068, -0.038, -0.173, 0.022},
     {-0.016, -0.123, -0.017, 0.006, 0.062, -0.017, 0.094, 0.185, 0.911}},
};

// The window pixel (x, y) as the output should make it from the eyes shown left (a) and
// right (b); screen position (sx, sy) of the window's top-left pixel.
void Expected(int mode, const Picture& a, const Picture& b, int x, int y, int sx, int sy, double* out) {
    const int w = a.width, h = a.height;
    const unsigned char* p = nullptr;
    switch (mode) {
    case STEREO_LEFT_EYE: p = a.at(x, y); break;
    case STEREO_RIGHT_EYE: p = b.at(x, y); break;
    case STEREO_SIDE_BY_SIDE:
    case STEREO_TOP_BOTTOM: {
        // each eye in an equal half (an odd last column or row black), filtered in linear
        // light between the two texels about the half's pixel centre; the left eye on the
        // left, or on top (the higher rows, counted from the bottom)
        const bool across = mode == STEREO_SIDE_BY_SIDE;
        const int size = across ? w : h, half = size / 2, at = across ? x : y;
        if (at >= 2 * half) {
            out[0] = out[1] = out[2] = 0;
            return;
        }
        const bool second = at >= half;
        const Picture& eye = across != second ? a : b;
        double s = ((second ? at - half : at) + 0.5) * size / half - 0.5;
        int i = static_cast<int>(floor(s)), j = i + 1 < size ? i + 1 : size - 1;
        double f = s - i;
        p = across ? eye.at(i, y) : eye.at(x, i);
        const unsigned char* q = across ? eye.at(j, y) : eye.at(x, j);
        for (int c = 0; c < 3; c++) out[c] = Encode((1 - f) * Decode(p[c] / 255.0) + f * Decode(q[c] / 255.0)) * 255;
        return;
    }
    case STEREO_SIDE_BY_SIDE_FULL: p = x < w / 2 ? a.at(x, y) : b.at(x - w / 2, y); break;
    case STEREO_ROW_INTERLACED:
    case STEREO_COLUMN_INTERLACED:
    case STEREO_CHECKERBOARD: {
        int row = sy + (h - 1 - y), column = sx + x;
        int k = mode == STEREO_ROW_INTERLACED ? row : mode == STEREO_COLUMN_INTERLACED ? column : row + column;
        p = ((k % 2) + 2) % 2 == 0 ? a.at(x, y) : b.at(x, y);
        break;
    }
    default: {
        const double(*m)[9] = kMatrices[mode - STEREO_ANAGLYPH_RED_CYAN];
        for (int c = 0; c < 3; c++) {
            double v = 0;
            for (int k = 0; k < 3; k++)
                v += m[0][3 * c + k] * Decode(a.at(x, y)[k] / 255.0) + m[1][3 * c + k] * Decode(b.at(x, y)[k] / 255.0);
            out[c] = Encode(fmin(fmax(v, 0.0), 1.0)) * 255;
        }
        return;
    }
    }
    for (int c = 0; c < 3; c++) out[c] = p[c];
}

}  // namespace

void ExpectEveryOutputShowsTheEyes(HWND window) {
    SDL_Window* sdl = SDL_GetWindowFromID(PlatformTestWindowId(window));
    int sx = 0, sy = 0;
    SDL_GetWindowPosition(sdl, &sx, &sy);
    // eyes far apart, so that every output tells them apart
    eyeSeparation = 0.15f;
    for (int mode = 0; mode < STEREO_OUTPUT_COUNT; mode++) {
        if (!PlatformStereoOutputAvailable(mode)) {
            // this renderer has no stereo buffers, and this window is no frame-packing mode
            EXPECT_TRUE(mode == STEREO_QUAD_BUFFER || mode == STEREO_FRAME_PACKING) << mode;
            continue;
        }
        for (bool swapped : {false, true}) {
            SCOPED_TRACE(std::string(stereoOutputNames[mode]) + (swapped ? ", eyes swapped" : ""));
            SetStereoOutput(window, mode, swapped);
            if (mode == STEREO_SIDE_BY_SIDE_FULL) {
                EXPECT_FLOAT_EQ(aspectRatio, static_cast<float>(windowWidth / 2) / windowHeight);
            } else {
                EXPECT_FLOAT_EQ(aspectRatio, static_cast<float>(windowWidth) / windowHeight);
            }
            DrawStereoFrame();
            Picture left = Take(false, 0), right = Take(false, 1), shown = Take(true, 0);
            ASSERT_EQ(shown.width, left.width);
            ASSERT_EQ(shown.height, left.height);
            const Picture& a = swapped ? right : left;
            const Picture& b = swapped ? left : right;
            bool anaglyph = mode >= STEREO_ANAGLYPH_RED_CYAN && mode <= STEREO_ANAGLYPH_AMBER_BLUE;
            double tolerance = anaglyph ? 3 : mode == STEREO_SIDE_BY_SIDE || mode == STEREO_TOP_BOTTOM ? 1 : 0;
            long wrong = 0, differing = 0;
            for (int y = 0; y < shown.height; y++)
                for (int x = 0; x < (mode == STEREO_SIDE_BY_SIDE_FULL ? shown.width / 2 * 2 : shown.width); x++) {
                    double e[3];
                    Expected(mode, a, b, x, y, sx, sy, e);
                    for (int c = 0; c < 3; c++) wrong += fabs(shown.at(x, y)[c] - e[c]) > tolerance + 0.5;
                    differing += memcmp(a.at(x, y), b.at(x, y), 3) != 0;
                }
            EXPECT_EQ(wrong, 0);
            EXPECT_GT(differing, 1000) << "the eyes must differ for the test to mean something";
        }
    }
    SetStereoOutput(window, STEREO_LEFT_EYE, false);
    ResetEyes(window);
}
