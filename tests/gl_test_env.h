// gl_test_env.h: tests that open real windows and contexts run on SDL's offscreen driver
// (no display needed) and never show a message box.
#ifndef TESTS_GL_TEST_ENV_H
#define TESTS_GL_TEST_ENV_H

#include <stdlib.h>
#include <gtest/gtest.h>
#include <vector>
#include "shell/platform.h"
#include "shell/platform_test.h"

struct OffscreenEnvironment : ::testing::Environment {
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        PlatformTestSkipMessageBoxes(TRUE);
        PlatformTestAllowHeadless(TRUE);
    }
};

// A bare window with a current OpenGL context, made through the platform as the shell does.
struct GlTestContext {
    HWND window;
    HGLRC context;
};
GlTestContext OpenGlTestContext(int width, int height);
void CloseGlTestContext(GlTestContext* context);

// Dispatches messages until a sentinel timer fires: everything queued before it is consumed.
void DrainMessages(HWND window);
// Takes the quit message that WM_DESTROY handling posts.
void TakeQuitMessage();

// One eye's picture of the frame drawn last (0 left, 1 right), or of the window.
struct EyePicture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;  // bottom row first
    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};
EyePicture ReadEyePicture(int eye);
EyePicture ReadWindowPicture(void);

#endif
