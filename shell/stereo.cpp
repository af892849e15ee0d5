// stereo.cpp: per-eye off-axis projections, the frame's buffer order and stereo tuning.
#include "shell/stereo.h"
#include <GL/gl.h>
#include <math.h>
#include "shell/output.h"

// exact as hexadecimal literals: bits 0xBC4A8636 and 0x3D12C5F0
const float startFrustumShift = -0x1.950c6cp-7f;
const float startEyeSeparation = 0x1.258be0p-5f;

float frustumShift = startFrustumShift;
float eyeSeparation = startEyeSeparation;
float aspectRatio = 1.0f;
int32_t windowWidth = 0, windowHeight = 0;
int32_t lastMouseX = 0, lastMouseY = 0;
bool eyeSeparationDragging = false, frustumShiftDragging = false;

// the drag step: 0.2 of a parameter unit per window width
static const double mouseFactor = 0.2;

void StereoFrustumBounds(const StereoProjection* p, int eye, float aspect, float shift, double* bounds) {
    // extended precision, handed to glFrustum as doubles
    long double half = static_cast<long double>(p->halfWidth) * aspect;
    if (eye == 0) {
        bounds[0] = static_cast<double>(-half - shift);
        bounds[1] = static_cast<double>(half - shift);
    } else {
        bounds[0] = static_cast<double>(shift - half);
        bounds[1] = static_cast<double>(shift + half);
    }
    bounds[2] = p->bottom;
    bounds[3] = p->top;
    bounds[4] = p->nearPlane;
    bounds[5] = p->farPlane;
}

void OnResize(int width, int height) {
    OnProgramResize(width, height);
    windowWidth = width;
    windowHeight = height;
    // side-by-side full draws each eye at half the width, frame packing at an eye's rows, each
    // at its own aspect
    int eyeWidth = StereoEyeWidth(width), eyeHeight = StereoEyeHeight(width, height);
    if (!programInfo.viewportEachFrame) glViewport(0, 0, eyeWidth, eyeHeight);
    aspectRatio = eyeHeight > 0 ? static_cast<float>(eyeWidth) / static_cast<float>(eyeHeight) : 1.0f;
}

namespace {

// A frame the program left unfinished: the eye it stopped at (-1: none), and the view it
// was drawn for.
struct FrameView {
    int eye;
    float shift, separation;
    int32_t width, height;
    int output;
    bool swapped;
};
FrameView unfinished = {-1, 0, 0, 0, 0, 0, false};

}  // namespace

bool DrawStereoFrame(void) {
    const FrameView view = {-1, frustumShift, eyeSeparation, windowWidth, windowHeight, stereoOutput, eyesSwapped};
    const FrameView& u = unfinished;
    const bool same = u.eye >= 0 && u.shift == view.shift && u.separation == view.separation && u.width == view.width &&
                      u.height == view.height && u.output == view.output && u.swapped == view.swapped;
    const int first = OnProgramFrame(same) && same ? u.eye : -1;
    unfinished = view;
    // with stereo buffers GL_BACK addresses both eyes: one clear for both
    PlatformDrawBuffer(GL_BACK);
    if (first < 0) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (programInfo.viewportEachFrame) glViewport(0, 0, StereoEyeWidth(windowWidth), StereoEyeHeight(windowWidth, windowHeight));
    for (int eye = first < 0 ? 0 : first; eye < 2; eye++) {
        // the eyes share one depth buffer: the right eye must not be tested against the
        // left eye's depths, or its picture has holes where the left eye's surface is nearer
        if (eye == 1 && first != 1) glClear(GL_DEPTH_BUFFER_BIT);
        if (programInfo.bufferBeforeProjection) PlatformDrawBuffer(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT);
        double b[6];
        StereoFrustumBounds(&programInfo.projection, eye, aspectRatio, frustumShift, b);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(b[0], b[1], b[2], b[3], b[4], b[5]);
        glTranslatef(eye == 0 ? eyeSeparation : -eyeSeparation, 0.0f, 0.0f);
        glTranslatef(0.0f, 0.0f, programInfo.projection.sceneDistance);
        glMatrixMode(GL_MODELVIEW);
        if (!DrawProgramEye(eye)) {
            unfinished.eye = eye;
            return false;
        }
    }
    return true;
}

void ResetStereoParameters(void) {
    frustumShift = startFrustumShift;
    eyeSeparation = startEyeSeparation;
}

