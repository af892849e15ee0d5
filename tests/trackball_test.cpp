// trackball_test.cpp: the trackball's worked values, surface, clamp, renormalisation and spin.
#include <gtest/gtest.h>
#include <math.h>
#include "viewer/trackball.h"

namespace {

// Program start, then window creation with a 400 x 400 client area.
void StartTrackball(int32_t width = 400, int32_t height = 400) {
    for (int i = 0; i < 4; i++) orientationQuat[i] = lastStepQuat[i] = 0.0f;
    composeCount = 0;
    TrackballSetSize(width, height);
    TrackballReset(width, height);
}

void ExpectQuat(const float* q, float x, float y, float z, float w) {
    EXPECT_NEAR(q[0], x, 1e-6);
    EXPECT_NEAR(q[1], y, 1e-6);
    EXPECT_NEAR(q[2], z, 1e-6);
    EXPECT_NEAR(q[3], w, 1e-6);
}

// Expects the matrix to hold the given values at the given elements and 0 elsewhere but 15.
void ExpectMatrix(const float* m, std::initializer_list<std::pair<int, float>> values) {
    float expected[16] = {};
    expected[15] = 1.0f;
    for (auto& v : values) expected[v.first] = v.second;
    for (int i = 0; i < 16; i++) EXPECT_NEAR(m[i], expected[i], 1e-6) << "element " << i;
}

TEST(Trackball, StartsAtTheIdentity) {
    StartTrackball();
    ExpectQuat(orientationQuat, 0, 0, 0, 1);
    float m[16];
    TrackballDrag(200, 200, 200, 200, m);
    ExpectMatrix(m, {{0, 1}, {5, 1}, {10, 1}});
}

TEST(Trackball, WorkedDragSteps) {
    // to the right: a turn about -y
    StartTrackball();
    float m[16];
    TrackballDrag(210, 200, 200, 200, m);
    ExpectQuat(lastStepQuat, 0, -0.0500628f, 0, 0.9987461f);
    ExpectQuat(orientationQuat, 0, -0.0500628f, 0, 0.9987461f);
    ExpectMatrix(m, {{0, 0.994987f}, {2, -0.1f}, {5, 1}, {8, 0.1f}, {10, 0.994987f}});
    EXPECT_EQ(composeCount, 1);

    // upwards: a turn about +x
    StartTrackball();
    TrackballDrag(200, 190, 200, 200, m);
    ExpectQuat(orientationQuat, 0.0500628f, 0, 0, 0.9987461f);
    ExpectMatrix(m, {{0, 1}, {5, 0.994987f}, {6, -0.1f}, {9, 0.1f}, {10, 0.994987f}});
}

TEST(Trackball, EachStepTurnsTheModelAsItStandsOnScreen) {
    // right (about -y), then up (about +x): the new step goes after the turns before it, so
    // the product's z is +s^2; composed the other way round it would be -s^2
    StartTrackball();
    float m[16];
    TrackballDrag(210, 200, 200, 200, m);
    TrackballDrag(200, 190, 200, 200, m);
    const float s = 0.0500628f, c = 0.9987461f;
    ExpectQuat(orientationQuat, s * c, -s * c, s * s, c * c);
}

TEST(Trackball, TheFacingSideFollowsThePointer) {
    // glMultMatrixf reads columns: the point (0, 0, 1) facing the viewer goes to (m8, m9, m10)
    float m[16];
    StartTrackball();
    TrackballDrag(230, 200, 200, 200, m);
    EXPECT_GT(m[8], 0.1f);
    EXPECT_NEAR(m[9], 0, 1e-6);
    StartTrackball();
    TrackballDrag(200, 170, 200, 200, m);
    EXPECT_GT(m[9], 0.1f);
    EXPECT_NEAR(m[8], 0, 1e-6);
}

TEST(Trackball, SamePixelRewritesTheMatrixOnly) {
    StartTrackball();
    float m[16];
    TrackballDrag(210, 200, 200, 200, m);
    float step[4], orientation[4];
    for (int i = 0; i < 4; i++) step[i] = lastStepQuat[i], orientation[i] = orientationQuat[i];
    for (float& e : m) e = 42.0f;
    TrackballDrag(210, 200, 210, 200, m);
    ExpectQuat(lastStepQuat, step[0], step[1], step[2], step[3]);
    ExpectQuat(orientationQuat, orientation[0], orientation[1], orientation[2], orientation[3]);
    EXPECT_EQ(composeCount, 1);
    EXPECT_NEAR(m[8], 0.1f, 1e-6);
}

TEST(Trackball, BallAndSheetMeetContinuously) {
    EXPECT_NEAR(BallHeight(0.5f, 0.5f, 0), 0.25f, 1e-6);   // on the sheet
    EXPECT_NEAR(BallHeight(0.5f, 0.3f, 0), 0.4f, 1e-6);    // on the ball
    const float core = 0.35355338f;
    EXPECT_NEAR(BallHeight(0.5f, core, 0), core, 1e-6);   // the boundary takes the sheet formula
    EXPECT_NEAR(BallHeight(0.5f, nextafterf(core, 0), 0), core, 1e-6);
    // beyond the window (captured mouse) the height stays finite and positive
    EXPECT_NEAR(BallHeight(0.5f, -3.0f, 4.0f), 0.125f / 5.0f, 1e-6);
}

TEST(Trackball, LongStepsTurnByHalfATurn) {
    float q[4];
    DragToQuaternion(q, -2.0f, 0.0f, 2.0f, 0.0f);
    EXPECT_NEAR(q[3], 0.0f, 1e-6);  // cos(pi / 2)
    EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2], 1.0f, 1e-5);
    DragToQuaternion(q, 0.25f, 0.25f, 0.25f, 0.25f);
    ExpectQuat(q, 0, 0, 0, 1);
}

