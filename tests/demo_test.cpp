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
#include "shell/program.h"
#include "shell/window.h"
#include "tests/gl_test_env.h"
#include "tests/stereo_output_check.h"

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

// A value that lands exactly on a limit stays there, and its step keeps its sign.
TEST(DemoAnimation, ValuesLandingExactlyOnALimitStay) {
    // steps of 0.25 land exactly on every limit
    for (float sign : {1.0f, -1.0f}) {
        ResetAnimation();
        pulseStep = 0.25f * sign;
        bounceStep = 0.25f * sign;
        pulseScale = sign > 0 ? 1.25f : 0.5f;
        bounceOffset = 0.25f * sign;
        AdvanceAnimation();
        EXPECT_EQ(pulseScale, sign > 0 ? 1.5f : 0.25f);
        EXPECT_EQ(pulseStep, 0.25f * sign) << "the step turned on the limit itself";
        EXPECT_EQ(bounceOffset, 0.5f * sign);
        EXPECT_EQ(bounceStep, 0.25f * sign);
    }
    // and an angle that passes 360 loses 360 once, however far past
    ResetAnimation();
    angleX = 359.9f;
    angleZ = 720.0f;
    AdvanceAnimation();
    EXPECT_FLOAT_EQ(angleX, 0.5f);
    EXPECT_FLOAT_EQ(angleZ, 360.4f);
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

void ExpectVector4(GLenum light, GLenum name, const float* expected, bool material = false) {
    float got[4] = {-9, -9, -9, -9};
    if (material)
        glGetMaterialfv(light, name, got);
    else
        glGetLightfv(light, name, got);
    for (int i = 0; i < 4; i++) EXPECT_FLOAT_EQ(got[i], expected[i]) << std::hex << light << " " << name << " " << i;
}

TEST_F(DemoContext, LightsMaterialAndStateAreTheScenesOwn) {
    const float white[4] = {1, 1, 1, 1}, light0[4] = {-5, 5, 5, 1}, light1[4] = {5, 0, 0, 1};
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1}) {
        EXPECT_TRUE(glIsEnabled(light));
        ExpectVector4(light, GL_AMBIENT, white);
        ExpectVector4(light, GL_DIFFUSE, white);
        ExpectVector4(light, GL_SPECULAR, white);
    }
    // given while the modelview matrix was the identity: fixed to the viewer
    ExpectVector4(GL_LIGHT0, GL_POSITION, light0);
    ExpectVector4(GL_LIGHT1, GL_POSITION, light1);
    // the gold material on the front faces only; the back keeps OpenGL's defaults
    const float ambient[4] = {0.1f, 0.05f, 0.0f, 1.0f}, diffuse[4] = {0.65f, 0.55f, 0.15f, 1.0f},
                specular[4] = {0.85f, 0.75f, 0.45f, 1.0f};
    ExpectVector4(GL_FRONT, GL_AMBIENT, ambient, true);
    ExpectVector4(GL_FRONT, GL_DIFFUSE, diffuse, true);
    ExpectVector4(GL_FRONT, GL_SPECULAR, specular, true);
    const float backAmbient[4] = {0.2f, 0.2f, 0.2f, 1}, backDiffuse[4] = {0.8f, 0.8f, 0.8f, 1}, black[4] = {0, 0, 0, 1};
    ExpectVector4(GL_BACK, GL_AMBIENT, backAmbient, true);
    ExpectVector4(GL_BACK, GL_DIFFUSE, backDiffuse, true);
    ExpectVector4(GL_BACK, GL_SPECULAR, black, true);
    float shininess[2] = {-1, -1};
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess[0]);
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess[1]);
    EXPECT_EQ(shininess[0], 100.0f);
    EXPECT_EQ(shininess[1], 0.0f);
    GLint value = -1;
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_FLAT);
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &value);
    EXPECT_EQ(value, GL_FALSE);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LESS);
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    float clear[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<float>(clear, clear + 4), std::vector<float>(4, 0.0f));
}

TEST_F(DemoContext, EachEyeDrawsTheDodecahedronThenTheIcosahedron) {
    // the primitives of one eye, in order, through feedback: with the apexes pulled in to
    // half the radius, the dodecahedron's triangles are those with a corner off the sphere
    pulseScale = 0.5f;
    glViewport(0, 0, 200, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_CULL_FACE);
    std::vector<float> feedback(80 * 12 + 100);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    DrawDemoEye();
    GLint n = glRenderMode(GL_RENDER);
    glEnable(GL_CULL_FACE);
    std::vector<bool> pulled;
    for (GLint i = 0; i < n;) {
        ASSERT_EQ(feedback[i], static_cast<float>(GL_POLYGON_TOKEN));
        int corners = static_cast<int>(feedback[i + 1]);
        ASSERT_EQ(corners, 3);
        bool off = false;
        for (int c = 0; c < 3; c++) {
            const float* w = &feedback[i + 2 + 3 * c];
            float x = w[0] / 100 - 1, y = w[1] / 100 - 1, z = -(2 * w[2] - 1);
            off = off || fabsf(sqrtf(x * x + y * y + z * z) - 1) > 0.05f;
        }
        pulled.push_back(off);
        i += 2 + 3 * corners;
    }
    ASSERT_EQ(pulled.size(), 80u);
    for (size_t i = 0; i < 80; i++) EXPECT_EQ(pulled[i], i < 60) << "triangle " << i;
}

TEST_F(DemoContext, ReleaseDeletesListOneWhileTheContextIsCurrent) {
    EXPECT_TRUE(glIsList(1));
    OnProgramRelease();
    EXPECT_FALSE(glIsList(1));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    BuildIcosahedronList();
}

TEST_F(DemoContext, EveryOutputShowsTheTwoEyes) { ExpectEveryOutputShowsTheEyes(window); }

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
