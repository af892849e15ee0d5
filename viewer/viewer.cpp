// viewer.cpp: Tavrin's scene set-up, model list, per-eye drawing, commands and mouse.
#include "viewer/viewer.h"
#include <GL/gl.h>
#include <string.h>
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/window.h"
#include "viewer/trackball.h"

GlmModel* viewerModel = nullptr;
uint32_t modelList = 0;
bool useMaterials = false;
float smoothingAngle = 90.0f;
UINT_PTR spinTimer = 0;
bool leftDragging = false;
float rotationMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void SetupViewerScene(void) {
    viewerModel = glmReadOBJ(modelFileName);
    glmFitUnitCube(viewerModel);
    glmComputeFacetNormals(viewerModel);
    glmVertexNormals(viewerModel, smoothingAngle);
    useMaterials = viewerModel->materialCount != 0;
    BuildModelList();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

void BuildModelList(void) {
    static const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    static const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    static const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (modelList != 0) glDeleteLists(modelList, 1);
    // the current material, outside the list
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 65.0f);
    uint32_t mode = GLM_RENDER_SMOOTH | (useMaterials ? GLM_RENDER_MATERIAL : 0u);
    modelList = glmCompileList(viewerModel, mode);
}

void DrawViewerEye(int eye) {
    glLoadIdentity();
    glMultMatrixf(rotationMatrix);
    PlatformDrawBuffer(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0.75f, 0.75f, 0.75f);
    glCallList(modelList);
}

void StopSpinning(HWND window) {
    if (spinTimer != 0) {
        KillTimer(window, spinTimer);
        spinTimer = 0;
    }
}

void OnViewerCommand(HWND window, int id) {
    switch (id) {
    case 40007: glEnable(GL_CULL_FACE); break;   // Single sided
    case 40008: glDisable(GL_CULL_FACE); break;  // Double sided
    case 40041: StopSpinning(window); break;     // stop spinning
    case 40042: ResetEyes(window); break;        // Reset Eyes
    default: break;
    }
}

// The model library's fatal line, shown in a box as well before the process ends, so that a
// user who started Tavrin from the desktop (no terminal) learns why it closed.
void glmReportFatal(const char* message) {
    char text[2048 + 256];
    size_t n = strlen(message);
    if (n > 2047) n = 2047;
    memcpy(text, message, n);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) n--;
    text[n] = '\0';
    if (modelFileName[0] == '\0')
        strcat(text, "\n\nTavrin shows the Wavefront OBJ model file named as its argument: open an .obj file "
                     "with Tavrin, or start it as \"Tavrin model.obj\".");
    MessageBox(GetFocus(), text, programInfo.windowTitle, MB_OK | MB_SYSTEMMODAL | MB_ICONHAND);
}

// --- the shell's hooks ---------------------------------------------------------------------

void OnProgramCreate(HWND window, bool contextReady) {
    if (!contextReady) return;
    SetupViewerScene();
    RECT client;
    GetClientRect(window, &client);
    OnResize(client.right, client.bottom);
    TrackballReset(client.right, client.bottom);
}

void OnProgramRelease(void) {}

void OnProgramCommand(HWND window, int id) { OnViewerCommand(window, id); }

void OnProgramTimer(HWND window, WPARAM) {
    TrackballSpin(rotationMatrix);
    InvalidateRect(window, nullptr, FALSE);
}

void OnProgramResize(int width, int height) { TrackballSetSize(width, height); }

bool OnProgramMouse(HWND window, UINT message, int x, int y) {
    switch (message) {
    case WM_LBUTTONDOWN:
        leftDragging = true;
        lastMouseX = x;
        lastMouseY = y;
        SetCapture(window);
        StopSpinning(window);
        return true;
    case WM_MOUSEMOVE:
        // the left button is tested before the tuning buttons
        if (!leftDragging) return false;
        TrackballDrag(x, y, lastMouseX, lastMouseY, rotationMatrix);
        lastMouseX = x;
        lastMouseY = y;
        InvalidateRect(window, nullptr, FALSE);
        return true;
    case WM_LBUTTONUP:
        leftDragging = false;
        ReleaseCapture();
        StopSpinning(window);
        spinTimer = SetTimer(window, 1, 10, nullptr);
        return true;
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
        StopSpinning(window);
        return false;
    default:
        return false;
    }
}

void DrawProgramEye(int eye) { DrawViewerEye(eye); }
