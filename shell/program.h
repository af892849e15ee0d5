// program.h: what each program gives the shared shell: its constant data and the functions
// of its own scene, resolved when the program is linked.
#ifndef SHELL_PROGRAM_H
#define SHELL_PROGRAM_H

#include "shell/platform.h"

// The command identifiers of accelerator table 103 that the programs handle (the shared keys'
// commands only repaint), and the timers of each program.
enum SharedCommand {
    ID_QUIT = 2,              // Esc, both programs
    ID_SINGLE_SIDED = 40007,  // 1, both programs: back faces culled
    ID_DOUBLE_SIDED = 40008,  // 2, both programs: both sides drawn
};
enum TavrinId {
    ID_TAVRIN_STOP_SPINNING = 40041,  // Space
    ID_TAVRIN_RESET_EYES = 40042,     // Enter
    TAVRIN_SPIN_TIMER = 1,
    TAVRIN_PROGRESS_TIMER = 2,        // repaints the progress while a model is read
    TAVRIN_RELOAD_TIMER = 3,          // reads a changed model once its writer is done
    TAVRIN_REST_TIMER = 4,            // the view has rested: the full model is due
};
enum OndrelId {
    ID_ONDREL_RESET_EYES = 40041,     // Enter
    ONDREL_ANIMATION_TIMER = 1,
};

// The projection of each eye: frustum bounds at aspect 1 and the scene's distance.
typedef struct StereoProjection {
    double halfWidth;      // half width of the frustum window at aspect 1
    double bottom, top;    // bottom and top of the frustum window
    double nearPlane, farPlane;
    float sceneDistance;   // translation along z after the frustum
} StereoProjection;

typedef struct ProgramInfo {
    const char* programName;        // for the shell's own diagnostics
    const char* className;          // window class name
    const char* windowTitle;        // window title, also every message box's caption
    bool takesModelFile;            // copies the command line into modelFileName
    bool reportOnMakersDriver;      // shows the driver report also on the maker's driver
    StereoProjection projection;
    bool bufferBeforeProjection;    // selects each eye's buffer before its projection
    bool viewportEachFrame;         // sets the viewport in every frame, not on resize
    UINT eyeSeparationButton;       // button-down message that tunes eyeSeparation
    UINT frustumShiftButton;        // button-down message that tunes frustumShift
    const char* keyHelp;            // the program's keys and mouse actions, a line each, for F1
} ProgramInfo;
// the program being linked; each program's entry file binds it to its own record
extern const ProgramInfo& programInfo;
extern const ProgramInfo tavrinInfo;
extern const ProgramInfo ondrelInfo;

// Once the window system has started, before the window is made: work that may start early
// (Tavrin starts reading its model).
void OnProgramStart(void);
// Scene set-up at the end of WM_CREATE; contextReady is false when the context set-up failed.
void OnProgramCreate(HWND window, bool contextReady);
// Runs before the rendering context is released.
void OnProgramRelease(void);
// Every command but 2 (quit).
void OnProgramCommand(HWND window, int id);
// A key before the stereo keys see it (keys outside table 103); true when the program took it.
bool OnProgramKey(HWND window, WPARAM key);
// Every WM_DROPFILES and every message from WM_APP on.
void OnProgramMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Every WM_TIMER.
void OnProgramTimer(HWND window, WPARAM id);
// First step of every resize.
void OnProgramResize(int width, int height);
// A mouse message before the stereo tuning sees it; true when the program took it whole.
bool OnProgramMouse(HWND window, UINT message, int x, int y);
// A paint begins. `unfinished`: the last frame was left unfinished by DrawProgramEye and the
// stereo view (parameters, size, output) is the same; true goes on with that frame, false
// starts a new one.
bool OnProgramFrame(bool unfinished);
// The scene of one eye (0 left, 1 right), with that eye's projection set and the modelview
// matrix current. False leaves the eye's picture unfinished: the frame is not shown, and the
// next paint may go on with it (OnProgramFrame) from this eye, with nothing cleared.
bool DrawProgramEye(int eye);
// The radius of the scene about its centre, for the parallax shown in the title.
float ProgramSceneRadius(void);

#endif
