// tavrin_pictures.cpp: writes Tavrin's left and right eye side by side, from the real
// program's emulated eye buffers, and what the window shows in some stereo outputs.
//   tavrin_pictures MODEL.obj OUT.png [ANAGLYPH.png SIDE-BY-SIDE.png INTERLACED.png]
#include <stdio.h>
#include <string.h>
#include "resources/resources.h"
#include "shell/program.h"
#include "shell/command_line.h"
#include "shell/window.h"
#include "tests/tools/eye_pictures.h"
#include "viewer/trackball.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    if (argc != 3 && argc != 6) {
        fprintf(stderr, "usage: tavrin_pictures MODEL.obj OUT.png [ANAGLYPH.png SIDE-BY-SIDE.png INTERLACED.png]\n");
        return 2;
    }
    snprintf(modelFileName, sizeof modelFileName, "%s", argv[1]);
    HWND window = OpenProgramWindow(&tavrinResources);
    if (!window) return 1;
    // a drag from the centre turns the model a little, as a user would
    TrackballDrag(trackballWidth / 2 + 40, trackballHeight / 2 + 70, trackballWidth / 2, trackballHeight / 2,
                  rotationMatrix);
    if (!WriteEyePicture(argv[2])) return 1;
    if (argc == 6) {
        const int outputs[3] = {STEREO_ANAGLYPH_RED_CYAN, STEREO_SIDE_BY_SIDE, STEREO_ROW_INTERLACED};
        for (int i = 0; i < 3; i++)
            if (!WriteOutputPicture(window, outputs[i], argv[3 + i])) return 1;
    }
    return 0;
}
