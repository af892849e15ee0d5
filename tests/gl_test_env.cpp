// gl_test_env.cpp: the environment and message helpers of the window tests.
#include "tests/gl_test_env.h"
#include <stdlib.h>
#include <sys/stat.h>
#include <string>
#include "tests/test_util.h"

// The programs keep their stereo output and save pictures under the user's folders: each
// test process gets folders of its own, so that no test starts in another's output.
static const bool privateHome = [] {
    std::string home = TempDir() + "/home";
    mkdir(home.c_str(), 0755);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    return true;
}();

static LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

GlTestContext OpenGlTestContext(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASS wc = {};
        wc.lpfnWndProc = PlainProc;
        wc.lpszClassName = "GlTest";
        registered = RegisterClass(&wc) != 0;
    }
    GlTestContext c = {nullptr, nullptr};
    c.window = CreateWindow("GlTest", "gl test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                            nullptr, nullptr, nullptr, nullptr);
    if (!c.window) return c;
    HDC dc = GetDC(c.window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_STEREO;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 24;
    int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd)) return c;
    c.context = wglCreateContext(dc);
    if (c.context) wglMakeCurrent(dc, c.context);
    return c;
}

void CloseGlTestContext(GlTestContext* c) {
    if (c->context) {
        wglMakeCurrent(GetDC(c->window), nullptr);
        wglDeleteContext(c->context);
    }
    if (c->window) DestroyWindow(c->window);
    c->window = nullptr;
    c->context = nullptr;
}

void DrainMessages(HWND window) {
    SetTimer(window, 0x5e7, 1, nullptr);
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && msg.wParam == 0x5e7) break;
        DispatchMessage(&msg);
    }
    KillTimer(window, 0x5e7);
}

void TakeQuitMessage() {
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0)) {
    }
}

// Mesa's drivers keep allocations past their unloading, which the leak checker cannot tell
// from ours: it is off in the tests that open contexts (the sanitizer build reads this)
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new OffscreenEnvironment);
    return RUN_ALL_TESTS();
}

namespace {

EyePicture picture(bool read, int width, int height, unsigned char* pixels) {
    EyePicture p;
    EXPECT_TRUE(read);
    if (read) {
        p.width = width;
        p.height = height;
        p.rgba.assign(pixels, pixels + static_cast<size_t>(width) * height * 4);
    }
    free(pixels);
    return p;
}

}  // namespace

EyePicture ReadEyePicture(int eye) {
    int width = 0, height = 0;
    unsigned char* pixels = nullptr;
    bool read = PlatformReadEye(eye, &width, &height, &pixels);
    return picture(read, width, height, pixels);
}

EyePicture ReadWindowPicture(void) {
    int width = 0, height = 0;
    unsigned char* pixels = nullptr;
    bool read = PlatformTestReadWindow(&width, &height, &pixels);
    return picture(read, width, height, pixels);
}
