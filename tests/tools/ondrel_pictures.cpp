// ondrel_pictures.cpp: writes Ondrel's left and right eye side by side after some ticks,
// from the real program's emulated eye buffers.
//   ondrel_pictures OUT.png [TICKS]
#include <stdio.h>
#include <stdlib.h>
#include "demo/animation.h"
#include "resources/resources.h"
#include "shell/program.h"
#include "tests/tools/eye_pictures.h"

const ProgramInfo& programInfo = ondrelInfo;

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: ondrel_pictures OUT.png [TICKS]\n");
        return 2;
    }
    if (!OpenProgramWindow(&ondrelResources)) return 1;
    for (int i = argc > 2 ? atoi(argv[2]) : 30; i > 0; i--) AdvanceAnimation();
    return WriteEyePicture(argv[1]) ? 0 : 1;
}
