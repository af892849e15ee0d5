// orient.cpp: turning round the faces of the parts of a model that are wound inward.
#include <math.h>
#include <stdint.h>
#include <algorithm>
#include "glm/glm_internal.h"

namespace {

// The closedness test sorts three keys a triangle: a model with more triangles than this in
// parts without normals has none of them judged.
const uint32_t closedTestLimit = 2000000;

// What one connected part adds up to.
struct Part {
    double area;      // twice the area of its triangles
    double normalled; // of those whose corners all carry normals
    double disagrees; // of those whose winding points away from their normals
    double volume;    // six times its signed volume
    uint32_t triangles;
    bool open;        // an edge not matched by exactly one going the other way
};

uint32_t root(uint32_t* parent, uint32_t v) {
    while (parent[v] != v) v = parent[v] = parent[parent[v]];
    return v;
}

// Each vertex's part, numbered from 0 (vertices of no triangle get a part each); returns
// the number of parts.
uint32_t findParts(const GlmModel* model, uint32_t* part) {
    for (uint32_t v = 0; v <= model->vertexCount; v++) part[v] = v;
    for (uint32_t i = 0; i < model->triangleCount; i++) {
        const int32_t* v = model->triangleArray[i].vertexIndex;
        for (int c = 1; c < 3; c++) {
            uint32_t a = root(part, static_cast<uint32_t>(v[0])), b = root(part, static_cast<uint32_t>(v[c]));
            if (a != b) part[std::max(a, b)] = std::min(a, b);
        }
    }
    // a root is below every vertex of its part: one walk numbers the roots and then the rest
    uint32_t count = 0;
    for (uint32_t v = 0; v <= model->vertexCount; v++) part[v] = part[v] == v ? count++ : part[part[v]];
    return count;
}

// The area, normals' agreement and volume of each part.
void addUp(const GlmModel* model, const uint32_t* part, Part* parts) {
    const float* p = model->vertexData;
    for (uint32_t i = 0; i < model->triangleCount; i++) {
        const GlmTriangle* t = &model->triangleArray[i];
        const float* a = &p[3 * t->vertexIndex[0]];
        const float* b = &p[3 * t->vertexIndex[1]];
        const float* c = &p[3 * t->vertexIndex[2]];
        const double u[3] = {b[0] - (double)a[0], b[1] - (double)a[1], b[2] - (double)a[2]};
        const double w[3] = {c[0] - (double)a[0], c[1] - (double)a[1], c[2] - (double)a[2]};
        const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
        const double area = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        Part* q = &parts[part[t->vertexIndex[0]]];
        q->triangles++;
        q->area += area;
        q->volume += a[0] * (b[1] * (double)c[2] - b[2] * (double)c[1]) + a[1] * (b[2] * (double)c[0] - b[0] * (double)c[2]) +
                     a[2] * (b[0] * (double)c[1] - b[1] * (double)c[0]);
        if (!t->normalIndex[0] || !t->normalIndex[1] || !t->normalIndex[2]) continue;
        double along = 0;
        for (int k = 0; k < 3; k++)
            for (int j = 0; j < 3; j++) along += n[j] * model->normalData[3 * t->normalIndex[k] + j];
        q->normalled += area;
        if (along < 0) q->disagrees += area;
    }
}

// Whether a part is judged by its volume: most of it carries no normals.
bool byVolume(const Part* q) { return q->normalled * 2 < q->area; }

// Marks the parts judged by their volume that are open: an edge not used exactly twice, once
// each way.
void findOpenParts(const GlmModel* model, const uint32_t* part, Part* parts, uint32_t partCount) {
    size_t count = 0;
    for (uint32_t p = 0; p < partCount; p++) count += byVolume(&parts[p]) ? 3 * static_cast<size_t>(parts[p].triangles) : 0;
    if (count == 0) return;
    if (count > 3 * static_cast<size_t>(closedTestLimit)) {
        for (uint32_t p = 0; p < partCount; p++) parts[p].open = true;
        return;
    }
    // the lower vertex above the higher, and a bit for the way the edge goes
    uint64_t* keys = static_cast<uint64_t*>(_glmAlloc(count * sizeof(uint64_t)));
    size_t k = 0;
    for (uint32_t i = 0; i < model->triangleCount; i++) {
        const int32_t* v = model->triangleArray[i].vertexIndex;
        if (!byVolume(&parts[part[v[0]]])) continue;
        for (int c = 0; c < 3; c++) {
            const uint64_t a = static_cast<uint32_t>(v[c]), b = static_cast<uint32_t>(v[(c + 1) % 3]);
            keys[k++] = (std::min(a, b) << 32 | std::max(a, b)) << 1 | (a < b ? 1 : 0);
        }
    }
    std::sort(keys, keys + count);
    for (size_t i = 0; i < count;) {
        size_t j = i;
        while (j < count && keys[j] >> 1 == keys[i] >> 1) j++;
        if (j - i != 2 || (keys[i] & 1) == (keys[i + 1] & 1)) parts[part[keys[i] >> 33]].open = true;
        i = j;
    }
    _glmFree(keys);
}

// Clear evidence only: most of the area carries normals and three quarters of that points
// against the winding; or, without normals, a closed surface of negative volume.
bool inward(const Part* q) {
    if (q->area == 0) return false;
    if (!byVolume(q)) return q->normalled * 2 >= q->area && q->disagrees > 0.75 * q->normalled;
    return !q->open && q->volume < 0;
}

}  // namespace

uint32_t glmOrientParts(GlmModel* model) {
    if (model->triangleCount == 0) return 0;
    uint32_t* part = static_cast<uint32_t*>(_glmAlloc((static_cast<size_t>(model->vertexCount) + 1) * sizeof(uint32_t)));
    const uint32_t count = findParts(model, part);
    Part* parts = static_cast<Part*>(_glmCalloc(count, sizeof(Part)));
    addUp(model, part, parts);
    findOpenParts(model, part, parts, count);
    uint32_t turned = 0;
    for (uint32_t i = 0; i < model->triangleCount; i++) {
        GlmTriangle* t = &model->triangleArray[i];
        if (!inward(&parts[part[t->vertexIndex[0]]])) continue;
        std::swap(t->vertexIndex[1], t->vertexIndex[2]);
        std::swap(t->normalIndex[1], t->normalIndex[2]);
        std::swap(t->texCoordIndex[1], t->texCoordIndex[2]);
        turned++;
    }
    _glmFree(parts);
    _glmFree(part);
    return turned;
}
