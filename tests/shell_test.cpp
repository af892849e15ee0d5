// shell_test.cpp: the window shell and the context set-up on real windows and contexts.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "resources/resources.h"
#include "shell/platform_test.h"
#include "shell/glcontext.h"
#include "shell/stereo.h"
#include "shell/window.h"
#include "tests/gl_test_env.h"
#include "tests/shell_test_program.h"
#include "tests/test_util.h"

namespace {

// Opens the shell's main window as WinMain does, without the message loop.
HWND OpenMainWindow() {
    static bool registered = false;
    if (!registered) {
        registered = RegisterMainClass(&tavrinResources) != 0;
        EXPECT_TRUE(registered);
    }
    programLog.clear();
    int before = platformLastMessageBox.count;
    EXPECT_EQ(CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT), 1);
    (void)before;
    return windowDC;
}

void CloseMainWindow(HWND window) {
    DestroyWindow(window);
    TakeQuitMessage();
}

TEST(Shell, CreationSetsUpTheContextThenTheScene) {
    int boxes = platformLastMessageBox.count;
    HWND window = OpenMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(renderContext, nullptr);
    ASSERT_GE(programLog.size(), 2u);
    EXPECT_EQ(programLog[0], "create ready");
    EXPECT_EQ(programLog[1].rfind("resize ", 0), 0u);
    // the report: the real driver strings, the stereo line and, on this driver, the warning
    EXPECT_EQ(platformLastMessageBox.count, boxes + 1);
    EXPECT_STREQ(platformLastMessageBox.caption, "VOXA Tessan-9 OpenGL in Stereo");
    EXPECT_EQ(platformLastMessageBox.flags, static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONEXCLAMATION));
    std::string text = platformLastMessageBox.text;
    EXPECT_EQ(text.rfind("Current OpenGL Driver:\n\n", 0), 0u);
    EXPECT_NE(text.find("Mesa"), std::string::npos);
    EXPECT_NE(text.find("\nGL_STEREO == GL_FALSE\n"), std::string::npos);
    EXPECT_NE(text.find("\nAttention! No VOXA OpenGL driver running!\n"), std::string::npos);
    CloseMainWindow(window);
}

TEST(Shell, ReleaseRunsWithTheContextCurrentThenQuits) {
    HWND window = OpenMainWindow();
    programLog.clear();
    DestroyWindow(window);
    EXPECT_EQ(programLog, std::vector<std::string>{"release with context"});
    EXPECT_EQ(renderContext, nullptr);
    MSG msg;
    EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST(Shell, EachSetupFailureShowsItsErrorBox) {
    const char* texts[] = {
        "ChoosePixelFormat returned 0.\nGetlastError() == 2000\n",
        "SetPixelFormat returned FALSE.\nGetlastError() == 2000\n",
        "wglCreateContext returned NULL.\nGetlastError() == 2000\n",
        "wglMakeCurrent returned FALSE.\nGetlastError() == 2000\n",
    };
    for (int step = PLATFORM_FAIL_CHOOSE; step <= PLATFORM_FAIL_MAKE_CURRENT; step++) {
        PlatformTestFailStep(step);
        CapturedOutput quiet;
        HWND window = OpenMainWindow();
        quiet.Restore();
        PlatformTestFailStep(PLATFORM_FAIL_NONE);
        // the window is still made and shown; the scene is told the set-up failed
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(programLog[0], "create failed") << step;
        EXPECT_STREQ(platformLastMessageBox.text, texts[step - 1]);
        EXPECT_EQ(platformLastMessageBox.flags, static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONHAND));
        EXPECT_STREQ(platformLastMessageBox.caption, "VOXA Tessan-9 OpenGL in Stereo");
        EXPECT_NE(quiet.err.find("failed on request of a test"), std::string::npos);
        // only a context that was made is released
        programLog.clear();
        CloseMainWindow(window);
        if (step < PLATFORM_FAIL_MAKE_CURRENT) {
            EXPECT_TRUE(programLog.empty());
        }
    }
}

TEST(Shell, VendorTestSearchesTheWholeReport) {
    EXPECT_FALSE(FormatDriverReport("Mesa", "llvmpipe", "4.5", "GL_ARB_a GL_ARB_b", false));
    EXPECT_STREQ(reportText,
                 "Current OpenGL Driver:\n\nMesa\nllvmpipe\n4.5\nGL_ARB_a GL_ARB_b\n\nGL_STEREO == GL_FALSE\n"
                 "\nAttention! No VOXA OpenGL driver running!\n");
    EXPECT_TRUE(FormatDriverReport("Other Inc.", "R", "1.1", "GL_EXT_x GL_VOXA_stereo GL_EXT_y", true));
    EXPECT_STREQ(reportText,
                 "Current OpenGL Driver:\n\nOther Inc.\nR\n1.1\nGL_EXT_x GL_VOXA_stereo GL_EXT_y\n\nGL_STEREO == GL_TRUE\n");
    EXPECT_FALSE(FormatDriverReport("voxa", "", "", "", true));  // case-sensitive
    // a long extension list is cut at 1024 characters, the stereo line follows it
    std::string extensions(5000, 'x');
    FormatDriverReport("V", "R", "1", extensions.c_str(), false);
    EXPECT_EQ(std::string(reportText).find("\nGL_STEREO == GL_FALSE\n"), 1023u);
}

