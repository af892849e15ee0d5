// animation.cpp: the 40 ms animation step, the per-eye scene and the commands of Ondrel.
#include "demo/animation.h"
#include <GL/gl.h>
#include "demo/solids.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/stereo_keys.h"

float angleX = 0.0f, angleY = 0.0f, angleZ = 0.0f;
float bounceOffset = 0.0f;
float bounceStep = 0x1.47ae14p-8f;  // 0.005, bits 0x3BA3D70A
float pulseStep = 0x1.eb851ep-7f;   // 0.015, bits 0x3C75C28F
UINT_PTR animationTimer = 0;

void StartAnimationTimer(HWND window) { animationTimer = SetTimer(window, ONDREL_ANIMATION_TIMER, 40, nullptr); }

static float wrapAngle(float angle, float step) {
    angle += step;
    if (angle > 360.0f) angle -= 360.0f;
    return angle;
}

// the tests are strict: a value that lands on a limit stays, its step keeps its sign
static void bounce(float* value, float* step, float low, float high) {
    *value += *step;
    if (*value > high) {
        *value = high;
        *step = -*step;
    } else if (*value < low) {
        *value = low;
        *step = -*step;
    }
}

void AdvanceAnimation(void) {
    angleX = wrapAngle(angleX, 0.6f);
    angleY = wrapAngle(angleY, 1.0f);
    angleZ = wrapAngle(angleZ, 0.4f);
    bounce(&bounceOffset, &bounceStep, -0.5f, 0.5f);
    bounce(&pulseScale, &pulseStep, 0.25f, 1.5f);
}

void DrawDemoEye(void) {
    glLoadIdentity();
    glRotatef(angleZ, 0.0f, 0.0f, 1.0f);
    glRotatef(angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(angleX, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, bounceOffset);
    DrawDodecahedron();
    glCallList(icosahedronList);
}

void OnDemoCommand(HWND window, int id) {
    switch (id) {
    case ID_SINGLE_SIDED: glEnable(GL_CULL_FACE); break;
    case ID_DOUBLE_SIDED: glDisable(GL_CULL_FACE); break;
    case ID_ONDREL_RESET_EYES: ResetEyes(window); break;
    default: break;
    }
}

// --- the shell's hooks ---------------------------------------------------------------------

void OnProgramCreate(HWND window, bool contextReady) {
    if (contextReady) SetupDemoScene();
    // the animation runs also after a failed set-up
    StartAnimationTimer(window);
}

void OnProgramRelease(void) { glDeleteLists(icosahedronList, 1); }

// Ondrel has nothing to start early, no keys of its own beyond the shell's, and no files.
void OnProgramStart(void) {}
bool OnProgramKey(HWND, WPARAM) { return false; }
void OnProgramMessage(HWND, UINT, WPARAM, LPARAM) {}

void OnProgramCommand(HWND window, int id) { OnDemoCommand(window, id); }

void OnProgramTimer(HWND window, WPARAM) {
    AdvanceAnimation();
    InvalidateRect(window, nullptr, FALSE);
}

void OnProgramResize(int, int) {}

bool OnProgramMouse(HWND, UINT, int, int) { return false; }

bool OnProgramFrame(bool) { return false; }
bool DrawProgramEye(int) {
    DrawDemoEye();
    return true;
}

// the solids' corners lie on the unit sphere
float ProgramSceneRadius(void) { return 1.0f; }
