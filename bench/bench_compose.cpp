// bench_compose.cpp: what showing the two eyes costs in each stereo output, against the
// stereo frame of Tavrin's sample scene, at 800 x 600 on the offscreen driver.
//   bench_compose MODEL.obj [FRAMES]
#include <GL/gl.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <vector>
#include "bench/bench_time.h"
#include "bench/bench_window.h"
#include "resources/resources.h"
#include "shell/eye_buffers.h"
#include "shell/glcontext.h"
#include "shell/platform_test.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/output.h"
#include "shell/stereo_keys.h"
#include "shell/window.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_compose MODEL.obj [FRAMES]\n");
        return 2;
    }
    int frames = argc > 2 ? atoi(argv[2]) : 50;
    if (!OpenBenchWindow(&tavrinResources, argv[1])) return 1;
    // a turned model, as a user looks at it
    rotationMatrix[0] = rotationMatrix[10] = 0.8f;
    rotationMatrix[2] = 0.6f;
    rotationMatrix[8] = -0.6f;
    std::vector<double> frame;
    for (int i = 0; i < frames; i++) {
        double s = now();
        DrawStereoFrame();
        glFinish();
        frame.push_back(now() - s);
    }
    double frameTime = median(frame);
    printf("stereo frame of %s at %dx%d: median %.2f ms\n", argv[1], windowWidth, windowHeight, 1000 * frameTime);
    printf("| output | composition | / stereo frame |\n|---|---|---|\n");
    for (int mode = 0; mode < STEREO_OUTPUT_COUNT; mode++) {
        if (!PlatformStereoOutputAvailable(mode)) continue;
        SetStereoOutput(windowDC, mode, false);
        DrawStereoFrame();
        std::vector<double> compose;
        for (int i = 0; i < frames; i++) {
            glFinish();
            double s = now();
            EyeBuffersCompose(0, 0);
            glFinish();
            compose.push_back(now() - s);
        }
        double t = median(compose);
        printf("| %s | %.2f ms | %.3f |\n", stereoOutputNames[mode], 1000 * t, t / frameTime);
    }
    return 0;
}
