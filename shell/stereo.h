// stereo.h: the stereo camera: the two stereo parameters, the window size, each eye's
// off-axis projection, the frame's buffer order, and the mouse tuning of the parameters.
#ifndef SHELL_STEREO_H
#define SHELL_STEREO_H

#include "shell/platform.h"
#include "shell/program.h"

extern float frustumShift;    // shift of the frustum window at the near plane
extern float eyeSeparation;   // translation applied after the frustum
extern float aspectRatio;     // window width / height, 1 for a height of 0
extern int32_t windowWidth, windowHeight; // client size from the last WM_SIZE
extern int32_t lastMouseX, lastMouseY;    // position at the last button-down or drag step
extern bool eyeSeparationDragging, frustumShiftDragging;

// The start values, by their bit patterns.
extern const float startFrustumShift;   // 0xBC4A8636, -0.0123611
extern const float startEyeSeparation;  // 0x3D12C5F0, 0.0358333

// The six glFrustum bounds of one eye (0 left, 1 right): left, right, bottom, top, near, far.
void StereoFrustumBounds(const StereoProjection* projection, int eye, float aspect, float shift, double* bounds);

// Where the two eyes' pictures of a point meet: the zero-parallax plane's distance from the
// eyes (HUGE_VAL where the frustum shift is not negative).
double ZeroParallaxDistance(void);
// The parallax of the nearest and the farthest point of a scene of `radius` about its centre,
// as shares of the eye's width; negative in front of the screen.
void StereoParallaxRange(float radius, double* front, double* back);
// The scene's parallax as a viewer sees it: an eye's picture `eyeWidthMm` wide and
// `eyeHeightMm` high on a screen `screenWidthMm` wide, seen from 0.6 m (a screen up to 1 m
// wide) or from three times the picture's height (a wider one), with eyes 63 mm apart.
typedef struct ScreenDepth {
    double distanceMm;                // the viewing distance
    double frontMm, backMm;           // the parallax on the screen; negative in front of it
    double frontDegrees, backDegrees; // the angular disparity
} ScreenDepth;
const double eyesApartMm = 63.0;
ScreenDepth StereoScreenDepth(double front, double back, double eyeWidthMm, double eyeHeightMm, double screenWidthMm);
// F10: the zero-parallax plane at the scene's centre, and the eye separation at which its
// parallax fills, but never leaves, 1 degree either way and never passes the eyes' 63 mm.
void ComfortableDepth(float radius, double eyeWidthMm, double eyeHeightMm, double screenWidthMm);
// F6 / F7 and F8 / F9: the eye separation and the zero-parallax plane, a tenth of their start
// values a step (a positive step: a larger separation, a plane farther away).
void StepEyeSeparation(HWND window, int steps);
void StepZeroParallax(HWND window, int steps);

void OnResize(int width, int height);
// Both eyes; false where the program left the frame unfinished (it is not to be shown yet).
bool DrawStereoFrame(void);
// Both stereo parameters back to their start values.
void ResetStereoParameters(void);
// The tuning buttons' down, up and move messages.
void OnStereoMouse(HWND window, UINT message, int x, int y);

#endif
