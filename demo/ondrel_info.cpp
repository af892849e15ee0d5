// ondrel_info.cpp: what the shell needs to know of Ondrel.
#include "shell/program.h"

const ProgramInfo ondrelInfo = {
    "Ondrel",
    "Ondrel",
    "VOXA Tessan-9 Ondrel",
    false,  // no model file
    true,   // the report box also on the maker's driver
    {0.75, -0.75, 0.75, 0.65, 4.0, -2.2f},
    true,   // each eye's buffer before its projection
    false,  // viewport on resize
    WM_LBUTTONDOWN,
    WM_RBUTTONDOWN,
    "Left button drag: eye separation (horizontal)\n"
    "Right button drag: frustum shift (horizontal)\n"
    "Enter: reset both stereo parameters\n"
    "1 / 2: back faces culled / both sides drawn\n"
    "Esc: quit\n",
};
