// demo_test.cpp: Ondrel's solids and animation: the tables, the ticks, and frames drawn by
// the real program code on a Mesa context.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <vector>
#include "demo/animation.h"
#include "demo/solids.h"
#include "resources/resources.h"
#include "shell/glcontext.h"
#include "shell/stereo.h"
#include "shell/window.h"
#include "tests/gl_test_env.h"

const ProgramInfo& programInfo = ondrelInfo;

namespace {

float Length(const float* v) { return sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }
float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void ResetAnimation() {
    angleX = angleY = angleZ = bounceOffset = 0.0f;
    bounceStep = 0.005f;
    pulseScale = 1.0f;
    pulseStep = 0.015f;
}

TEST(DemoSolids, DodecahedronCornersAreTheFaceDirections) {
    ComputeDodecahedronVertices();
    for (const float* v : dodecahedronVertices) EXPECT_NEAR(Length(v), 1.0f, 1e-6);
    EXPECT_NEAR(dodecahedronVertices[0][0], 0.0f, 1e-7);
    EXPECT_NEAR(dodecahedronVertices[0][1], 0.3568221f, 1e-6);
    EXPECT_NEAR(dodecahedronVertices[0][2], 0.9341723f, 1e-6);
    for (int a = 0; a < 3; a++) EXPECT_NEAR(dodecahedronVertices[7][a], 0.5773503f, 1e-6);
    // face 0's normal is the direction of its centre
    float n[3];
    TriangleNormal(icosahedronVertices[0], icosahedronVertices[1], icosahedronVertices[4], n);
    for (int a = 0; a < 3; a++) EXPECT_NEAR(n[a], dodecahedronVertices[0][a], 1e-6);
    for (const float* v : icosahedronVertices) EXPECT_NEAR(Length(v), 1.0f, 1e-6);
}

TEST(DemoSolids, FanNormalsPointOutwardsAtEveryPulse) {
    ComputeDodecahedronVertices();
    for (float scale = 0.25f; scale <= 1.5f; scale += 0.01f) {
        for (int k = 0; k < 12; k++) {
            const int* p = dodecahedronFaces[k];
            float apex[3] = {icosahedronVertices[k][0] * scale, icosahedronVertices[k][1] * scale,
                             icosahedronVertices[k][2] * scale};
            for (int j = 0; j < 5; j++) {
                float n[3];
                TriangleNormal(apex, dodecahedronVertices[p[j]], dodecahedronVertices[p[(j + 1) % 5]], n);
                EXPECT_GT(Dot(n, icosahedronVertices[k]), 0.0f) << "scale " << scale << " pentagon " << k;
            }
        }
    }
    float same[3] = {0.3f, 0.3f, 0.3f}, n[3] = {9, 9, 9};
    TriangleNormal(same, same, same, n);
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_EQ(n[1], 0.0f);
    EXPECT_EQ(n[2], 0.0f);
}

TEST(DemoAnimation, TicksAdvanceWithStrictLimits) {
    ResetAnimation();
    AdvanceAnimation();
    EXPECT_FLOAT_EQ(angleX, 0.6f);
    EXPECT_FLOAT_EQ(angleY, 1.0f);
    EXPECT_FLOAT_EQ(angleZ, 0.4f);
    EXPECT_FLOAT_EQ(bounceOffset, 0.005f);
    EXPECT_FLOAT_EQ(pulseScale, 1.015f);

    // angleY holds exactly 360 for one tick and never returns to 0
    angleY = 358.0f;
    std::vector<float> seen;
    for (int i = 0; i < 4; i++) {
        AdvanceAnimation();
        seen.push_back(angleY);
    }
    EXPECT_EQ(seen, (std::vector<float>{359.0f, 360.0f, 1.0f, 2.0f}));

    // the pulse reaches exactly 1.5 on tick 34 and turns
    ResetAnimation();
    for (int tick = 1; tick <= 33; tick++) AdvanceAnimation();
    EXPECT_LT(pulseScale, 1.5f);
    AdvanceAnimation();
    EXPECT_EQ(pulseScale, 1.5f);
    EXPECT_FLOAT_EQ(pulseStep, -0.015f);
    AdvanceAnimation();
    EXPECT_FLOAT_EQ(pulseScale, 1.485f);
    // and at the lower limit exactly 0.25 with the step turned again
    while (pulseStep < 0) AdvanceAnimation();
    EXPECT_EQ(pulseScale, 0.25f);
    EXPECT_FLOAT_EQ(pulseStep, 0.015f);

    // the bounce first passes 0.5 on tick 101, is clamped and turns; the mirror at -0.5
    ResetAnimation();
    for (int tick = 1; tick <= 100; tick++) AdvanceAnimation();
    EXPECT_LE(bounceOffset, 0.5f);
    EXPECT_GT(bounceStep, 0.0f);
    AdvanceAnimation();
    EXPECT_EQ(bounceOffset, 0.5f);
    EXPECT_FLOAT_EQ(bounceStep, -0.005f);
    AdvanceAnimation();
    EXPECT_FLOAT_EQ(bounceOffset, 0.495f);
    while (bounceStep < 0) AdvanceAnimation();
    EXPECT_EQ(bounceOffset, -0.5f);
}

// --- the real program on a Mesa context -------------------------------------------------

struct DemoContext : ::testing::Test {
    HWND window = nullptr;
    void SetUp() override {
        static bool registered = false;
        if (!registered) registered = RegisterMainClass(&ondrelResources) != 0;
        ResetAnimation();
        ASSERT_EQ(CreateMainWindow(&ondrelResources, SW_SHOWDEFAULT), 1);
        window = windowDC;
    }
    void TearDown() override {
        DestroyWindow(window);
        TakeQuitMessage();
    }
};

// Pixels of the left eye that show the gold material: red over green over blue.
long GoldPixels() {
    int w, h;
    unsigned char* rgba = nullptr;
    EXPECT_TRUE(PlatformReadEye(0, &w, &h, &rgba));
    long count = 0;
    for (long i = 0; i < static_cast<long>(w) * h; i++) {
        const unsigned char* p = rgba + 4 * i;
        count += p[0] > 40 && p[0] >= p[1] && p[1] > p[2];
    }
    free(rgba);
    return count;
}

TEST_F(DemoContext, EyeMatrixRotatesZYXThenShifts) {
    angleX = 30.0f;
    angleY = 50.0f;
    angleZ = 70.0f;
    bounceOffset = 0.25f;
    glMatrixMode(GL_MODELVIEW);
    DrawDemoEye();
    float got[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, got);
    // Rz * Ry * Rx * T, column-major, computed here
    const double d = M_PI / 180;
    double cx = cos(30 * d), sx = sin(30 * d), cy = cos(50 * d), sy = sin(50 * d), cz = cos(70 * d), sz = sin(70 * d);
    double rz[3][3] = {{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}}, ry[3][3] = {{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}},
           rx[3][3] = {{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}}, zy[3][3] = {}, r[3][3] = {};
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            for (int k = 0; k < 3; k++) zy[i][j] += rz[i][k] * ry[k][j];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            for (int k = 0; k < 3; k++) r[i][j] += zy[i][k] * rx[k][j];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++) EXPECT_NEAR(got[j * 4 + i], r[i][j], 1e-5) << i << "," << j;
    // the shift runs along the solids' own z: the third column scaled by the offset
    for (int i = 0; i < 3; i++) EXPECT_NEAR(got[12 + i], r[i][2] * 0.25, 1e-5);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DemoContext, FramesShowTheGoldSolidsAndMove) {
    EXPECT_TRUE(glIsList(1));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    DrawStereoFrame();
    long first = GoldPixels();
    EXPECT_GT(first, 1000);
    int w, h;
    unsigned char *before = nullptr, *after = nullptr;
    PlatformReadEye(0, &w, &h, &before);
    for (int i = 0; i < 10; i++) AdvanceAnimation();
    DrawStereoFrame();
    PlatformReadEye(0, &w, &h, &after);
    EXPECT_NE(memcmp(before, after, static_cast<size_t>(w) * h * 4), 0);
    free(before);
    free(after);
    // keys 2 then 1: culling off, then on again
    OnDemoCommand(window, 40008);
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    OnDemoCommand(window, 40007);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    // Enter restores the stereo parameters only
    eyeSeparation = 1.0f;
    float angle = angleY;
    OnDemoCommand(window, 40041);
    EXPECT_EQ(eyeSeparation, startEyeSeparation);
    EXPECT_EQ(angleY, angle);
}

TEST_F(DemoContext, TheAnimationTimerTicksThroughTheLoop) {
    EXPECT_NE(animationTimer, 0u);
    DrainMessages(window);
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    float before = angleY;
    DispatchMessage(&msg);
    EXPECT_FLOAT_EQ(angleY, before + 1.0f);
}

}  // namespace
