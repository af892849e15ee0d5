// detail.h: how the model shown is drawn. A model small enough is a display list; one too
// large to draw between two messages has a coarse copy, drawn while the view moves, and the
// full model drawn in parts once the view has rested, the messages waiting answered between
// the parts.
#ifndef VIEWER_DETAIL_H
#define VIEWER_DETAIL_H

#include "glm/glm.h"
#include "shell/platform.h"

extern uint32_t modelList;      // the list of a model drawn whole; 0 = none
extern GlmModel* coarseModel;   // the coarse copy; null = none

// The triangles a coarse copy may have for a stereo frame of it to take about a tenth of a
// second here, drawn from vertex arrays: a guess until a coarse frame has measured the
// drawing speed. Any thread.
uint32_t CoarseTriangleBudget(void);
// Whether a model is too large to draw whole, from a list, while it moves. Any thread.
bool WantsCoarseCopy(const GlmModel* model);
// For benchmarks: the budget from now on (UINT32_MAX: every model drawn whole).
void SetCoarseTriangleBudget(uint32_t triangles);
// The model to draw under `mode` (GLM_RENDER_*), with its coarse copy (owned from now on) or
// null; its textures are made. Lists made on the current context; the ones before deleted
// (a null model: nothing drawn).
void SetDetailModel(HWND window, const GlmModel* model, GlmModel* coarse, uint32_t mode);
// A paint begins (the shell's OnProgramFrame): whether to go on with an unfinished frame.
// `held`: the user holds the view (a button down) or a model is being read: no full frame.
bool OnDetailFrame(bool unfinished, const float* rotation, bool held);
// The model for one eye, with the eye's matrices and the model's colour set; false where the
// full model's picture is not finished yet.
bool DrawModelDetail(int eye);
// Whether the frame under way, or drawn last, draws the full model (its list, or its parts).
bool DrawsFullModel(void);
// The rest timer: the full model is due.
void OnRestTimer(HWND window);

#endif
