// bench_fluid.cpp: how Tavrin's window answers with a large model, with the real program code
// on the offscreen driver at 800 x 600: from the process's start, the first picture and the
// first picture of the full model; the longest time one message keeps the loop from the next
// while the model loads and while it spins; the stereo frames a second while it spins; and the
// peak memory. "whole" draws every frame from the full model's list, as when no model had a
// coarse copy.
//
//   bench_fluid MODEL.obj [whole]
#include <GL/gl.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include "bench/bench_time.h"
#include "bench/bench_window.h"
#include "resources/resources.h"
#include "shell/glcontext.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "viewer/detail.h"
#include "viewer/model_session.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

namespace {

double longest = 0;  // the longest message, since it was last cleared
UINT longestMessage = 0;
int frames = 0;      // frames shown
bool fullShown = false; // the last frame shown drew the full model

// One message, as WinMain and the window procedure take it; a paint's frame is shown once it
// is finished. False at the quit message.
bool step(void) {
    MSG msg;
    if (!GetMessage(&msg, nullptr, 0, 0)) return false;
    double start = now();
    if (msg.message == WM_PAINT) {
        if (DrawStereoFrame()) {
            SwapBuffers(windowDC);
            ValidateRect(msg.hwnd, nullptr);
            frames++;
            fullShown = DrawsFullModel();
        }
    } else {
        DispatchMessage(&msg);
    }
    double took = now() - start;
    if (took > longest) {
        longest = took;
        longestMessage = msg.message;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    double processStart = now();
    if (argc < 2 || argc > 3 || (argc == 3 && strcmp(argv[2], "whole") != 0)) {
        fprintf(stderr, "usage: bench_fluid MODEL.obj [whole]\n");
        return 2;
    }
    if (argc == 3) SetCoarseTriangleBudget(UINT32_MAX);
    StartModelSession(argv[1]);
    if (!OpenBenchWindow(&tavrinResources, argv[1])) return 1;
    HWND window = windowDC;
    // loading, to the first picture of the model and to its full model
    while (!viewerModel || frames == 0) step();
    double first = now() - processStart;
    int framesBefore = frames;
    while (frames == framesBefore || !fullShown) step();
    double full = now() - processStart;
    double loadLongest = longest;
    UINT loadLongestMessage = longestMessage;
    // a drag that leaves the model spinning, for 5 seconds
    StereoWndProc(window, WM_LBUTTONDOWN, 0, MAKELPARAM(400, 300));
    StereoWndProc(window, WM_MOUSEMOVE, 0, MAKELPARAM(412, 304));
    StereoWndProc(window, WM_LBUTTONUP, 0, MAKELPARAM(412, 304));
    longest = 0;
    frames = 0;
    double spinStart = now();
    while (now() - spinStart < 5) step();
    double perSecond = frames / (now() - spinStart);
    double spinLongest = longest;
    // stopped: the full model again
    StereoWndProc(window, WM_COMMAND, ID_TAVRIN_STOP_SPINNING, 0);
    double stopped = now();
    longest = 0;
    framesBefore = frames;
    while (frames == framesBefore || !fullShown) step();
    double again = now() - stopped;
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("%s%s: %u triangles, %u points%s\n", argv[1], argc == 3 ? " (whole)" : "", viewerModel->triangleCount,
           viewerModel->pointCount,
           coarseModel ? "" : ", no coarse copy");
    if (coarseModel) printf("  coarse copy %u triangles, %u points\n", coarseModel->triangleCount, coarseModel->pointCount);
    printf("  first picture %.2f s, full model %.2f s after the start\n", first, full);
    printf("  longest message: loading %.0f ms (message 0x%x), spinning %.0f ms, coming to rest %.0f ms\n",
           1000 * loadLongest, loadLongestMessage, 1000 * spinLongest, 1000 * longest);
    printf("  spinning: %.2f stereo frames a second; at rest the full model after %.2f s\n", perSecond, again);
    printf("  peak memory %.0f MiB\n", usage.ru_maxrss / 1024.0);
    fflush(stdout);
    EndModelSession(0);
    return 0;
}
