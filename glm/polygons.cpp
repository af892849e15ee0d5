// polygons.cpp: polygons that are not convex, cut anew by ear clipping. The reader splits
// every polygon into a fan from its first corner, which fills a concave polygon wrongly (a
// notch or a hole's slit is covered); such a polygon's triangles are made again here, in the
// same places, so that groups and materials keep them.
#include <math.h>
#include <stdint.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// Polygons of more corners keep their fan; so do all polygons once the clipping has taken
// this many steps for the model (a file of huge concave polygons must not take hours).
const uint32_t largestClipped = 4096;
const uint64_t stepBudget = 200000000;

struct FaceCorner {
    int32_t index[3];  // vertex, texture coordinate, normal
};

struct Polygon {
    FaceCorner* corners;
    float* x;          // the corners projected onto the polygon's plane
    float* y;
    uint32_t* next;    // the corners not yet cut off, as a ring
    uint32_t* previous;
};

const float* position(const GlmModel* model, const FaceCorner& c) { return &model->vertexData[3 * c.index[0]]; }

// Twice the signed area of the triangle a, b, c in the plane.
float turn(const Polygon& p, uint32_t a, uint32_t b, uint32_t c) {
    return (p.x[b] - p.x[a]) * (p.y[c] - p.y[b]) - (p.y[b] - p.y[a]) * (p.x[c] - p.x[b]);
}

// Projects the corners onto the plane across the normal's largest axis, turned so that the
// polygon runs counter-clockwise there; false when it is convex (or has no area).
bool projectIfConcave(const GlmModel* model, Polygon* p, uint32_t n) {
    double normal[3] = {0, 0, 0};
    for (uint32_t i = 0; i < n; i++) {
        const float* a = position(model, p->corners[i]);
        const float* b = position(model, p->corners[(i + 1) % n]);
        normal[0] += (static_cast<double>(a[1]) - b[1]) * (static_cast<double>(a[2]) + b[2]);
        normal[1] += (static_cast<double>(a[2]) - b[2]) * (static_cast<double>(a[0]) + b[0]);
        normal[2] += (static_cast<double>(a[0]) - b[0]) * (static_cast<double>(a[1]) + b[1]);
    }
    int axis = fabs(normal[0]) > fabs(normal[1]) ? 0 : 1;
    if (fabs(normal[2]) > fabs(normal[axis])) axis = 2;
    if (normal[axis] == 0) return false;
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    const float sign = normal[axis] > 0 ? 1.0f : -1.0f;
    for (uint32_t i = 0; i < n; i++) {
        const float* a = position(model, p->corners[i]);
        p->x[i] = a[u];
        p->y[i] = sign * a[v];
    }
    for (uint32_t i = 0; i < n; i++)
        if (turn(*p, i, (i + 1) % n, (i + 2) % n) < 0) return true;
    return false;
}

bool inside(const Polygon& p, uint32_t a, uint32_t b, uint32_t c, uint32_t q) {
    float x = p.x[q], y = p.y[q];
    auto side = [&](uint32_t s, uint32_t e) { return (p.x[e] - p.x[s]) * (y - p.y[s]) - (p.y[e] - p.y[s]) * (x - p.x[s]); };
    return side(a, b) >= 0 && side(b, c) >= 0 && side(c, a) >= 0;
}

// Whether the corner `i` is an ear: it turns left, and no other corner left lies in the
// triangle it makes with its neighbours.
bool isEar(const Polygon& p, uint32_t i, uint64_t* steps) {
    uint32_t a = p.previous[i], c = p.next[i];
    if (turn(p, a, i, c) <= 0) return false;
    for (uint32_t q = p.next[c]; q != a; q = p.next[q]) {
        ++*steps;
        if (inside(p, a, i, c, q) && !(p.x[q] == p.x[a] && p.y[q] == p.y[a]) && !(p.x[q] == p.x[c] && p.y[q] == p.y[c]))
            return false;
    }
    return true;
}

FaceCorner cornerOf(const GlmTriangle& t, int c) { return {{t.vertexIndex[c], t.texCoordIndex[c], t.normalIndex[c]}}; }

void writeTriangle(GlmTriangle* t, const Polygon& p, uint32_t a, uint32_t b, uint32_t c) {
    const uint32_t corners[3] = {a, b, c};
    for (int k = 0; k < 3; k++) {
        t->vertexIndex[k] = p.corners[corners[k]].index[0];
        t->texCoordIndex[k] = p.corners[corners[k]].index[1];
        t->normalIndex[k] = p.corners[corners[k]].index[2];
    }
}

// Cuts off ears in turn into the polygon's triangles, first to last. Where none is found (a
// polygon that crosses itself) the corner at hand is cut off all the same.
void clipEars(GlmTriangle* triangles, Polygon* p, uint32_t n, uint64_t* steps) {
    for (uint32_t i = 0; i < n; i++) {
        p->next[i] = (i + 1) % n;
        p->previous[i] = (i + n - 1) % n;
    }
    uint32_t left = n, i = 0, tried = 0, made = 0;
    while (left > 3) {
        // past the budget, corners are cut off in turn untested
        if (tried < left && *steps <= stepBudget && !isEar(*p, i, steps)) {
            i = p->next[i];
            tried++;
            continue;
        }
        writeTriangle(&triangles[made++], *p, p->previous[i], i, p->next[i]);
        p->next[p->previous[i]] = p->next[i];
        p->previous[p->next[i]] = p->previous[i];
        i = p->previous[i];
        left--;
        tried = 0;
    }
    writeTriangle(&triangles[made], *p, p->previous[i], i, p->next[i]);
}

}  // namespace

void _glmClipConcaveFaces(GlmModel* model) {
    GlmTriangle* t = model->triangleArray;
    Polygon p = {};
    uint32_t room = 0;
    uint64_t steps = 0;
    for (uint32_t first = 0, end; first < model->triangleCount; first = end) {
        for (end = first + 1; end < model->triangleCount && t[end].facetNormalIndex == GLM_CONTINUES_FACE; end++)
            t[end].facetNormalIndex = 0;
        const uint32_t n = end - first + 2;
        if (n == 3 || n > largestClipped || steps > stepBudget) continue;
        if (n > room) {
            room = n < 64 ? 64 : n;
            _glmFree(p.corners);
            _glmFree(p.x);
            _glmFree(p.next);
            p.corners = static_cast<FaceCorner*>(_glmAlloc(room * sizeof(FaceCorner)));
            p.x = static_cast<float*>(_glmAlloc(room * 2 * sizeof(float)));
            p.next = static_cast<uint32_t*>(_glmAlloc(room * 2 * sizeof(uint32_t)));
            p.y = p.x + room;
            p.previous = p.next + room;
        }
        // the fan's corners: its first triangle's three, then each next triangle's last
        p.corners[0] = cornerOf(t[first], 0);
        p.corners[1] = cornerOf(t[first], 1);
        for (uint32_t j = first; j < end; j++) p.corners[j - first + 2] = cornerOf(t[j], 2);
        steps += n;
        if (projectIfConcave(model, &p, n)) clipEars(&t[first], &p, n, &steps);
    }
    _glmFree(p.corners);
    _glmFree(p.x);
    _glmFree(p.next);
}
