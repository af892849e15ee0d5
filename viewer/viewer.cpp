// viewer.cpp: Tavrin's scene set-up, model list, per-eye drawing and commands.
#include "viewer/viewer.h"
#include <GL/gl.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <initializer_list>
#include <string.h>
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/output.h"
#include "shell/stereo_keys.h"
#include "shell/command_line.h"
#include "viewer/light.h"
#include "viewer/model_load.h"
#include "viewer/progress.h"
#include "viewer/trackball.h"

GlmModel* viewerModel = nullptr;
bool useMaterials = false;
bool useTextures = false;
float sceneRadius = 1.0f;
UINT_PTR spinTimer = 0;
bool leftDragging = false;
float rotationMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

namespace {

// Whether the corners of the box from `low` to `high`, scaled by `scale`, lie within both
// eyes' views at the start values, `margin` inside their edges.
bool boxInView(const float* low, const float* high, float scale, float aspect, double margin) {
    const StereoProjection& p = programInfo.projection;
    for (int eye = 0; eye < 2; eye++) {
        double b[6];
        StereoFrustumBounds(&p, eye, aspect, startFrustumShift, b);
        for (int corner = 0; corner < 8; corner++) {
            double x = scale * (corner & 1 ? high[0] : low[0]) + (eye == 0 ? startEyeSeparation : -startEyeSeparation);
            double y = scale * (corner & 2 ? high[1] : low[1]);
            double z = scale * (corner & 4 ? high[2] : low[2]) + p.sceneDistance;
            if (-z < b[4]) return false;
            double ndcX = (2 * b[4] * x / (b[1] - b[0]) + (b[1] + b[0]) / (b[1] - b[0]) * z) / -z;
            double ndcY = (2 * b[4] * y / (b[3] - b[2]) + (b[3] + b[2]) / (b[3] - b[2]) * z) / -z;
            if (fabs(ndcX) > 1 - margin || fabs(ndcY) > 1 - margin) return false;
        }
    }
    return true;
}

// A model whose fitted box would run past the window's edges in either eye is made just small
// enough to fit both views with a margin; one that fits keeps its size exactly. Returns the
// scale applied.
float fitModelToEyes(GlmModel* model, const ModelExtent* extent, int width, int height) {
    if (model->vertexCount == 0 || height <= 0) return 1.0f;
    const float *low = extent->low, *high = extent->high;
    const float aspect = static_cast<float>(StereoEyeWidth(width)) / static_cast<float>(StereoEyeHeight(width, height));
    const double margin = 0.05;
    if (boxInView(low, high, 1.0f, aspect, margin)) return 1.0f;
    float fits = 0.0f, runsOver = 1.0f;
    for (int i = 0; i < 40; i++) {
        float middle = (fits + runsOver) / 2;
        (boxInView(low, high, middle, aspect, margin) ? fits : runsOver) = middle;
    }
    for (size_t i = 3; i < 3 * (static_cast<size_t>(model->vertexCount) + 1); i++) model->vertexData[i] *= fits;
    return fits;
}

bool hasMaps(const GlmModel* model) {
    for (uint32_t i = 0; i < model->materialCount; i++)
        if (model->materialArray[i].textureMap || model->materialArray[i].emissionMap || model->materialArray[i].opacityMap)
            return true;
    return false;
}

}  // namespace

// GL state of the scene; the model comes later, from its load.
void SetupViewerScene(HWND) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    SetupLight();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
}

// A loaded model (read, fitted to the unit cube, with its normals) takes the place of the one
// shown, keeping the view: fitted to both eyes at the window's size, its textures and list made.
void ShowLoadedModel(HWND window, GlmModel* model, GlmModel* coarse, const ModelExtent* extent) {
    RECT client;
    GetClientRect(window, &client);
    const float scale = fitModelToEyes(model, extent, client.right, client.bottom);
    // the copy made smaller with it
    for (size_t i = 3; coarse && scale != 1.0f && i < 3 * (static_cast<size_t>(coarse->vertexCount) + 1); i++)
        coarse->vertexData[i] *= scale;
    // measured on the worker, unless the model was made smaller here
    sceneRadius = scale == 1.0f ? extent->radius : 0.0f;
    for (uint32_t v = 1; scale != 1.0f && v <= model->vertexCount; v++) {
        const float* p = &model->vertexData[3 * v];
        sceneRadius = fmaxf(sceneRadius, sqrtf(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
    }
    if (viewerModel) {
        SetDetailModel(window, nullptr, nullptr, 0);  // no list or draw of the old one is left
        for (uint32_t i = 0; i < viewerModel->materialCount; i++)
            for (uint32_t* texture : {&viewerModel->materialArray[i].texture, &viewerModel->materialArray[i].emissionTexture})
                if (*texture) glDeleteTextures(1, texture);
        glmDelete(viewerModel);
    }
    viewerModel = model;
    useMaterials = viewerModel->materialCount != 0;
    useTextures = useMaterials && viewerModel->texCoordData && hasMaps(viewerModel);
    glmUploadTextures(viewerModel);
    BuildModelList(window, coarse);
    InvalidateRect(window, nullptr, FALSE);
}

void BuildModelList(HWND window, GlmModel* coarse) {
    static const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    static const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    static const float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    // the current material, outside the list
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 65.0f);
    uint32_t mode = (viewerModel->normalData ? GLM_RENDER_SMOOTH : 0u) | (useMaterials ? GLM_RENDER_MATERIAL : 0u) | (useTextures ? GLM_RENDER_TEXTURE : 0u);
    SetDetailModel(window, viewerModel, coarse, mode);
}

bool DrawViewerEye(int eye) {
    glLoadIdentity();
    glMultMatrixf(rotationMatrix);
    PlatformDrawBuffer(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0.75f, 0.75f, 0.75f);
    bool finished = DrawModelDetail(eye);
    if (ModelLoadRunning()) DrawLoadProgress(ModelLoadPath(), ModelLoadProgress());
    return finished;
}

void StopSpinning(HWND window) {
    if (spinTimer != 0) {
        KillTimer(window, spinTimer);
        spinTimer = 0;
    }
}

void OnViewerCommand(HWND window, int id) {
    switch (id) {
    case ID_SINGLE_SIDED: glEnable(GL_CULL_FACE); break;
    case ID_DOUBLE_SIDED: glDisable(GL_CULL_FACE); break;
    case ID_TAVRIN_STOP_SPINNING: StopSpinning(window); break;
    case ID_TAVRIN_RESET_EYES: ResetEyes(window); break;
    default: break;
    }
}

// A refusal that ends the session, shown in a box as well before the process ends, so that a
// user who started Tavrin from the desktop (no terminal) learns why it closed.
void ShowFatalLine(const char* message) {
    char text[2048 + 256];
    size_t n = strlen(message);
    if (n > 2047) n = 2047;
    memcpy(text, message, n);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) n--;
    text[n] = '\0';
    if (modelFileName[0] == '\0')
        strcat(text, "\n\nTavrin shows the Wavefront OBJ model file named as its argument: open an .obj file "
                     "with Tavrin, or start it as \"Tavrin model.obj\".");
    MessageBox(GetFocus(), text, programInfo.windowTitle, MB_OK | MB_SYSTEMMODAL | MB_ICONHAND);
}
