// detail.cpp: the display list of a small model; for a large one, its coarse copy while the
// view moves (its frames measuring the drawing speed) and the full model in parts at rest.
#include "viewer/detail.h"
#include <GL/gl.h>
#include <math.h>
#include <string.h>
#include <atomic>
#include <chrono>
#include <thread>
#include "shell/output.h"
#include "shell/program.h"
#include "shell/stereo.h"

uint32_t modelList = 0;
GlmModel* coarseModel = nullptr;

namespace {

// What a frame's picture depends on besides the model's data.
struct View {
    float rotation[16];
    float shift, separation;
    int32_t width, height;
    int output;
    bool swapped, culled;
    const GlmModel* model;
};

const GlmModel* fullModel = nullptr;
uint32_t drawMode = 0;
HWND restWindow = nullptr;
View lastView;                 // of the last frame begun
double movedAt = 0;            // when the view last changed, in seconds
bool fullFrame = false;        // the frame under way draws the full model
GlmDrawPass* pass = nullptr;   // its draw of the eye being drawn
int passEye = -1;
uint32_t partTriangles = 20000; // a part's triangles, tuned to take about partSeconds
std::atomic<uint32_t> budget(200000);
double coarseTook = 0;         // the coarse frame's eyes drawn so far, in seconds
bool coarseWaited = false;     // its second eye waited for a paint of its own
double paintStart = 0;         // when the paint under way began

const UINT restMs = 300;  // the view has rested this long: the full model
const double partSeconds = 0.01;  // larger parts here met stalls of the renderer's of 60 to 90 ms
const double paintSeconds = 0.04; // the parts of one paint, before the messages waiting
const double frameSeconds = 0.1;  // what a coarse stereo frame may take

double seconds(void) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void endPass(void) {
    glmEndDraw(pass);
    pass = nullptr;
    passEye = -1;
}

void deleteCoarse(void) {
    glmDelete(coarseModel);
    coarseModel = nullptr;
}

// The copy draws with the full model's textures, which it does not own.
void takeCoarse(GlmModel* coarse) {
    coarseModel = coarse;
    for (uint32_t i = 0; i < coarse->materialCount && i < fullModel->materialCount; i++) {
        coarse->materialArray[i].texture = fullModel->materialArray[i].texture;
        coarse->materialArray[i].textureAlpha = fullModel->materialArray[i].textureAlpha;
        coarse->materialArray[i].emissionTexture = fullModel->materialArray[i].emissionTexture;
        coarse->materialArray[i].blended = fullModel->materialArray[i].blended;
    }
}

// A model drawn whole, from vertex arrays.
void drawWhole(const GlmModel* model) {
    GlmDrawPass* whole = glmStartDraw(model, drawMode);
    glmDrawSome(whole, UINT32_MAX);
    glmEndDraw(whole);
}

// What a draw sends: triangles, segments and points.
uint64_t elementsOf(const GlmModel* model) {
    return static_cast<uint64_t>(model->triangleCount) + model->lineCount + model->pointCount;
}

// A part's time tunes the next part's size.
void measurePart(uint32_t triangles, double took) {
    // growing by a quarter at most: a part may cost more than the one before (blended
    // triangles, or drawing after sorting)
    if (took > 0) partTriangles = static_cast<uint32_t>(fmin(fmax(triangles / took * partSeconds, 2000), fmin(1.25 * triangles, 4e6)));
}

// The coarser copy being made on a thread of its own, from the copy shown (which both only
// read meanwhile), and what it made (null: nothing, or not yet).
std::thread* refitter = nullptr;  // never destroyed while it may run
std::atomic<bool> refitDone(false);
std::atomic<GlmModel*> refitted(nullptr);

// Takes what the thread made once it is done (`discard`: waits for it, and drops it).
void finishRefit(bool discard) {
    if (!refitter || (!discard && !refitDone)) return;
    refitter->join();
    delete refitter;
    refitter = nullptr;
    refitDone = false;
    GlmModel* coarser = refitted.exchange(nullptr);
    if (!coarser || discard) return glmDelete(coarser);
    deleteCoarse();
    takeCoarse(coarser);
}

// A copy larger than the speed measured since allows is made coarser, off this thread.
void refitCoarse(void) {
    finishRefit(false);
    if (refitter || !coarseModel || elementsOf(coarseModel) <= budget + budget / 4) return;
    const GlmModel* source = coarseModel;
    const uint32_t triangles = budget;
    refitter = new std::thread([source, triangles] {
        refitted = glmSimplify(source, triangles);
        refitDone = true;
    });
}

}  // namespace

