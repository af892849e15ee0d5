// tavrin_info.cpp: what the shell needs to know of Tavrin.
#include "shell/program.h"

const ProgramInfo tavrinInfo = {
    "Tavrin",
    "OpenGL_Stereo_Objects",
    "VOXA Tessan-9 OpenGL in Stereo",
    true,   // the command line names the model
    false,  // no report box on the maker's driver
    {0.5, -0.5, 0.5, 0.75, 4.0, -2.2f},
    false,  // the eye's buffer is selected by DrawViewerEye
    true,   // viewport in every frame
    WM_MBUTTONDOWN,
    WM_RBUTTONDOWN,
    "Left button drag: turn the model; released, it keeps spinning\n"
    "Left click: spin again with the last drag's speed\n"
    "Space: stop spinning\n"
    "Middle button drag: eye separation (horizontal)\n"
    "Right button drag: frustum shift (horizontal); releasing middle or right stops a spin\n"
    "Enter: reset both stereo parameters\n"
    "1 / 2: back faces culled / both sides drawn\n"
    "Esc: quit\n"
    "F4: studio light (key, fill and ambient) / head light, kept for the next start\n"
    "F5: read the model and its files again from disk (also by itself when they change)\n"
    "An .obj file dropped on the window: open it in place of the model\n",
};
