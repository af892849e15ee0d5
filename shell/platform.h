// platform.h: the subset of a Win32-style window system and its OpenGL binding that the
// shell calls, with the Win32 names, types and constants. The platform_*.cpp files and
// eye_buffers.cpp implement it over SDL2 and the system OpenGL, one concern each; nothing
// else in the shell and the programs includes SDL (the model library decodes some texture
// maps with SDL2_image, in its image_sdl.cpp alone). The hooks for tests are in platform_test.h.
#ifndef SHELL_PLATFORM_H
#define SHELL_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// basic types
typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef WORD ATOM;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef uintptr_t UINT_PTR;

#define TRUE 1
#define FALSE 0

// handles: opaque records of the platform
typedef struct PlatformWindow* HWND;
typedef struct PlatformWindow* HDC;  // a window's one device context
typedef struct PlatformContext* HGLRC;
typedef const struct PlatformResources* HINSTANCE;
typedef const struct PlatformIcon* HICON;
typedef const struct PlatformCursor* HCURSOR;
typedef const void* HBRUSH;
typedef const void* HMENU;
typedef const struct PlatformAccelerators* HACCEL;
typedef struct PlatformDrop* HDROP;

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct POINT {
    LONG x, y;
} POINT;

typedef struct RECT {
    LONG left, top, right, bottom;
} RECT;

typedef struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef struct WNDCLASS {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
} WNDCLASS;

typedef struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
} ACCEL;

typedef struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    BYTE cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
} PIXELFORMATDESCRIPTOR;

// Resources of a program: each program links one table of these (resources/).
typedef struct PlatformIcon {
    WORD id;
    const char* const* rows;   // 32 rows of 32 palette indices, as hexadecimal digits
    const uint32_t* palette;   // 16 colours, 0xRRGGBB
} PlatformIcon;
// The colour (0xRRGGBB) of one pixel of an icon.
inline uint32_t PlatformIconColor(const PlatformIcon* icon, int row, int column) {
    char digit = icon->rows[row][column];
    int index = digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10;
    return icon->palette[index & 15];
}
typedef struct PlatformAccelerators {
    WORD id;
    const ACCEL* entries;
    int count;
} PlatformAccelerators;
typedef struct PlatformResources {
    const PlatformIcon* icons;
    int iconCount;
    const PlatformAccelerators* acceleratorTables;
    int acceleratorTableCount;
} PlatformResources;

#define MAKEINTRESOURCE(i) (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
#define LOWORD(l) (static_cast<WORD>(static_cast<uintptr_t>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<uintptr_t>(l) >> 16) & 0xffff))
#define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>((static_cast<WORD>(l)) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>((static_cast<WORD>(l)) | (static_cast<DWORD>(static_cast<WORD>(h)) << 16))))

// messages
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_DROPFILES 0x0233
#define WM_APP 0x8000

#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1

// mouse-message key state in wParam
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// virtual keys (digits and letters are their ASCII codes; F2 is VK_F1 + 1 and so on)
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B

// accelerator flags
#define FVIRTKEY 0x01
#define FNOINVERT 0x02
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10

// message boxes
#define MB_OK 0x00000000
#define MB_ICONHAND 0x00000010
#define MB_ICONEXCLAMATION 0x00000030
#define MB_ICONINFORMATION 0x00000040
#define MB_SYSTEMMODAL 0x00001000
#define IDOK 1

// classes, windows, brushes, cursors
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define WS_OVERLAPPEDWINDOW 0x00CF0000
#define WS_CLIPCHILDREN 0x02000000
#define WS_CLIPSIBLINGS 0x04000000
#define CW_USEDEFAULT (static_cast<int>(0x80000000u))
#define COLOR_WINDOW 5
#define IDC_ARROW MAKEINTRESOURCE(32512)
#define SW_SHOWDEFAULT 10

// pixel formats
#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_STEREO 0x00000002
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_TYPE_RGBA 0
#define PFD_MAIN_PLANE 0

