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

// The unit normal of the triangle p0 p1 p2 (right-hand rule), into n.
void computeFacet(const float* p0, const float* p1, const float* p2, float* n) {
    float u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float w[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    _glmCross3(u, w, n);
    _glmNormalize3(n);
    if (!isfinite(n[0]) || !isfinite(n[1]) || !isfinite(n[2]) || (n[0] == 0 && n[1] == 0 && n[2] == 0))
        facetNormalInDouble(p0, p1, p2, n);
}

// The facet normal of triangle i, into entry i + 1.
void facetNormal(GlmModel* model, uint32_t i) {
    const float* v = model->vertexData;
    GlmTriangle* t = &model->triangleArray[i];
    t->facetNormalIndex = static_cast<int32_t>(i + 1);
    computeFacet(&v[3 * t->vertexIndex[0]], &v[3 * t->vertexIndex[1]], &v[3 * t->vertexIndex[2]],
                 &model->facetNormalData[3 * (i + 1)]);
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

// What the steps of glmVertexNormals share. Each vertex's uses (the corners that name it) are
// visited from the highest triangle down, as if listed; no list is kept, so a model of
// millions of triangles needs little more than its normals.
struct VertexNormals {
    GlmModel* model;
    int parts;           // of the triangles, each on a core, where the steps allow
    float cosAngle;      // facets closer than this to the reference merge
    uint32_t* reference; // by vertex: the highest triangle that uses it (noTriangle: none);
                         // then the next slot of its own facets' copies
    uint32_t* first;     // by vertex: its uses that did not merge, then its first slot; the
                         // top bit: some use merged (its shared normal comes first)
    uint8_t* merged;     // a bit a corner: its facet merges into the vertex's shared normal
    float* referenceFacet; // by vertex: the facet of its highest triangle, while they are marked
};

const uint32_t noTriangle = UINT32_MAX, sharedBit = 1u << 31;

// The facet normal of triangle i: as computed, or computed as glmComputeFacetNormals would.
void facetOf(const GlmModel* model, uint32_t i, float* n) {
    const GlmTriangle* t = &model->triangleArray[i];
    if (model->facetNormalData) {
        memcpy(n, &model->facetNormalData[3 * t->facetNormalIndex], 3 * sizeof(float));
        return;
    }
    const float* v = model->vertexData;
    computeFacet(&v[3 * t->vertexIndex[0]], &v[3 * t->vertexIndex[1]], &v[3 * t->vertexIndex[2]], n);
}

// Which uses merge: those whose facet is near the facet of the highest triangle that uses the
// vertex; counted by vertex, on all cores (the parts of the triangles start at multiples of 8,
// so that no byte of the bits is written by two).
void markMerged(VertexNormals* w) {
    const GlmModel* model = w->model;
    const uint32_t triangles = model->triangleCount, vertices = model->vertexCount;
    for (uint32_t i = 0; i < triangles; i++)
        for (int c = 0; c < 3; c++) w->reference[model->triangleArray[i].vertexIndex[c]] = i;
    w->referenceFacet = static_cast<float*>(_glmAlloc((static_cast<size_t>(vertices) + 1) * 3 * sizeof(float)));
    _glmRunParts(w->parts, [&](int p) {
        for (uint32_t k = 1 + partStart(vertices, w->parts, p); k < 1 + partStart(vertices, w->parts, p + 1); k++)
            if (w->reference[k] != noTriangle) facetOf(model, w->reference[k], &w->referenceFacet[3 * static_cast<size_t>(k)]);
    });
    auto start = [&](int p) { return p == w->parts ? triangles : partStart(triangles, w->parts, p) & ~7u; };
    _glmRunParts(w->parts, [&](int p) {
        for (uint32_t i = start(p); i < start(p + 1); i++) {
            float facet[3];
            facetOf(model, i, facet);
            for (int c = 0; c < 3; c++) {
                const uint32_t k = static_cast<uint32_t>(model->triangleArray[i].vertexIndex[c]);
                if (_glmDot3(facet, &w->referenceFacet[3 * static_cast<size_t>(k)]) > w->cosAngle) {
                    w->merged[(3 * static_cast<size_t>(i) + c) / 8] |= static_cast<uint8_t>(1u << ((3 * i + c) % 8));
                    __atomic_fetch_or(&w->first[k], sharedBit, __ATOMIC_RELAXED);
                } else {
                    __atomic_fetch_add(&w->first[k], 1u, __ATOMIC_RELAXED);
                }
            }
        }
    });
    _glmFree(w->referenceFacet);
    w->referenceFacet = nullptr;
}

bool isMerged(const VertexNormals* w, uint32_t i, int c) {
    return (w->merged[(3 * static_cast<size_t>(i) + c) / 8] >> ((3 * i + c) % 8)) & 1;
}

// The slots, vertex by vertex: the shared normal first, then a facet's copy for each use that
// did not merge. Returns the normals' count; prints a line per vertex without a triangle.
uint32_t numberSlots(VertexNormals* w) {
    const GlmModel* model = w->model;
    // a vertex of a segment or point is drawn all the same
    uint8_t* drawn = nullptr;
    if (model->lineCount || model->pointCount) {
        drawn = static_cast<uint8_t*>(_glmCalloc(static_cast<size_t>(model->vertexCount) + 1, 1));
        for (uint32_t i = 0; i < model->lineCount; i++) drawn[model->lineArray[i].vertexIndex[0]] = drawn[model->lineArray[i].vertexIndex[1]] = 1;
        for (uint32_t i = 0; i < model->pointCount; i++) drawn[model->pointArray[i].vertexIndex] = 1;
    }
    uint32_t slot = 1;
    for (uint32_t k = 1; k <= model->vertexCount; k++) {
        if (w->reference[k] == noTriangle) {
            if (!drawn || !drawn[k]) fprintf(stderr, "glmVertexNormals(): vertex w/o a triangle\n");
            continue;
        }
        const uint32_t shared = w->first[k] >> 31, own = w->first[k] & ~sharedBit;
        w->first[k] = slot | (shared << 31);
        w->reference[k] = slot + shared;
        slot += shared + own;
    }
    _glmFree(drawn);
    return slot - 1;
}

// The normals, from the highest triangle down: each merging facet added to its vertex's shared
// normal (in the order a list of uses would add them), each other one copied to the vertex's
// next slot, and every corner given its slot (of a vertex named twice by one triangle, the
// first corner takes the first slot).
void makeNormals(VertexNormals* w) {
    GlmModel* model = w->model;
    float* normals = model->normalData;
    for (uint32_t i = model->triangleCount; i-- > 0;) {
        GlmTriangle* t = &model->triangleArray[i];
        float facet[3];
        facetOf(model, i, facet);
        for (int c = 0; c < 3; c++) {
            const uint32_t k = static_cast<uint32_t>(t->vertexIndex[c]);
            uint32_t index;
            if (isMerged(w, i, c)) {
                index = w->first[k] & ~sharedBit;
                for (int a = 0; a < 3; a++) normals[3 * static_cast<size_t>(index) + a] += facet[a];
            } else {
                index = w->reference[k]++;
                memcpy(&normals[3 * static_cast<size_t>(index)], facet, sizeof facet);
            }
            t->normalIndex[c] = static_cast<int32_t>(index);
        }
    }
    for (uint32_t k = 1; k <= model->vertexCount; k++)
        if (w->first[k] & sharedBit) _glmNormalize3(&normals[3 * static_cast<size_t>(w->first[k] & ~sharedBit)]);
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
    const size_t vertices = static_cast<size_t>(model->vertexCount) + 1;
    w.reference = static_cast<uint32_t*>(_glmAlloc(vertices * sizeof(uint32_t)));
    memset(w.reference, 0xff, vertices * sizeof(uint32_t));
    w.first = static_cast<uint32_t*>(_glmCalloc(vertices, sizeof(uint32_t)));
    w.merged = static_cast<uint8_t*>(_glmCalloc((3 * static_cast<size_t>(model->triangleCount) + 7) / 8, 1));
    markMerged(&w);
    model->normalCount = numberSlots(&w);
    model->normalData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->normalCount) + 1) * 3, sizeof(float)));
    makeNormals(&w);
    _glmFree(w.reference);
    _glmFree(w.first);
    _glmFree(w.merged);
    printf("glmVertexNormals(): %d normals generated\n", static_cast<int>(model->normalCount));
}

void glmPointsOfVertices(GlmModel* model) {
    if (model->triangleCount || model->lineCount || model->pointCount || model->vertexCount == 0) return;
    model->pointArray = static_cast<GlmPoint*>(_glmCalloc(model->vertexCount, sizeof(GlmPoint)));
    model->pointCount = model->vertexCount;
    for (uint32_t v = 0; v < model->vertexCount; v++) model->pointArray[v].vertexIndex = static_cast<int32_t>(v + 1);
}
