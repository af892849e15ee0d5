// bench_frames.cpp: Tavrin's start-up and steady stereo frames on a large model, with the
// real program code on the offscreen driver.
//
//   bench_frames MODEL.obj [FRAMES]
// Start-up: process start to the first presented frame, against read + normals alone.
// Frames: the stereo frame (display list, both eyes) against the same triangles drawn twice
// from a vertex buffer with glDrawArrays, at 800 x 600.
#include <SDL2/SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <algorithm>
#include <vector>
#include "bench/bench_time.h"
#include "bench/bench_window.h"
#include "glm/glm.h"
#include "resources/resources.h"
#include "shell/glcontext.h"
#include "shell/platform_test.h"
#include "shell/program.h"
#include "shell/stereo.h"
#include "shell/window.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

int main(int argc, char** argv) {
    double processStart = now();
    if (argc < 2) {
        fprintf(stderr, "usage: bench_frames MODEL.obj [FRAMES]\n");
        return 2;
    }
    int frames = argc > 2 ? atoi(argv[2]) : 10;
    // start-up: read, fit, normals, list, first stereo frame (the window's first paint)
    if (!OpenBenchWindow(&tavrinResources, argv[1])) return 1;
    glFinish();
    double firstFrame = now() - processStart;

    // the same reading and preparing alone
    double t0 = now();
    GlmModel* m = glmReadOBJ(argv[1]);
    glmFitUnitCube(m);
    glmComputeFacetNormals(m);
    glmVertexNormals(m, 90.0f);
    double prepare = now() - t0;
    // the list compile alone, and one frame alone
    double t1 = now();
    GLuint list = glmCompileList(m, GLM_RENDER_SMOOTH | (m->materialCount ? GLM_RENDER_MATERIAL : 0u));
    glFinish();
    double compile = now() - t1;
    glDeleteLists(list, 1);

    // steady frames, as WM_PAINT draws them
    std::vector<double> stereo;
    for (int i = 0; i < frames; i++) {
        double s = now();
        // a large model's full frame comes in parts
        while (!DrawStereoFrame()) {
        }
        SwapBuffers(windowDC);
        stereo.push_back(now() - s);
    }

    // the baseline: one vertex buffer of positions and normals, drawn once per eye
    std::vector<float> vertices;
    for (GlmGroup* g = m->groupList; g; g = g->next)
        for (uint32_t i = 0; i < g->triangleCount; i++) {
            const GlmTriangle& t = m->triangleArray[g->triangleIndices[i]];
            for (int c = 0; c < 3; c++) {
                const float* n = &m->normalData[3 * t.normalIndex[c]];
                const float* v = &m->vertexData[3 * t.vertexIndex[c]];
                vertices.insert(vertices.end(), {n[0], n[1], n[2], v[0], v[1], v[2]});
            }
        }
    auto genBuffers = reinterpret_cast<PFNGLGENBUFFERSPROC>(SDL_GL_GetProcAddress("glGenBuffers"));
    auto bindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(SDL_GL_GetProcAddress("glBindBuffer"));
    auto bufferData = reinterpret_cast<PFNGLBUFFERDATAPROC>(SDL_GL_GetProcAddress("glBufferData"));
    GLuint buffer;
    genBuffers(1, &buffer);
    bindBuffer(GL_ARRAY_BUFFER, buffer);
    bufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(float), vertices.data(), GL_STATIC_DRAW);
    glInterleavedArrays(GL_N3F_V3F, 0, nullptr);
    GLsizei count = static_cast<GLsizei>(vertices.size() / 6);
    std::vector<double> arrays;
    for (int i = 0; i < frames; i++) {
        double s = now();
        PlatformDrawBuffer(GL_BACK);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (int eye = 0; eye < 2; eye++) {
            PlatformDrawBuffer(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT);
            glDrawArrays(GL_TRIANGLES, 0, count);
        }
        SwapBuffers(windowDC);
        arrays.push_back(now() - s);
    }

    printf("%s: %u triangles, %dx%d\n", argv[1], m->triangleCount, windowWidth, windowHeight);
    printf("  start-up to the first frame %.3f s; read + fit + normals alone %.3f s: list and first frame add %.0f%%\n",
           firstFrame, prepare, 100 * (firstFrame - prepare) / prepare);
    printf("  of which the list compile alone takes %.3f s\n", compile);
    printf("  stereo frame (median of %d) %.1f ms; two glDrawArrays %.1f ms: %.2fx\n", frames, 1000 * median(stereo),
           1000 * median(arrays), median(stereo) / median(arrays));
    return 0;
}