// the program's entry point, called by the platform's main
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState);
// The process entry of a program: calls WinMain with the program's resources as its
// instance and the command-line tail, the arguments after the program's name joined by
// single blanks (so a file name with blanks, quoted as one argument, arrives whole).
int PlatformMain(int argc, char** argv, HINSTANCE instance);

ATOM RegisterClass(const WNDCLASS* windowClass);
HWND CreateWindow(LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height, HWND parent,
                  HMENU menu, HINSTANCE instance, void* param);
BOOL ShowWindow(HWND window, int showState);
BOOL UpdateWindow(HWND window);
BOOL DestroyWindow(HWND window);
BOOL GetMessage(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
int TranslateAccelerator(HWND window, HACCEL table, MSG* msg);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Any thread may post; the message loop wakes for it.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL SetWindowText(HWND window, LPCSTR text);
// The state of a key when the message being handled was made: the high bit while it is down
// (VK_SHIFT, VK_CONTROL and VK_MENU).
short GetKeyState(int key);
HWND SetCapture(HWND window);
BOOL ReleaseCapture(void);
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT milliseconds, void* timerProc);
BOOL KillTimer(HWND window, UINT_PTR id);
int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);
HWND GetFocus(void);
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
DWORD GetLastError(void);
HACCEL LoadAccelerators(HINSTANCE instance, LPCSTR name);
HICON LoadIcon(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
// Files dropped on a window that accepts them arrive as WM_DROPFILES, wParam an HDROP that
// the window procedure reads with DragQueryFile (index 0xFFFFFFFF: how many) and frees with
// DragFinish.
void DragAcceptFiles(HWND window, BOOL accept);
UINT DragQueryFile(HDROP drop, UINT index, LPSTR file, UINT size);
void DragFinish(HDROP drop);

HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request);
BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request);
BOOL SwapBuffers(HDC dc);
HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC context);
BOOL wglDeleteContext(HGLRC context);

// Eye buffers: GL_BACK (both eyes), GL_BACK_LEFT or GL_BACK_RIGHT. Where the context has
// no stereo buffers, they are emulated: an offscreen framebuffer with a left and a right
// colour buffer and one depth buffer, the size of the drawable; SwapBuffers then shows the
// left eye.
void PlatformDrawBuffer(unsigned int buffer);
BOOL PlatformStereoEmulated(void);

// How the two eye pictures reach the window at the swap. Quad buffer needs a context with
// stereo buffers; the anaglyphs and the interlaced modes need OpenGL 2.0 (a shader); frame
// packing (HDMI's 3D frame: the left eye above, a band of black rows, the right eye below)
// needs a window of 1920 x 2205 or 1280 x 1470.
enum {
    STEREO_QUAD_BUFFER, STEREO_LEFT_EYE, STEREO_RIGHT_EYE, STEREO_ANAGLYPH_RED_CYAN, STEREO_ANAGLYPH_GREEN_MAGENTA,
    STEREO_ANAGLYPH_AMBER_BLUE, STEREO_SIDE_BY_SIDE, STEREO_TOP_BOTTOM, STEREO_SIDE_BY_SIDE_FULL,
    STEREO_ROW_INTERLACED, STEREO_COLUMN_INTERLACED, STEREO_CHECKERBOARD, STEREO_FRAME_PACKING, STEREO_OUTPUT_COUNT
};
// The rows of each eye in a frame-packed window of that height (1080 or 720), or 0.
int PlatformFramePackedEye(int width, int height);
BOOL PlatformStereoOutputAvailable(int output);
// The screen's size in millimetres and in pixels; FALSE where the display does not say, the
// size then assumed at 96 pixels an inch.
BOOL PlatformScreenSize(double* widthMm, double* heightMm, int* width, int* height);
// Sets the output and whether the eyes are swapped (the left eye's picture shown as the right's).
void PlatformSetStereoOutput(int output, BOOL swapEyes);
// Full screen on the window's display, or back; TRUE when it changed.
BOOL PlatformToggleFullScreen(HWND window);
// Reads one eye's picture (0 left, 1 right) of the current frame as rows of RGBA bytes,
// bottom row first; width and height are the drawable's. Returns FALSE without a context.
BOOL PlatformReadEye(int eye, int* width, int* height, unsigned char** rgba);

#endif
