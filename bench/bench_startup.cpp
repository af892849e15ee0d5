// bench_startup.cpp: Tavrin's start-up as a user meets it, on the display the environment
// names: the real program code opens the main window on MODEL, which reads the model,
// prepares it and paints the first stereo picture; then it prints the wall-clock time (in
// seconds since the epoch) at which that picture was drawn, and ends. run_startup.sh takes
// the time from the process's start to that picture, and its peak memory.
//
//   bench_startup MODEL.obj
#include <GL/gl.h>
#include <stdio.h>
#include <time.h>
#include "bench/bench_window.h"
#include "resources/resources.h"
#include "shell/program.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: bench_startup MODEL.obj\n");
        return 2;
    }
    if (!OpenBenchWindow(&tavrinResources, argv[1], false)) return 1;
    glFinish();
    timespec drawn;
    clock_gettime(CLOCK_REALTIME, &drawn);
    printf("drawn %ld.%09ld\n", static_cast<long>(drawn.tv_sec), drawn.tv_nsec);
    return 0;
}
