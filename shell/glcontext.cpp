// glcontext.cpp: pixel format, rendering context and the driver report; their release.
#include "shell/glcontext.h"
#include <GL/gl.h>
#include <string.h>
#include "shell/program.h"

HDC windowDC = nullptr;
HGLRC renderContext = nullptr;
unsigned char stereoAvailable = 0;
char reportText[2048] = "";
bool contextReady = false;

const PIXELFORMATDESCRIPTOR stereoPixelFormat = {
    sizeof(PIXELFORMATDESCRIPTOR), 1, PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_STEREO,
    PFD_TYPE_RGBA, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 24, 0, 0, PFD_MAIN_PLANE, 0, 0, 0, 0,
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the descriptor is 40 bytes");

static void showSetupError(const char* format) {
    wsprintfA(reportText, format, static_cast<long>(static_cast<int32_t>(GetLastError())));
    MessageBox(GetFocus(), reportText, programInfo.windowTitle, MB_OK | MB_SYSTEMMODAL | MB_ICONHAND);
}

static const char* glText(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

bool FormatDriverReport(const char* vendor, const char* renderer, const char* version, const char* extensions,
                        bool stereo) {
    // the formatter stops at 1024 characters, so a long extension list is cut there
    wsprintfA(reportText, "Current OpenGL Driver:\n\n%s\n%s\n%s\n%s\n", vendor, renderer, version, extensions);
    strcat(reportText, stereo ? "\nGL_STEREO == GL_TRUE\n" : "\nGL_STEREO == GL_FALSE\n");
    // the maker's driver: its name anywhere in the report, extensions included
    bool makersDriver = strstr(reportText, "VOXA") != nullptr;
    if (!makersDriver) strcat(reportText, "\nAttention! No VOXA OpenGL driver running!\n");
    return makersDriver;
}

void SetupStereoContext(HWND window) {
    contextReady = false;
    windowDC = GetDC(window);
    int format = ChoosePixelFormat(windowDC, &stereoPixelFormat);
    if (format == 0) return showSetupError("ChoosePixelFormat returned 0.\nGetlastError() == %ld\n");
    if (!SetPixelFormat(windowDC, format, &stereoPixelFormat))
        return showSetupError("SetPixelFormat returned FALSE.\nGetlastError() == %ld\n");
    renderContext = wglCreateContext(windowDC);
    if (!renderContext) return showSetupError("wglCreateContext returned NULL.\nGetlastError() == %ld\n");
    if (!wglMakeCurrent(windowDC, renderContext))
        return showSetupError("wglMakeCurrent returned FALSE.\nGetlastError() == %ld\n");

    GLboolean stereo = GL_FALSE;
    glGetBooleanv(GL_STEREO, &stereo);
    stereoAvailable = stereo;
    bool makersDriver =
        FormatDriverReport(glText(GL_VENDOR), glText(GL_RENDERER), glText(GL_VERSION), glText(GL_EXTENSIONS), stereo);
    if (!makersDriver)
        MessageBox(GetFocus(), reportText, programInfo.windowTitle, MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
    else if (programInfo.reportOnMakersDriver)
        MessageBox(GetFocus(), reportText, programInfo.windowTitle, MB_OK | MB_SYSTEMMODAL | MB_ICONINFORMATION);
    contextReady = true;
}

void ReleaseStereoContext(HWND window) {
    if (!renderContext) return;
    if (windowDC) {
        OnProgramRelease();
        wglMakeCurrent(windowDC, nullptr);
        ReleaseDC(window, windowDC);
    }
    wglDeleteContext(renderContext);
    renderContext = nullptr;
    windowDC = nullptr;
    contextReady = false;
}