double ZeroParallaxDistance(void) {
    const double n = programInfo.projection.nearPlane;
    return frustumShift < 0 ? -n * eyeSeparation / frustumShift : HUGE_VAL;
}

void StereoParallaxRange(float radius, double* front, double* back) {
    // a point on the axis at distance d: the right eye's picture of it lies right of the left
    // eye's by -(n e / d + shift) / half of the window's width (negative: in front)
    const StereoProjection& p = programInfo.projection;
    const double half = p.halfWidth * aspectRatio, scene = -p.sceneDistance;
    auto parallax = [&](double d) { return -(p.nearPlane * eyeSeparation / d + frustumShift) / half; };
    *front = parallax(scene - radius > p.nearPlane ? scene - radius : p.nearPlane);
    *back = parallax(scene + radius);
}

ScreenDepth StereoScreenDepth(double front, double back, double eyeWidthMm, double eyeHeightMm, double screenWidthMm) {
    ScreenDepth d;
    d.distanceMm = screenWidthMm <= 1000 ? 600 : 3 * eyeHeightMm;
    d.frontMm = front * eyeWidthMm;
    d.backMm = back * eyeWidthMm;
    auto degrees = [&](double mm) { return 2 * atan(mm / (2 * d.distanceMm)) * 180 / M_PI; };
    d.frontDegrees = degrees(d.frontMm);
    d.backDegrees = degrees(d.backMm);
    return d;
}

void ComfortableDepth(float radius, double eyeWidthMm, double eyeHeightMm, double screenWidthMm) {
    // with the plane at the centre the parallax grows in proportion to the separation: its
    // range at a separation of 1 gives the separation that meets the first limit
    const double centre = -programInfo.projection.sceneDistance, n = programInfo.projection.nearPlane;
    eyeSeparation = 1.0f;
    frustumShift = static_cast<float>(-n / centre);
    double front, back;
    StereoParallaxRange(radius, &front, &back);
    ScreenDepth unit = StereoScreenDepth(front, back, eyeWidthMm, eyeHeightMm, screenWidthMm);
    const double degreeMm = 2 * unit.distanceMm * tan(0.5 * M_PI / 180);
    double separation = 1e9;
    if (unit.frontMm < 0) separation = fmin(separation, degreeMm / -unit.frontMm);
    if (unit.backMm > 0) separation = fmin(separation, fmin(degreeMm, eyesApartMm) / unit.backMm);
    if (separation == 1e9) separation = startEyeSeparation;
    eyeSeparation = static_cast<float>(separation);
    frustumShift = static_cast<float>(-n * eyeSeparation / centre);
}

void StepEyeSeparation(HWND window, int steps) {
    eyeSeparation = static_cast<float>(eyeSeparation + steps * startEyeSeparation / 10.0);
    if (eyeSeparation < 0) eyeSeparation = 0;
    InvalidateRect(window, nullptr, FALSE);
}

void StepZeroParallax(HWND window, int steps) {
    // farther is a smaller shift; at none the plane lies at infinity
    frustumShift = static_cast<float>(frustumShift - steps * startFrustumShift / 10.0);
    if (frustumShift > 0) frustumShift = 0;
    InvalidateRect(window, nullptr, FALSE);
}

static float tunedValue(float parameter, int dx) {
    return static_cast<float>(parameter - dx * -mouseFactor / windowWidth);
}

void OnStereoMouse(HWND window, UINT message, int x, int y) {
    UINT eyeDown = programInfo.eyeSeparationButton, shiftDown = programInfo.frustumShiftButton;
    // each button's up message is its down message + 1
    if (message == eyeDown || message == shiftDown) {
        (message == eyeDown ? eyeSeparationDragging : frustumShiftDragging) = true;
        lastMouseX = x;
        lastMouseY = y;
        SetCapture(window);
    } else if (message == eyeDown + 1 || message == shiftDown + 1) {
        (message == eyeDown + 1 ? eyeSeparationDragging : frustumShiftDragging) = false;
        ReleaseCapture();
    } else if (message == WM_MOUSEMOVE) {
        // the buttons in a fixed order, the first held one acts: eyeSeparation's first
        bool eye = eyeSeparationDragging;
        if (!eye && !frustumShiftDragging) return;
        if (windowWidth > 0) {
            int dx = x - lastMouseX;
            if (eye)
                eyeSeparation = tunedValue(eyeSeparation, dx);
            else
                frustumShift = tunedValue(frustumShift, dx);
        }
        lastMouseX = x;
        lastMouseY = y;
        InvalidateRect(window, nullptr, FALSE);
    }
}
