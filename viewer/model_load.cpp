// model_load.cpp: the worker thread that reads a model and prepares it, and what it hands
// to the main thread.
#include "viewer/model_load.h"
#include "viewer/detail.h"
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::thread worker;
std::string loadPath;
GlmReadStatus status;            // written by the worker; its counters are read while it runs
GlmModel* loaded = nullptr;
GlmModel* loadedCoarse = nullptr; // its coarse copy, where it is too large to draw while moving
ModelExtent extent;
std::atomic<int> stage(0);       // 0 reading, 1 normals, 2 coarse copy and maps, 3 ended
std::mutex windowLock;           // guards `window` and the end of a load against each other
HWND window = nullptr;
bool ended = false;

// The text encoding a regular file's first bytes show, where it is one the reader cannot
// read (as text in it reads as nothing to draw): "UTF-16" or "UTF-32", else null. A stream is not
// opened again.
const char* wideEncoding(const char* path) {
    unsigned char b[4] = {1, 1, 1, 1};
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    struct stat info;
    if (fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && read(fd, b, 4) < 4) b[2] = b[3] = 1;
    if (fd >= 0) close(fd);
    if ((b[0] == 0xff && b[1] == 0xfe && b[2] == 0 && b[3] == 0) || (b[0] == 0 && b[1] == 0 && b[2] == 0xfe && b[3] == 0xff) ||
        (b[0] != 0 && b[1] == 0 && b[2] == 0 && b[3] == 0) || (b[0] == 0 && b[1] == 0 && b[2] == 0 && b[3] != 0))
        return "UTF-32";
    if ((b[0] == 0xff && b[1] == 0xfe) || (b[0] == 0xfe && b[1] == 0xff) || ((b[0] == 0) != (b[1] == 0))) return "UTF-16";
    return nullptr;
}

void measure(const GlmModel* model) {
    for (int k = 0; k < 3; k++) extent.low[k] = extent.high[k] = model->vertexData[3 + k];
    extent.radius = 0.0f;
    for (uint32_t v = 1; v <= model->vertexCount; v++) {
        const float* p = &model->vertexData[3 * v];
        for (int k = 0; k < 3; k++) {
            extent.low[k] = p[k] < extent.low[k] ? p[k] : extent.low[k];
            extent.high[k] = p[k] > extent.high[k] ? p[k] : extent.high[k];
        }
        extent.radius = fmaxf(extent.radius, sqrtf(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
    }
}

// A model with nothing to draw: say why.
void refuseEmpty(const char* path) {
    if (const char* encoding = wideEncoding(path))
        snprintf(status.message, sizeof status.message, "Tavrin: \"%s\" is %s text: save it as UTF-8 to open it.\n", path,
                 encoding);
    else
        snprintf(status.message, sizeof status.message, "Tavrin: \"%s\" holds nothing to show.\n", path);
    status.onStdout = false;
}

void load(void) {
    // the window, its context and the report box come first: the reading (and the threads it
    // starts, which inherit this) takes what the main thread leaves
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    GlmModel* model = glmTryReadOBJ(loadPath.c_str(), &status);
    // a file of no face saved as UTF-16 or UTF-32 reads as stray vertices, not as its points
    if (model && model->triangleCount == 0 && !wideEncoding(loadPath.c_str())) glmPointsOfVertices(model);
    if (model && model->triangleCount == 0 && model->lineCount == 0 && model->pointCount == 0) {
        glmDelete(model);  // waits for its maps' decoding
        model = nullptr;
        refuseEmpty(loadPath.c_str());
    }
    if (model) {
        stage = 1;
        // a scan wound inward shows its outside at start
        glmOrientParts(model);
        glmFitUnitCube(model);
        measure(model);
        // no facet normals kept: the model is drawn smooth, and they would be a tenth of it
        if (model->triangleCount) glmVertexNormals(model, 90.0f);
        stage = 2;
        if (WantsCoarseCopy(model)) loadedCoarse = glmSimplify(model, CoarseTriangleBudget());
        glmWaitForMaps(model);
    }
    loaded = model;
    stage = 3;
    std::lock_guard<std::mutex> hold(windowLock);
    ended = true;
    if (window) PostMessage(window, WM_APP_MODEL_LOADED, 0, 0);
}

}  // namespace

void StartModelLoad(const char* path) {
    if (worker.joinable()) worker.join();
    loadPath = path;
    loaded = loadedCoarse = nullptr;
    stage = 0;
    ended = false;
    status = GlmReadStatus();
    worker = std::thread(load);
}

void SetModelLoadWindow(HWND w) {
    std::lock_guard<std::mutex> hold(windowLock);
    if (w && !window && ended && worker.joinable()) PostMessage(w, WM_APP_MODEL_LOADED, 0, 0);
    window = w;
}

bool ModelLoadRunning(void) { return worker.joinable(); }

void AbandonModelLoad(void) { __atomic_store_n(&status.abandon, 1, __ATOMIC_RELAXED); }

const char* ModelLoadPath(void) { return loadPath.c_str(); }

const ModelExtent* LoadedModelExtent(void) { return &extent; }

float ModelLoadProgress(void) {
    // the two passes over the file are most of the work; the normals and the maps the rest
    switch (stage.load()) {
    case 0: {
        uint64_t done = __atomic_load_n(&status.done, __ATOMIC_RELAXED);
        uint64_t total = __atomic_load_n(&status.total, __ATOMIC_RELAXED);
        return total == 0 ? 0.0f : 0.85f * static_cast<float>(done < total ? done : total) / static_cast<float>(total);
    }
    case 1: return 0.85f;
    case 2: return 0.95f;
    default: return 1.0f;
    }
}

GlmModel* FinishModelLoad(const GlmReadStatus** failure, GlmModel** coarse) {
    if (worker.joinable()) worker.join();
    *failure = loaded ? nullptr : &status;
    *coarse = loadedCoarse;
    GlmModel* model = loaded;
    loaded = loadedCoarse = nullptr;
    return model;
}