TEST(Shell, ThePixelFormatRequestAndEachProgramsIdentity) {
    const PIXELFORMATDESCRIPTOR& p = stereoPixelFormat;
    EXPECT_EQ(p.nSize, 40);
    EXPECT_EQ(p.nVersion, 1);
    EXPECT_EQ(p.dwFlags, 0x27u);
    EXPECT_EQ(p.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(p.cColorBits, 24);
    EXPECT_EQ(p.cDepthBits, 24);
    EXPECT_EQ(p.cAlphaBits + p.cAccumBits + p.cStencilBits + p.cAuxBuffers, 0);
    EXPECT_EQ(p.iLayerType, PFD_MAIN_PLANE);
    EXPECT_STREQ(tavrinInfo.className, "OpenGL_Stereo_Objects");
    EXPECT_STREQ(tavrinInfo.windowTitle, "VOXA Tessan-9 OpenGL in Stereo");
    EXPECT_STREQ(ondrelInfo.className, "Ondrel");
    EXPECT_STREQ(ondrelInfo.windowTitle, "VOXA Tessan-9 Ondrel");
    EXPECT_TRUE(tavrinInfo.takesModelFile);
    EXPECT_FALSE(ondrelInfo.takesModelFile);
    // on the maker's driver only Ondrel shows its report
    EXPECT_FALSE(tavrinInfo.reportOnMakersDriver);
    EXPECT_TRUE(ondrelInfo.reportOnMakersDriver);
}

// Runs with the driver's vendor string set to the maker's (a ctest entry of its own).
TEST(Shell, OnTheMakersDriverOnlyOndrelReports) {
    HWND probe = OpenMainWindow();
    bool makers = strstr(reinterpret_cast<const char*>(glGetString(GL_VENDOR)), "VOXA") != nullptr;
    CloseMainWindow(probe);
    if (!makers) GTEST_SKIP() << "needs the maker's driver";
    for (bool reports : {false, true}) {
        shellTestInfo.reportOnMakersDriver = reports;
        int boxes = platformLastMessageBox.count;
        HWND window = OpenMainWindow();
        EXPECT_EQ(platformLastMessageBox.count, boxes + (reports ? 1 : 0));
        EXPECT_EQ(std::string(reportText).find("Attention!"), std::string::npos);
        if (reports) {
            EXPECT_EQ(platformLastMessageBox.flags, static_cast<UINT>(MB_SYSTEMMODAL | MB_ICONINFORMATION));
            EXPECT_STREQ(platformLastMessageBox.text, reportText);
        }
        EXPECT_EQ(programLog[0], "create ready");
        CloseMainWindow(window);
    }
    shellTestInfo.reportOnMakersDriver = tavrinInfo.reportOnMakersDriver;
}

TEST(Shell, AWindowThatCannotBeMadeEndsTheProgramWithALine) {
    // the platform has one window a program: a second cannot be made
    HWND first = OpenMainWindow();
    char tail[] = "model.obj";
    CapturedOutput captured;
    EXPECT_EQ(WinMain(&tavrinResources, &tavrinResources, tail, SW_SHOWDEFAULT), 1);
    captured.Restore();
    EXPECT_EQ(captured.err.rfind("CreateWindow() failed: one window per program\n", 0), 0u) << captured.err;
    EXPECT_NE(captured.err.find("Tavrin: can't create the main window (error 8).\n"), std::string::npos);
    CloseMainWindow(first);
}

TEST(Shell, UnknownCommandsRepaintAndEscPostsDestroy) {
    HWND window = OpenMainWindow();
    DrainMessages(window);
    programLog.clear();
    StereoWndProc(window, WM_COMMAND, MAKEWPARAM(40036, 1), 0);
    EXPECT_EQ(programLog, std::vector<std::string>{"command 40036"});
    // the repaint that follows every command
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessage(&msg);
    StereoWndProc(window, WM_COMMAND, MAKEWPARAM(2, 1), 0);
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_DESTROY));
    DispatchMessage(&msg);
    EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
    DestroyWindow(window);
    TakeQuitMessage();
}

TEST(Shell, LongCommandLinesAreRefusedBeforeAnyWindow) {
    std::string tail(1024, 'm');
    CapturedOutput captured;
    EXPECT_EQ(WinMain(&tavrinResources, nullptr, &tail[0], SW_SHOWDEFAULT), 1);
    captured.Restore();
    EXPECT_EQ(captured.err, "Tavrin: the model file name is too long (1024 characters; at most 1023).\n");
}

}  // namespace
