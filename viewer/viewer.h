// viewer.h: Tavrin's scene on top of the stereo shell: the model, its display list, the
// lighting, and the mouse, keys and spin timer wired to the trackball.
#ifndef VIEWER_VIEWER_H
#define VIEWER_VIEWER_H

#include "glm/glm.h"
#include "shell/platform.h"
#include "viewer/detail.h"
#include "viewer/model_load.h"

extern GlmModel* viewerModel;   // the model shown; null until the first is loaded
extern bool useMaterials;       // the model has a material library
extern bool useTextures;        // and texture coordinates and a material with a map
extern float sceneRadius;       // the farthest vertex from the centre, once fitted
extern UINT_PTR spinTimer;      // the running spin timer; 0 = not spinning
extern bool leftDragging;       // left button held: a trackball drag
extern float rotationMatrix[16]; // the model's rotation, written by the trackball

void SetupViewerScene(HWND window);
// A loaded model, its coarse copy (or null) and its extent in place of the one shown, keeping
// the view; the window owns them from now on.
void ShowLoadedModel(HWND window, GlmModel* model, GlmModel* coarse, const ModelExtent* extent);
void BuildModelList(HWND window, GlmModel* coarse);
// False where the eye's picture is not finished yet (a large model drawn in parts).
bool DrawViewerEye(int eye);
void OnViewerCommand(HWND window, int id);
// Kills the spin timer if it runs.
void StopSpinning(HWND window);
// A refusal's line (newline included) in a box, with how Tavrin is started where it was
// started without a file; on the message loop's thread.
void ShowFatalLine(const char* message);

#endif
