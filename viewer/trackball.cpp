// trackball.cpp: pointer positions lifted onto a ball with a hyperbolic sheet, rotation steps
// as quaternions, and the rotation matrix of the accumulated orientation.
#include "viewer/trackball.h"
#include <math.h>

// ball radius in the normalised frame, where the window spans -1 to 1
static const float ballRadius = 0.5f;
// 1/sqrt(2) in single precision (bits 0x3F3504F3): the ball's core ends at r times this
static const float coreFactor = 0.70710677f;
// renormalise the orientation on every 98th composition
static const int32_t renormalizeLimit = 97;

int32_t trackballWidth = 0;
int32_t trackballHeight = 0;
float orientationQuat[4] = {0, 0, 0, 0};
float lastStepQuat[4] = {0, 0, 0, 0};
int32_t composeCount = 0;


void Vec3Set(float* v, float x, float y, float z) {
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void Vec3Subtract(const float* a, const float* b, float* out) {
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

void Vec3Copy(const float* from, float* to) {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

void Vec3Cross(const float* a, const float* b, float* out) {
    float t[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    Vec3Copy(t, out);
}

float Vec3Length(const float* v) { return sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void Vec3Scale(float* v, float s) {
    v[0] *= s;
    v[1] *= s;
    v[2] *= s;
}

void Vec3Normalize(float* v) {
    float inverse = 1.0f / Vec3Length(v);
    Vec3Scale(v, inverse);
}

float Vec3Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Vec3Add(const float* a, const float* b, float* out) {
    out[0] = a[0] + b[0];
    out[1] = a[1] + b[1];
    out[2] = a[2] + b[2];
}

float BallHeight(float r, float x, float y) {
    float d = sqrtf(x * x + y * y);
    float core = r * coreFactor;
    if (d < core) return sqrtf(r * r - d * d);
    // the hyperbolic sheet z = (r^2 / 2) / d, continuous with the ball at the core's edge
    return core * core / d;
}

void QuaternionFromAxisAngle(float* axis, float angle, float* q) {
    Vec3Normalize(axis);
    Vec3Copy(axis, q);
    Vec3Scale(q, sinf(angle / 2.0f));
    q[3] = cosf(angle / 2.0f);
}

void DragToQuaternion(float* q, float p1x, float p1y, float p2x, float p2y) {
    if (p1x == p2x && p1y == p2y) {
        q[0] = q[1] = q[2] = 0.0f;
        q[3] = 1.0f;
        return;
    }
    float p1[3], p2[3], axis[3], d[3];
    Vec3Set(p1, p1x, p1y, BallHeight(ballRadius, p1x, p1y));
    Vec3Set(p2, p2x, p2y, BallHeight(ballRadius, p2x, p2y));
    // the current point first: with the matrix's element order the surface follows the pointer
    Vec3Cross(p2, p1, axis);
    Vec3Subtract(p1, p2, d);
    float t = Vec3Length(d);
    if (t > 1.0f) t = 1.0f;
    float phi = 2.0f * asinf(t);
    QuaternionFromAxisAngle(axis, phi, q);
}

void RenormalizeQuaternion(float* q) {
    // divides by the squared length, computed once
    float s = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    for (int i = 0; i < 4; i++) q[i] /= s;
}

void ComposeQuaternions(const float* a, const float* b, float* result) {
    float t1[3], t2[3], t3[3], v[3];
    Vec3Copy(a, t1);
    Vec3Scale(t1, b[3]);
    Vec3Copy(b, t2);
    Vec3Scale(t2, a[3]);
    Vec3Cross(b, a, t3);
    Vec3Add(t1, t2, v);
    Vec3Add(t3, v, v);
    float w = a[3] * b[3] - Vec3Dot(a, b);
    Vec3Copy(v, result);
    result[3] = w;
    if (++composeCount > renormalizeLimit) {
        composeCount = 0;
        RenormalizeQuaternion(result);
    }
}

void RotationMatrixFromQuaternion(float* m, const float* q) {
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    m[0] = 1.0f - 2.0f * (y * y + z * z);
    m[1] = 2.0f * (x * y - z * w);
    m[2] = 2.0f * (z * x + y * w);
    m[3] = 0.0f;
    m[4] = 2.0f * (x * y + z * w);
    m[5] = 1.0f - 2.0f * (z * z + x * x);
    m[6] = 2.0f * (y * z - x * w);
    m[7] = 0.0f;
    m[8] = 2.0f * (z * x - y * w);
    m[9] = 2.0f * (y * z + x * w);
    m[10] = 1.0f - 2.0f * (y * y + x * x);
    m[11] = 0.0f;
    m[12] = 0.0f;
    m[13] = 0.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
}

void TrackballSetSize(int32_t width, int32_t height) {
    trackballWidth = width;
    trackballHeight = height;
}

void TrackballReset(int32_t width, int32_t height) {
    TrackballSetSize(width, height);
    DragToQuaternion(orientationQuat, 0.0f, 0.0f, 0.0f, 0.0f);
}

void TrackballDrag(int32_t x, int32_t y, int32_t lastX, int32_t lastY, float* matrix) {
    // a collapsed window has no frame to map into: the step changes nothing
    if ((x != lastX || y != lastY) && trackballWidth > 0 && trackballHeight > 0) {
        const float w = static_cast<float>(trackballWidth), h = static_cast<float>(trackballHeight);
        float p1x = 1.0f - 2.0f * (w - lastX) / w, p1y = 1.0f - 2.0f * lastY / h;
        float p2x = 1.0f - 2.0f * (w - x) / w, p2y = 1.0f - 2.0f * y / h;
        DragToQuaternion(lastStepQuat, p1x, p1y, p2x, p2y);
        ComposeQuaternions(lastStepQuat, orientationQuat, orientationQuat);
    }
    RotationMatrixFromQuaternion(matrix, orientationQuat);
}

void TrackballSpin(float* matrix) {
    // before the first step that moved there is nothing to repeat
    bool haveStep = lastStepQuat[0] != 0.0f || lastStepQuat[1] != 0.0f || lastStepQuat[2] != 0.0f ||
                    lastStepQuat[3] != 0.0f;
    if (haveStep) ComposeQuaternions(lastStepQuat, orientationQuat, orientationQuat);
    RotationMatrixFromQuaternion(matrix, orientationQuat);
}
