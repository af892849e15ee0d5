// bench_startup.cpp: Tavrin's start-up as a user meets it, on the display the environment
// names: the real program code starts reading MODEL, opens the main window, and runs the
// message loop until the first stereo picture of the model is painted; then it prints the
// wall-clock time (in seconds since the epoch) at which that picture was drawn, and ends.
// With "serial", the model is read only once the window is made, as before the reading had
// a thread of its own. run_startup.sh takes the time from the process's start to that
// picture, and its peak memory.
//
//   bench_startup MODEL.obj [serial]
#include <GL/gl.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include "bench/bench_window.h"
#include "resources/resources.h"
#include "shell/program.h"
#include "viewer/model_session.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || (argc == 3 && strcmp(argv[2], "serial") != 0)) {
        fprintf(stderr, "usage: bench_startup MODEL.obj [serial]\n");
        return 2;
    }
    if (argc == 2) StartModelSession(argv[1]);
    if (!OpenBenchWindow(&tavrinResources, argv[1], false)) return 1;
    MSG msg;
    while (!viewerModel && GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    while (GetMessage(&msg, nullptr, 0, 0)) {
        DispatchMessage(&msg);
        if (msg.message == WM_PAINT) break;
    }
    glFinish();
    timespec drawn;
    clock_gettime(CLOCK_REALTIME, &drawn);
    printf("drawn %ld.%09ld\n", static_cast<long>(drawn.tv_sec), drawn.tv_nsec);
    fflush(stdout);
    EndModelSession(0);
    return 0;
}
