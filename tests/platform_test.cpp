// platform_test.cpp: the SDL platform layer on real windows (offscreen driver), observed
// through a window procedure that records what it receives.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "resources/resources.h"
#include "shell/platform.h"
#include "shell/platform_test.h"
#include "tests/gl_test_env.h"

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> received;
bool createdBeforeReturn = false;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back({message, wParam, lParam});
    if (message == WM_PAINT) ValidateRect(window, nullptr);
    return message == WM_CLOSE ? DefWindowProc(window, message, wParam, lParam) : 0;
}

HWND OpenRecordingWindow() {
    static bool registered = false;
    if (!registered) {
        WNDCLASS wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "PlatformTest";
        wc.hIcon = LoadIcon(&tavrinResources, MAKEINTRESOURCE(110));
        EXPECT_NE(RegisterClass(&wc), 0);
        registered = true;
    }
    received.clear();
    HWND window = CreateWindow("PlatformTest", "platform test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                               240, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(window, nullptr);
    createdBeforeReturn = !received.empty() && received[0].message == WM_CREATE;
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    DrainMessages(window);
    received.clear();
    return window;
}

void PushKey(HWND window, SDL_Keycode key, Uint16 modifiers, bool down = true) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = PlatformTestWindowId(window);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = modifiers;
    SDL_PushEvent(&e);
}

MSG Next() {
    MSG msg;
    EXPECT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    return msg;
}

TEST(Platform, CreateSendsCreateThenSizeBeforeReturning) {
    HWND window = OpenRecordingWindow();
    EXPECT_TRUE(createdBeforeReturn);
    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    DestroyWindow(window);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().message, WM_DESTROY);
}

TEST(Platform, MessagesComePostedInputPaintTimer) {
    HWND window = OpenRecordingWindow();
    SetTimer(window, 7, 1, nullptr);
    InvalidateRect(window, nullptr, FALSE);
    PushKey(window, SDLK_x, KMOD_NONE);
    PostMessage(window, WM_COMMAND, 111, 0);
    PostMessage(window, WM_COMMAND, 222, 0);
    SDL_Delay(5);
    MSG m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(m.wParam, 111u);
    EXPECT_EQ(Next().wParam, 222u);
    m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(m.wParam, static_cast<WPARAM>('X'));
    m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_PAINT));
    // paint repeats while the window stays invalid
    EXPECT_EQ(Next().message, static_cast<UINT>(WM_PAINT));
    ValidateRect(window, nullptr);
    m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.wParam, 7u);
    KillTimer(window, 7);
    DestroyWindow(window);
}

TEST(Platform, LateTimerGivesOneMessageNotABurst) {
    HWND window = OpenRecordingWindow();
    SetTimer(window, 3, 10, nullptr);
    SDL_Delay(100);  // ten periods late
    MSG m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    Uint64 start = SDL_GetTicks64();
    m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    // the loop waited a period for the second tick instead of handing out the missed ones
    EXPECT_GE(SDL_GetTicks64() - start, 9u);
    KillTimer(window, 3);
    DestroyWindow(window);
}

// Every entry of both accelerator tables, through key events and the real translation.
void ExpectTableTranslates(HWND window, HACCEL table) {
    ASSERT_NE(table, nullptr);
    for (int i = 0; i < table->count; i++) {
        const ACCEL& a = table->entries[i];
        SDL_Keycode key = a.key >= 'A' && a.key <= 'Z' ? SDLK_a + (a.key - 'A')
                          : a.key >= '0' && a.key <= '9' ? SDLK_0 + (a.key - '0')
                          : a.key == VK_ESCAPE ? SDLK_ESCAPE
                          : a.key == VK_RETURN ? SDLK_RETURN
                          : a.key == VK_SPACE ? SDLK_SPACE
                          : a.key == VK_LEFT ? SDLK_LEFT
                          : a.key == VK_RIGHT ? SDLK_RIGHT
                          : a.key == VK_UP ? SDLK_UP : SDLK_DOWN;
        PushKey(window, key, (a.fVirt & FSHIFT) ? KMOD_LSHIFT : KMOD_NONE);
        MSG m = Next();
        ASSERT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
        received.clear();
        EXPECT_EQ(TranslateAccelerator(window, table, &m), 1) << "entry " << i;
        ASSERT_EQ(received.size(), 1u);
        EXPECT_EQ(received[0].message, static_cast<UINT>(WM_COMMAND));
        EXPECT_EQ(LOWORD(received[0].wParam), a.cmd) << "entry " << i;
    }
}

