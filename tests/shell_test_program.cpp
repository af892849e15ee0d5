// shell_test_program.cpp: a program for the shell tests: Tavrin's constants, and hooks that
// record what the shell asked of them. A test may install a scene routine for the eyes.
#include "tests/shell_test_program.h"
#include <GL/gl.h>
#include "shell/program.h"
#include "shell/platform.h"

const ProgramInfo& programInfo = shellTestInfo;
ProgramInfo shellTestInfo = tavrinInfo;
std::vector<std::string> programLog;
int testScene = 0;
std::vector<std::string> frameLog;
bool testResumeFrames = false;
int testEyeParts[2] = {0, 0};

void OnProgramStart(void) {}
bool OnProgramKey(HWND, WPARAM) { return false; }
void OnProgramMessage(HWND, UINT, WPARAM, LPARAM) {}
void OnProgramCreate(HWND, bool contextReady) { programLog.push_back(contextReady ? "create ready" : "create failed"); }
void OnProgramRelease(void) {
    // the context is still current here
    GLint viewport[4] = {-1, -1, -1, -1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    programLog.push_back(viewport[0] == 0 ? "release with context" : "release without context");
}
void OnProgramCommand(HWND, int id) { programLog.push_back("command " + std::to_string(id)); }
void OnProgramTimer(HWND, WPARAM id) { programLog.push_back("timer " + std::to_string(id)); }
void OnProgramResize(int width, int height) {
    programLog.push_back("resize " + std::to_string(width) + "x" + std::to_string(height));
}
bool OnProgramMouse(HWND, UINT, int, int) { return false; }
float ProgramSceneRadius(void) { return 1.0f; }

bool OnProgramFrame(bool unfinished) {
    frameLog.push_back(unfinished ? "frame unfinished" : "frame");
    return testResumeFrames;
}
bool DrawProgramEye(int eye) {
    frameLog.push_back("eye " + std::to_string(eye));
    if (testScene) DrawTestScene(testScene, eye);
    if (testEyeParts[eye] == 0) return true;
    testEyeParts[eye]--;
    return false;
}