uint32_t CoarseTriangleBudget(void) { return budget; }

// A list here draws at about half the speed of the arrays the budget is measured with.
bool WantsCoarseCopy(const GlmModel* model) { return elementsOf(model) > budget / 2; }

void SetCoarseTriangleBudget(uint32_t triangles) { budget = triangles; }

void SetDetailModel(HWND window, const GlmModel* model, GlmModel* coarse, uint32_t mode) {
    restWindow = window;
    endPass();
    finishRefit(true);
    deleteCoarse();
    if (modelList != 0) glDeleteLists(modelList, 1);
    modelList = 0;
    fullModel = model;
    drawMode = mode;
    if (!model) return;
    if (coarse)
        takeCoarse(coarse);
    else if (!glmDrawsSorted(model, mode))
        modelList = glmCompileList(model, mode);
}

bool OnDetailFrame(bool unfinished, const float* rotation, bool held) {
    if (!coarseModel) return false;
    View view;
    memset(&view, 0, sizeof view);
    memcpy(view.rotation, rotation, sizeof view.rotation);
    view.shift = frustumShift;
    view.separation = eyeSeparation;
    view.width = windowWidth;
    view.height = windowHeight;
    view.output = stereoOutput;
    view.swapped = eyesSwapped;
    view.culled = glIsEnabled(GL_CULL_FACE);
    view.model = fullModel;
    const double now = seconds();
    paintStart = now;
    const bool changed = memcmp(&view, &lastView, sizeof view) != 0;
    if (changed) {
        lastView = view;
        movedAt = now;
    }
    if (unfinished && !changed && (!fullFrame || !held)) return true;
    endPass();
    refitCoarse();
    fullFrame = !held && now - movedAt >= restMs / 1000.0;
    // until the full model is drawn, the timer looks again
    if (!fullFrame) SetTimer(restWindow, TAVRIN_REST_TIMER, restMs, nullptr);
    return false;
}

bool DrawModelDetail(int eye) {
    if (!coarseModel) {
        if (modelList)
            glCallList(modelList);
        else if (fullModel)
            drawWhole(fullModel);
        return true;
    }
    if (!fullFrame) {
        // the second eye waits for a paint of its own where the first took the paint's time
        // (the renderer's first use of a drawing state takes tens of milliseconds)
        if (eye == 1 && !coarseWaited && seconds() - paintStart > paintSeconds) {
            coarseWaited = true;
            return false;
        }
        // a coarse frame's time, both eyes drawn, sets the budget: a stereo frame draws the
        // copy twice. No list: making one would hold the window up.
        const double start = seconds();
        drawWhole(coarseModel);
        glFinish();
        coarseTook = (eye == 0 ? 0 : coarseTook) + seconds() - start;
        if (eye == 1) {
            coarseWaited = false;
            if (coarseTook > 0)
                budget = static_cast<uint32_t>(fmin(fmax(elementsOf(coarseModel) / coarseTook * frameSeconds * 0.8, 20000), 4e9));
        }
        return true;
    }
    if (passEye != eye) {
        endPass();
        pass = glmStartDraw(fullModel, drawMode);
        passEye = eye;
    }
    const double start = seconds();
    for (;;) {
        const uint32_t triangles = partTriangles;
        const double before = seconds();
        if (glmDrawSome(pass, triangles)) {
            endPass();
            return true;
        }
        // the part is drawn, not only queued: its time is the drawing's
        glFinish();
        const double after = seconds();
        measurePart(triangles, after - before);
        if (after - start + partSeconds > paintSeconds) return false;
    }
}

bool DrawsFullModel(void) { return !coarseModel || fullFrame; }

void OnRestTimer(HWND window) {
    KillTimer(window, TAVRIN_REST_TIMER);
    InvalidateRect(window, nullptr, FALSE);
}