TEST(Platform, AcceleratorTablesTranslateEveryEntry) {
    HWND window = OpenRecordingWindow();
    HACCEL tavrin = LoadAccelerators(&tavrinResources, MAKEINTRESOURCE(103));
    HACCEL ondrel = LoadAccelerators(&ondrelResources, MAKEINTRESOURCE(103));
    ExpectTableTranslates(window, tavrin);
    ExpectTableTranslates(window, ondrel);
    // the programs' own bindings
    const std::pair<WPARAM, WORD> tavrinKeys[] = {{VK_ESCAPE, 2}, {VK_RETURN, 40042}, {VK_SPACE, 40041}, {'1', 40007}, {'2', 40008}};
    for (auto& k : tavrinKeys) {
        bool found = false;
        for (int i = 0; i < tavrin->count && !found; i++)
            found = tavrin->entries[i].key == k.first && tavrin->entries[i].cmd == k.second;
        EXPECT_TRUE(found) << k.first;
    }
    // Shift selects the other entry; a key that no entry binds is not translated
    PushKey(window, SDLK_g, KMOD_NONE);
    PushKey(window, SDLK_g, KMOD_RSHIFT);
    PushKey(window, SDLK_SPACE, KMOD_NONE);
    PushKey(window, SDLK_b, KMOD_NONE);
    WORD expected[] = {40024, 40023, 0, 0};
    for (WORD cmd : expected) {
        MSG m = Next();
        received.clear();
        int hit = TranslateAccelerator(window, cmd == 0 && m.wParam == VK_SPACE ? ondrel : tavrin, &m);
        EXPECT_EQ(hit, cmd != 0);
        if (cmd) {
            EXPECT_EQ(LOWORD(received[0].wParam), cmd);
        }
    }
    DestroyWindow(window);
}

TEST(Platform, FirstMatchingAcceleratorWins) {
    HWND window = OpenRecordingWindow();
    const ACCEL entries[] = {{FVIRTKEY | FNOINVERT, 'Q', 1}, {FVIRTKEY | FNOINVERT, 'Q', 2}};
    const PlatformAccelerators table = {1, entries, 2};
    PushKey(window, SDLK_q, KMOD_NONE);
    MSG m = Next();
    received.clear();
    EXPECT_EQ(TranslateAccelerator(window, &table, &m), 1);
    EXPECT_EQ(LOWORD(received[0].wParam), 1);
    DestroyWindow(window);
}

TEST(Platform, MouseMessagesCarrySignedCoordinatesAndButtons) {
    HWND window = OpenRecordingWindow();
    SDL_Event e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = PlatformTestWindowId(window);
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 10;
    e.button.y = 20;
    SDL_PushEvent(&e);
    e = SDL_Event();
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = PlatformTestWindowId(window);
    e.motion.x = -30;   // outside the window while captured
    e.motion.y = 500;
    SDL_PushEvent(&e);
    MSG m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 20);
    EXPECT_EQ(m.wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
    m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(m.lParam), -30);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 500);
    DestroyWindow(window);
}

TEST(Platform, CloseFromTheTitleBarDestroysTheWindow) {
    HWND window = OpenRecordingWindow();
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = PlatformTestWindowId(window);
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    MSG m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_CLOSE));
    DispatchMessage(&m);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().message, WM_DESTROY);
}

TEST(Platform, FormatterStopsAt1024Characters) {
    std::string longText(3000, 'e');
    char buffer[2048];
    memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
    EXPECT_EQ(strlen(buffer), 1023u);
    EXPECT_EQ(buffer[1024], 'Z');
    wsprintfA(buffer, "%ld|%s", -5l, "x");
    EXPECT_STREQ(buffer, "-5|x");
}

}  // namespace
