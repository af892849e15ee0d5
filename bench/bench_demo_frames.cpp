// bench_demo_frames.cpp: Ondrel's stereo frame time at 800 x 600 on the offscreen driver,
// against its 40 ms animation tick.
//   bench_demo_frames [FRAMES]
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <algorithm>
#include <vector>
#include "bench/bench_time.h"
#include "bench/bench_window.h"
#include "demo/animation.h"
#include "resources/resources.h"
#include "shell/glcontext.h"
#include "shell/platform_test.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/window.h"

const ProgramInfo& programInfo = ondrelInfo;

int main(int argc, char** argv) {
    int frames = argc > 1 ? atoi(argv[1]) : 200;
    if (!OpenBenchWindow(&ondrelResources, nullptr)) return 1;
    std::vector<double> times;
    for (int i = 0; i < frames; i++) {
        AdvanceAnimation();
        double s = now();
        DrawStereoFrame();
        SwapBuffers(windowDC);
        times.push_back(now() - s);
    }
    std::sort(times.begin(), times.end());
    printf("Ondrel %dx%d: stereo frame median %.2f ms, 95th percentile %.2f ms (the tick is 40 ms)\n", windowWidth,
           windowHeight, 1000 * times[times.size() / 2], 1000 * times[times.size() * 95 / 100]);
    return 0;
}
