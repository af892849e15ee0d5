// tavrin_pictures.cpp: writes Tavrin's left and right eye side by side, from the real
// program's emulated eye buffers.
//   tavrin_pictures MODEL.obj OUT.png
#include <stdio.h>
#include <string.h>
#include "resources/resources.h"
#include "shell/program.h"
#include "shell/window.h"
#include "tests/tools/eye_pictures.h"
#include "viewer/trackball.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: tavrin_pictures MODEL.obj OUT.png\n");
        return 2;
    }
    snprintf(modelFileName, sizeof modelFileName, "%s", argv[1]);
    HWND window = OpenProgramWindow(&tavrinResources);
    if (!window) return 1;
    // a drag from the centre turns the model a little, as a user would
    TrackballDrag(trackballWidth / 2 + 40, trackballHeight / 2 + 70, trackballWidth / 2, trackballHeight / 2,
                  rotationMatrix);
    return WriteEyePicture(argv[2]) ? 0 : 1;
}
