// platform_test.cpp: the SDL platform layer on real windows (offscreen driver), observed
// through a window procedure that records what it receives.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "resources/resources.h"
#include "shell/platform.h"
#include "shell/eye_buffers.h"
#include "shell/platform_internal.h"
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

// A key event as a keyboard makes it: the key's position (on a US layout unless given) and
// what the layout makes of it.
void PushKey(HWND window, SDL_Keycode key, Uint16 modifiers, bool down = true,
             SDL_Scancode position = SDL_SCANCODE_UNKNOWN) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = PlatformTestWindowId(window);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = position != SDL_SCANCODE_UNKNOWN ? position : SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = modifiers;
    SDL_PushEvent(&e);
}

void PushWindowEvent(HWND window, Uint8 event) {
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = PlatformTestWindowId(window);
    e.window.event = event;
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

TEST(Platform, LateTimerGivesOneMessageNotABurstAndKeepsItsBeat) {
    HWND window = OpenRecordingWindow();
    Uint64 set = SDL_GetTicks64();
    SetTimer(window, 3, 10, nullptr);
    SDL_Delay(100);  // ten periods late
    MSG m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    Uint64 start = SDL_GetTicks64();
    m = Next();
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    // the loop waited for the next beat instead of handing out the missed ones
    EXPECT_GT(SDL_GetTicks64(), start);
    EXPECT_GE(SDL_GetTicks64(), set + 110);
    KillTimer(window, 3);
    DestroyWindow(window);

    // the beat: the next due time counts from the last due time, not from when it fired
    EXPECT_EQ(PlatformTimerNextDue(100, 10, 100), 110u);
    EXPECT_EQ(PlatformTimerNextDue(100, 10, 107), 110u);
    EXPECT_EQ(PlatformTimerNextDue(100, 10, 110), 120u);
    EXPECT_EQ(PlatformTimerNextDue(100, 10, 135), 140u);
    EXPECT_EQ(PlatformTimerNextDue(100, 40, 100 + 40 * 1000 + 1), 100u + 40 * 1001);
}

TEST(Platform, KeysGoByTheirPositionOnTheKeyboard) {
    HWND window = OpenRecordingWindow();
    HACCEL tavrin = LoadAccelerators(&tavrinResources, MAKEINTRESOURCE(103));
    // on a French layout the key of 1 gives "&" and the key of A gives "q": the virtual keys
    // are those of the positions, so table 103 still answers
    PushKey(window, SDLK_AMPERSAND, KMOD_NONE, true, SDL_SCANCODE_1);
    PushKey(window, SDLK_q, KMOD_NONE, true, SDL_SCANCODE_A);
    // keypad digits are keys of their own; keypad Enter is Return
    PushKey(window, SDLK_KP_1, KMOD_NONE, true, SDL_SCANCODE_KP_1);
    PushKey(window, SDLK_KP_0, KMOD_NONE, true, SDL_SCANCODE_KP_0);
    PushKey(window, SDLK_KP_ENTER, KMOD_NONE, true, SDL_SCANCODE_KP_ENTER);
    PushKey(window, SDLK_F2, KMOD_NONE, true, SDL_SCANCODE_F2);
    const WPARAM keys[] = {'1', 'A', VK_NUMPAD1, VK_NUMPAD0, VK_RETURN, VK_F1 + 1};
    const WORD commands[] = {40007, 40018, 0, 0, 40042, 0};
    for (int i = 0; i < 6; i++) {
        MSG m = Next();
        ASSERT_EQ(m.message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_EQ(m.wParam, keys[i]) << i;
        received.clear();
        EXPECT_EQ(TranslateAccelerator(window, tavrin, &m), commands[i] != 0) << i;
        if (commands[i]) {
            EXPECT_EQ(LOWORD(received[0].wParam), commands[i]);
        }
    }
    DestroyWindow(window);
}

TEST(Platform, SizeFollowsTheDrawableOnAnyWindowEvent) {
    HWND window = OpenRecordingWindow();
    SDL_Window* sdl = SDL_GetWindowFromID(PlatformTestWindowId(window));
    // a new display scale changes the drawable alone: no resize event of the window's own
    SDL_SetWindowSize(sdl, 300, 200);
    SDL_PumpEvents();
    SDL_FlushEvent(SDL_WINDOWEVENT);
    PushWindowEvent(window, SDL_WINDOWEVENT_MOVED);
    MSG m = Next();
    ASSERT_EQ(m.message, static_cast<UINT>(WM_SIZE));
    EXPECT_EQ(LOWORD(m.lParam), 300);
    EXPECT_EQ(HIWORD(m.lParam), 200);
    DestroyWindow(window);
}

TEST(Platform, EyeBuffersNeedFramebufferObjects) {
    EXPECT_TRUE(EyeBuffersSupported("4.5 (Compatibility Profile) Mesa 22.3.6", ""));
    EXPECT_TRUE(EyeBuffersSupported("3.0", nullptr));
    EXPECT_TRUE(EyeBuffersSupported("2.1 Mesa", "GL_EXT_x GL_ARB_framebuffer_object GL_EXT_y"));
    EXPECT_TRUE(EyeBuffersSupported("2.0", "GL_ARB_framebuffer_object"));
    EXPECT_FALSE(EyeBuffersSupported("2.1", "GL_ARB_framebuffer_object_x GL_x_GL_ARB_framebuffer_object"));
    EXPECT_FALSE(EyeBuffersSupported("1.5", "GL_ARB_framebuffer_object"));
    EXPECT_FALSE(EyeBuffersSupported("OpenGL ES 2.0", "GL_ARB_framebuffer_object"));
    EXPECT_FALSE(EyeBuffersSupported(nullptr, nullptr));
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

// Table 103 of each program as the programs' documentation gives it: key, Shift, command.
struct Binding {
    WPARAM key;
    bool shift;
    WORD cmd;
};
std::vector<Binding> DocumentedTable(bool tavrin) {
    std::vector<Binding> t = {{VK_ESCAPE, false, 2}, {VK_RETURN, false, static_cast<WORD>(tavrin ? 40042 : 40041)},
                              {'1', false, 40007}, {'2', false, 40008}, {'0', false, 40016}};
    if (tavrin) t.push_back({VK_SPACE, false, 40041});
    for (int k = 3; k <= 9; k++) t.push_back({static_cast<WPARAM>('0' + k), false, static_cast<WORD>(40009 + k - 3)});
    const Binding shared[] = {
        {VK_LEFT, false, 40001}, {VK_RIGHT, false, 40002}, {VK_UP, false, 40003}, {VK_DOWN, false, 40004},
        {'A', false, 40018},     {'A', true, 40017},       {'D', false, 40021},   {'E', false, 40037},
        {'F', false, 40022},     {'G', false, 40024},      {'G', true, 40023},    {'H', false, 40029},
        {'H', true, 40028},      {'J', false, 40026},      {'J', true, 40025},    {'K', false, 40031},
        {'K', true, 40030},      {'L', false, 40033},      {'L', true, 40032},    {'Q', false, 40035},
        {'R', false, 40038},     {'S', false, 40020},      {'S', true, 40019},    {'T', false, 40039},
        {'W', false, 40036},     {'X', false, 40006},      {'X', true, 40005},    {'Y', false, 40040},
        {'Z', false, 40034}};
    t.insert(t.end(), std::begin(shared), std::end(shared));
    return t;
}

TEST(Platform, AcceleratorTablesAreTheDocumentedOnes) {
    for (bool tavrin : {true, false}) {
        HACCEL table = LoadAccelerators(tavrin ? &tavrinResources : &ondrelResources, MAKEINTRESOURCE(103));
        ASSERT_NE(table, nullptr);
        std::vector<Binding> expected = DocumentedTable(tavrin);
        EXPECT_EQ(table->count, static_cast<int>(expected.size())) << (tavrin ? "Tavrin" : "Ondrel");
        for (const Binding& b : expected) {
            int found = 0;
            for (int i = 0; i < table->count; i++) {
                const ACCEL& a = table->entries[i];
                EXPECT_EQ(a.fVirt & ~FSHIFT, FVIRTKEY | FNOINVERT);
                found += a.key == b.key && ((a.fVirt & FSHIFT) != 0) == b.shift && a.cmd == b.cmd;
            }
            EXPECT_EQ(found, 1) << (tavrin ? "Tavrin" : "Ondrel") << " key " << b.key << " shift " << b.shift;
        }
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
    PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
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
