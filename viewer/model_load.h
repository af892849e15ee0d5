// model_load.h: a model read on a worker thread, with everything that needs no OpenGL done
// there too (fitted to the unit cube, its normals, its coarse copy, its maps decoded), while the
// main thread keeps its message loop and shows the progress. One load at a time.
#ifndef VIEWER_MODEL_LOAD_H
#define VIEWER_MODEL_LOAD_H

#include "glm/glm.h"
#include "shell/platform.h"

// A loaded model's box and its farthest vertex from the centre, measured on the worker.
typedef struct ModelExtent {
    float low[3], high[3];
    float radius;
} ModelExtent;

// Posted to the window when a load ends; the model is then taken with FinishModelLoad.
#define WM_APP_MODEL_LOADED (WM_APP + 1)

// Starts reading `path` (copied) on a worker thread.
void StartModelLoad(const char* path);
// Where the load's end is posted; a load that already ended posts at once.
void SetModelLoadWindow(HWND window);
bool ModelLoadRunning(void);
// Gives up the load under way where it waits for a stream; it then ends without a model.
void AbandonModelLoad(void);
// The file being read, and how far the load went, from 0 to 1.
const char* ModelLoadPath(void);
float ModelLoadProgress(void);
// Waits for the worker: the model and its coarse copy (null where it needs none or none could
// be made), or null with the failure's line and stream in *failure (valid until the next load
// starts).
GlmModel* FinishModelLoad(const GlmReadStatus** failure, GlmModel** coarse);
// The box of the model FinishModelLoad gave last.
const ModelExtent* LoadedModelExtent(void);

#endif
