// tavrin_hooks.cpp: Tavrin's side of the shell's hooks: the model session's start, messages
// and timers, the keys and mouse of its scene, and the scene's size.
#include <string.h>
#include "shell/command_line.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "viewer/detail.h"
#include "viewer/light.h"
#include "viewer/model_load.h"
#include "viewer/model_session.h"
#include "viewer/trackball.h"
#include "viewer/viewer.h"

void OnProgramStart(void) { StartModelSession(modelFileName); }

void OnProgramCreate(HWND window, bool contextReady) {
    if (!contextReady) return;
    SetupViewerScene(window);
    RECT client;
    GetClientRect(window, &client);
    OnResize(client.right, client.bottom);
    TrackballReset(client.right, client.bottom);
    ShowModelWhenLoaded(window);
}

void OnProgramRelease(void) {}

void OnProgramCommand(HWND window, int id) { OnViewerCommand(window, id); }

bool OnProgramKey(HWND window, WPARAM key) {
    if (key == VK_F4) {
        ToggleLight(window);
        return true;
    }
    if (key != VK_F5) return false;
    ReloadModel(window);
    return true;
}

void OnProgramMessage(HWND window, UINT message, WPARAM wParam, LPARAM) { OnModelSessionMessage(window, message, wParam); }

void OnProgramTimer(HWND window, WPARAM id) {
    if (OnModelSessionTimer(window, id)) return;
    if (id == TAVRIN_REST_TIMER) OnRestTimer(window);
    if (id != TAVRIN_SPIN_TIMER) return;
    float before[16];
    memcpy(before, rotationMatrix, sizeof before);
    TrackballSpin(rotationMatrix);
    // a spin of no step draws nothing new (a full model at rest is not drawn again and again)
    if (memcmp(before, rotationMatrix, sizeof before) != 0) InvalidateRect(window, nullptr, FALSE);
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
        spinTimer = SetTimer(window, TAVRIN_SPIN_TIMER, 10, nullptr);
        return true;
    case WM_MBUTTONUP:
    case WM_RBUTTONUP:
        StopSpinning(window);
        return false;
    default:
        return false;
    }
}

bool OnProgramFrame(bool unfinished) {
    return OnDetailFrame(unfinished, rotationMatrix,
                         leftDragging || eyeSeparationDragging || frustumShiftDragging || ModelLoadRunning());
}

bool DrawProgramEye(int eye) { return DrawViewerEye(eye); }

float ProgramSceneRadius(void) { return sceneRadius; }
