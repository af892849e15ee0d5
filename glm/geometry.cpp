// geometry.cpp: fitting a model into the unit cube, facet normals and crease-angle vertex normals.
#include <assert.h>
#include <float.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"
#include "glm/parallel.h"

float _glmLarger(float a, float b) { return a > b ? a : b; }

float _glmDot3(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void _glmCross3(const float* u, const float* w, float* out) {
    out[0] = u[1] * w[2] - u[2] * w[1];
    out[1] = u[2] * w[0] - u[0] * w[2];
    out[2] = u[0] * w[1] - u[1] * w[0];
}

// A zero vector stays zero: degenerate triangles get no direction rather than NaN.
void _glmNormalize3(float* v) {
    float length = static_cast<float>(sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (length == 0.0f) return;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

float glmFitUnitCube(GlmModel* model) {
    if (model->vertexCount == 0) return 1.0f;
    float* v = model->vertexData;
    float maxv[3], minv[3];
    for (int a = 0; a < 3; a++) maxv[a] = minv[a] = v[3 + a];
    for (uint32_t i = 1; i <= model->vertexCount; i++) {
        for (int a = 0; a < 3; a++) {
            float value = v[3 * i + a];
            if (maxv[a] < value) maxv[a] = value;
            if (minv[a] > value) minv[a] = value;
        }
    }
    // the true extents, max - min, so that a model far from the origin fills the cube too
    float extent[3], centre[3];
    for (int a = 0; a < 3; a++) {
        extent[a] = maxv[a] - minv[a];
        // halves first, so that coordinates near the float range cannot overflow the sum
        centre[a] = maxv[a] * 0.5f + minv[a] * 0.5f;
    }
    float larger = _glmLarger(_glmLarger(extent[0], extent[1]), extent[2]);
    if (larger == 0.0f) {
        for (uint32_t i = 1; i <= model->vertexCount; i++)
            for (int a = 0; a < 3; a++) v[3 * i + a] -= centre[a];
        return 1.0f;
    }
    float scale = static_cast<float>(2.0 / larger);
    if (isfinite(larger) && isfinite(scale)) {
        for (uint32_t i = 1; i <= model->vertexCount; i++) {
            for (int a = 0; a < 3; a++) {
                v[3 * i + a] -= centre[a];
                v[3 * i + a] *= scale;
            }
        }
        return scale;
    }
    // an extent beyond the float range, or one so small that 2 / extent is: the same
    // arithmetic in double, where neither can overflow
    double largerD = 0, centreD[3];
    for (int a = 0; a < 3; a++) {
        largerD = fmax(largerD, static_cast<double>(maxv[a]) - static_cast<double>(minv[a]));
        centreD[a] = (static_cast<double>(maxv[a]) + static_cast<double>(minv[a])) * 0.5;
    }
    double scaleD = 2.0 / largerD;
    for (uint32_t i = 1; i <= model->vertexCount; i++)
        for (int a = 0; a < 3; a++) v[3 * i + a] = static_cast<float>((v[3 * i + a] - centreD[a]) * scaleD);
    return static_cast<float>(fmin(scaleD, static_cast<double>(FLT_MAX)));
}

namespace {

// The facet normal of a triangle whose float cross product overflows (coordinates far out)
// or underflows to zero (coordinates near zero): the same in double. Degenerate stays zero.
void facetNormalInDouble(const float* p0, const float* p1, const float* p2, float* n) {
    double u[3], w[3];
    for (int a = 0; a < 3; a++) {
        u[a] = static_cast<double>(p1[a]) - p0[a];
        w[a] = static_cast<double>(p2[a]) - p0[a];
    }
    double c[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    // scaled by the largest component first, so that squaring cannot overflow or underflow
    double largest = fmax(fabs(c[0]), fmax(fabs(c[1]), fabs(c[2])));
    for (int a = 0; a < 3; a++) n[a] = 0.0f;
    if (!(largest > 0) || !isfinite(largest)) return;
    for (int a = 0; a < 3; a++) c[a] /= largest;
    double length = sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    for (int a = 0; a < 3; a++) n[a] = static_cast<float>(c[a] / length);
}

// Below this many triangles the normals are made on one core.
const uint32_t parallelTriangles = 1u << 16;

// The facet normal of triangle i, into entry i + 1.
void facetNormal(GlmModel* model, uint32_t i) {
    const float* v = model->vertexData;
    GlmTriangle* t = &model->triangleArray[i];
    t->facetNormalIndex = static_cast<int32_t>(i + 1);
    const float* p0 = &v[3 * t->vertexIndex[0]];
    const float* p1 = &v[3 * t->vertexIndex[1]];
    const float* p2 = &v[3 * t->vertexIndex[2]];
    float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float w[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    float* n = &model->facetNormalData[3 * (i + 1)];
    _glmCross3(u, w, n);
    _glmNormalize3(n);
    if (!isfinite(n[0]) || !isfinite(n[1]) || !isfinite(n[2]) || (n[0] == 0 && n[1] == 0 && n[2] == 0))
        facetNormalInDouble(p0, p1, p2, n);
}

// The first index of part `part` of `parts` equal parts of [0, count).
uint32_t partStart(uint32_t count, int parts, int part) {
    return static_cast<uint32_t>(static_cast<uint64_t>(count) * part / parts);
}

}  // namespace

void glmComputeFacetNormals(GlmModel* model) {
    _glmFree(model->facetNormalData);
    const uint32_t triangles = model->triangleCount;
    model->facetNormalCount = triangles;
    model->facetNormalData = static_cast<float*>(_glmCalloc((static_cast<size_t>(triangles) + 1) * 3, sizeof(float)));
    // each triangle's on its own: large models in parts on all cores
    const int parts = triangles >= parallelTriangles ? _glmCores() : 1;
    _glmRunParts(parts, [&](int p) {
        for (uint32_t i = partStart(triangles, parts, p); i < partStart(triangles, parts, p + 1); i++) facetNormal(model, i);
    });
}

namespace {

// One entry of a vertex's list of uses: a corner of a triangle that has the vertex. A
// vertex's uses lie side by side in one array, so the next use is the next entry.
struct VertexUse {
    uint32_t triangle : 31;  // 0-based triangle index
    uint32_t averaged : 1;   // its facet normal went into the vertex's shared normal
};

// What the steps of glmVertexNormals share.
struct VertexNormals {
    GlmModel* model;
    int parts;           // of the triangles, and of the vertices, each on a core
    float cosAngle;      // facets closer than this to the reference merge
    VertexUse* uses;     // vertex k's uses are uses[first[k]] up to uses[first[k + 1]]
    uint32_t* first;
    uint32_t* made;      // normals each part of the vertices makes
    uint32_t* unused;    // vertices without a triangle, each part's
    float* normals;      // room for the most normals there can be
};

const float* facetOf(const VertexNormals* w, const VertexUse* use) {
    return &w->model->facetNormalData[3 * w->model->triangleArray[use->triangle].facetNormalIndex];
}

// The first vertex of part p of the vertices (1-based).
uint32_t vertexOf(const VertexNormals* w, int p) { return 1 + partStart(w->model->vertexCount, w->parts, p); }

// The lists of uses, each running from the highest triangle that uses the vertex down, made by
// a counting sort: each part of the triangles counts its uses of every vertex, then places
// them from its lowest triangle up, downwards from the top of its share of the vertex's run
// (the shares of later parts lie below those of earlier ones), so the runs come out as one
// pass over all triangles would leave them. Four bytes a use, so that little fresh memory is
// touched.
void listUses(VertexNormals* w) {
    const GlmModel* model = w->model;
    const uint32_t triangles = model->triangleCount, vertices = model->vertexCount;
    const int parts = w->parts;
    const size_t stride = static_cast<size_t>(vertices) + 2;
    uint32_t* cursors = static_cast<uint32_t*>(_glmCalloc(parts * stride, sizeof *cursors));
    w->first = static_cast<uint32_t*>(_glmCalloc(stride, sizeof *w->first));
    w->uses = static_cast<VertexUse*>(_glmAlloc(3 * static_cast<size_t>(triangles) * sizeof *w->uses));
    _glmRunParts(parts, [&](int p) {
        uint32_t* counts = &cursors[p * stride];
        for (uint32_t i = partStart(triangles, parts, p); i < partStart(triangles, parts, p + 1); i++)
            for (int c = 0; c < 3; c++) {
                int32_t k = model->triangleArray[i].vertexIndex[c];
                assert(k >= 1 && static_cast<uint32_t>(k) <= vertices);
                counts[k]++;
            }
    });
    uint32_t end = 0;  // of the current vertex's run
    for (uint32_t k = 1; k <= vertices + 1; k++) {
        uint32_t top = end;
        for (int p = 0; p < parts; p++) top += cursors[p * stride + k];
        end = top;
        for (int p = 0; p < parts; p++) {
            uint32_t count = cursors[p * stride + k];
            cursors[p * stride + k] = top;
            top -= count;
        }
        w->first[k] = top;
    }
    _glmRunParts(parts, [&](int p) {
        uint32_t* cursor = &cursors[p * stride];
        for (uint32_t i = partStart(triangles, parts, p); i < partStart(triangles, parts, p + 1); i++)
            for (int c = 0; c < 3; c++) {
                // corner 0 last in the run, as a list built at its head from corner 0 on holds it
                VertexUse* use = &w->uses[--cursor[model->triangleArray[i].vertexIndex[c]]];
                use->triangle = i;
                use->averaged = 0;
            }
    });
    _glmFree(cursors);
}

// Marks, vertex by vertex, the uses whose facets merge into the shared normal (those near the
// facet of the highest-numbered triangle that uses the vertex), and counts the normals each
// part of the vertices makes.
void markShared(VertexNormals* w) {
    _glmRunParts(w->parts, [&](int p) {
        for (uint32_t k = vertexOf(w, p); k < vertexOf(w, p + 1); k++) {
            VertexUse *head = &w->uses[w->first[k]], *stop = &w->uses[w->first[k + 1]];
            if (head == stop) {
                w->unused[p]++;
                continue;
            }
            const float* reference = facetOf(w, head);
            bool anyAveraged = false;
            for (VertexUse* use = head; use != stop; use++) {
                use->averaged = _glmDot3(facetOf(w, use), reference) > w->cosAngle;
                anyAveraged |= use->averaged;
                w->made[p] += !use->averaged;
            }
            w->made[p] += anyAveraged;
        }
    });
}

// Vertex k's normals from `slot` on (the shared one first, then a facet's copy for each use
// that did not merge), given to the corners that name it; returns the next free slot.
uint32_t makeVertexNormals(VertexNormals* w, uint32_t k, uint32_t slot) {
    VertexUse *head = &w->uses[w->first[k]], *stop = &w->uses[w->first[k + 1]];
    float sum[3] = {0, 0, 0};
    bool anyAveraged = false;
    for (VertexUse* use = head; use != stop; use++) {
        if (!use->averaged) continue;
        const float* n = facetOf(w, use);
        sum[0] += n[0];
        sum[1] += n[1];
        sum[2] += n[2];
        anyAveraged = true;
    }
    uint32_t shared = 0;
    if (anyAveraged) {
        _glmNormalize3(sum);
        memcpy(&w->normals[3 * static_cast<size_t>(slot)], sum, sizeof sum);
        shared = slot++;
    }
    int64_t previousTriangle = -1;
    int corner = -1;
    for (VertexUse* use = head; use != stop; use++) {
        GlmTriangle* t = &w->model->triangleArray[use->triangle];
        uint32_t index = shared;
        if (!use->averaged) {
            memcpy(&w->normals[3 * static_cast<size_t>(slot)], facetOf(w, use), 3 * sizeof(float));
            index = slot++;
        }
        // the uses of one triangle are adjacent: each takes the next corner that names the
        // vertex, so every such corner gets a normal, not only the first
        if (static_cast<int64_t>(use->triangle) != previousTriangle) corner = -1;
        previousTriangle = use->triangle;
        do corner++;
        while (corner < 2 && t->vertexIndex[corner] != static_cast<int32_t>(k));
        t->normalIndex[corner] = static_cast<int32_t>(index);
    }
    return slot;
}

// Each part of the vertices makes its normals, numbered on from the parts before it.
void makeNormals(VertexNormals* w) {
    _glmRunParts(w->parts, [&](int p) {
        uint32_t slot = 1;
        for (int q = 0; q < p; q++) slot += w->made[q];
        for (uint32_t k = vertexOf(w, p); k < vertexOf(w, p + 1); k++)
            if (w->first[k] != w->first[k + 1]) slot = makeVertexNormals(w, k, slot);
    });
}

// The normals made, in an array of their exact count; the lines on what was done.
void keepNormals(VertexNormals* w) {
    GlmModel* model = w->model;
    model->normalCount = 0;
    for (int p = 0; p < w->parts; p++) {
        model->normalCount += w->made[p];
        for (uint32_t i = 0; i < w->unused[p]; i++) fprintf(stderr, "glmVertexNormals(): vertex w/o a triangle\n");
    }
    // the upper bound shrunk to the exact count, in place: no copy of a large model's normals
    model->normalData = static_cast<float*>(_glmShrink(w->normals, (static_cast<size_t>(model->normalCount) + 1) * 3 * sizeof(float)));
    w->normals = nullptr;
    printf("glmVertexNormals(): %d normals generated\n", static_cast<int>(model->normalCount));
}

}  // namespace

void glmVertexNormals(GlmModel* model, float angle) {
    _glmVertexNormalsInParts(model, angle, model->triangleCount >= parallelTriangles ? _glmCores() : 1);
}

void _glmVertexNormalsInParts(GlmModel* model, float angle, int parts) {
    VertexNormals w = {};
    w.model = model;
    w.parts = parts;
    w.cosAngle = static_cast<float>(cos(static_cast<double>(angle) * 0.017453292519943295));
    _glmFree(model->normalData);
    model->normalData = nullptr;
    // the upper bound; only the pages of the normals written are ever touched
    w.normals = static_cast<float*>(_glmCalloc((3 * static_cast<size_t>(model->triangleCount) + 1) * 3, sizeof(float)));
    w.made = static_cast<uint32_t*>(_glmCalloc(parts, sizeof *w.made));
    w.unused = static_cast<uint32_t*>(_glmCalloc(parts, sizeof *w.unused));
    listUses(&w);
    markShared(&w);
    makeNormals(&w);
    _glmFree(w.uses);
    _glmFree(w.first);
    keepNormals(&w);
    _glmFree(w.made);
    _glmFree(w.unused);
}
