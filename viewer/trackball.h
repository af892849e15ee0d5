// trackball.h: the virtual trackball that turns left-button drags into model rotations.
//
// Knows nothing of OpenGL or the window system: it takes sizes and pixel positions and
// writes a sixteen-float rotation matrix in the element order glMultMatrixf reads.
#ifndef VIEWER_TRACKBALL_H
#define VIEWER_TRACKBALL_H

#include <stdint.h>

// Trackball state (one trackball per program). Quaternions are (x, y, z, w).
extern int32_t trackballWidth;     // client width in pixels, as last given
extern int32_t trackballHeight;    // client height in pixels, as last given
extern float orientationQuat[4];   // accumulated rotation of the model
extern float lastStepQuat[4];      // rotation of the last drag step that moved; zeros before one
extern int32_t composeCount;       // compositions since the last renormalisation

// Stores the size and sets the orientation to the identity; the matrix is left alone.
void TrackballReset(int32_t width, int32_t height);
// Stores the size, nothing else.
void TrackballSetSize(int32_t width, int32_t height);
// One drag step from (lastX, lastY) to (x, y), client pixels: composes the step into the
// orientation (when the pointer moved) and rewrites the matrix.
void TrackballDrag(int32_t x, int32_t y, int32_t lastX, int32_t lastY, float* matrix);
// Applies the last step once more and rewrites the matrix.
void TrackballSpin(float* matrix);

// Internal operations, declared for the tests.
void DragToQuaternion(float* q, float p1x, float p1y, float p2x, float p2y);
float BallHeight(float r, float x, float y);
void QuaternionFromAxisAngle(float* axis, float angle, float* q);
void ComposeQuaternions(const float* first, const float* second, float* result);
void RenormalizeQuaternion(float* q);
void RotationMatrixFromQuaternion(float* matrix, const float* q);

void Vec3Set(float* v, float x, float y, float z);
void Vec3Subtract(const float* a, const float* b, float* out);
void Vec3Copy(const float* from, float* to);
void Vec3Cross(const float* a, const float* b, float* out);
float Vec3Length(const float* v);
void Vec3Scale(float* v, float s);
void Vec3Normalize(float* v);
float Vec3Dot(const float* a, const float* b);
void Vec3Add(const float* a, const float* b, float* out);

#endif