TEST(Trackball, RenormalisesOnThe98thComposition) {
    StartTrackball();
    // an identity step on a quaternion of squared length 4: only the renormalisation changes it
    lastStepQuat[3] = 1.0f;
    orientationQuat[3] = 2.0f;
    float m[16];
    for (int i = 0; i < 97; i++) TrackballSpin(m);
    EXPECT_EQ(composeCount, 97);
    EXPECT_FLOAT_EQ(orientationQuat[3], 2.0f);
    TrackballSpin(m);
    EXPECT_EQ(composeCount, 0);
    EXPECT_FLOAT_EQ(orientationQuat[3], 0.5f);  // divided by the squared length
}

TEST(Trackball, SpinRepeatsTheLastStepThatMoved) {
    StartTrackball();
    float m[16];
    TrackballSpin(m);  // no step yet: the orientation stays a rotation
    ExpectQuat(orientationQuat, 0, 0, 0, 1);
    EXPECT_EQ(composeCount, 0);
    ExpectMatrix(m, {{0, 1}, {5, 1}, {10, 1}});

    TrackballDrag(210, 200, 200, 200, m);
    TrackballDrag(210, 200, 210, 200, m);  // held still before the release
    TrackballSpin(m);
    // two steps of -0.0500628 about y: twice the angle
    const float half = asinf(0.0500628f);
    ExpectQuat(orientationQuat, 0, -sinf(2 * half), 0, cosf(2 * half));
}

TEST(Trackball, CollapsedOrResizedWindows) {
    StartTrackball(0, 300);
    float m[16];
    TrackballDrag(10, 10, 0, 0, m);
    ExpectQuat(orientationQuat, 0, 0, 0, 1);
    EXPECT_EQ(composeCount, 0);
    ExpectMatrix(m, {{0, 1}, {5, 1}, {10, 1}});

    // a full-width drag spans -1 to 1 whatever the window's proportions
    StartTrackball(800, 200);
    TrackballDrag(800, 100, 0, 100, m);
    float expected[4];
    DragToQuaternion(expected, -1.0f, 0.0f, 1.0f, 0.0f);
    ExpectQuat(lastStepQuat, expected[0], expected[1], expected[2], expected[3]);
    StartTrackball(800, 200);
    TrackballDrag(400, 200, 400, 0, m);
    DragToQuaternion(expected, 0.0f, 1.0f, 0.0f, -1.0f);
    ExpectQuat(lastStepQuat, expected[0], expected[1], expected[2], expected[3]);

    // resizing keeps the orientation
    TrackballSetSize(10, 10);
    ExpectQuat(orientationQuat, expected[0], expected[1], expected[2], expected[3]);
}

}  // namespace
