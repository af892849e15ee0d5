// simplify.cpp: a coarse copy of a model by vertex clustering: the vertices merged on a grid,
// each triangle that still has three cells kept once. Linear in the model's size whatever its
// geometry, so it is safe on any model the readers accept.
#include <math.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// Open addressing from 64-bit keys (never ~0) to 32-bit values, doubled at half full.
struct KeyTable {
    uint64_t* keys;
    uint32_t* values;
    size_t capacity, count;
};

const uint64_t emptyKey = ~0ull;

KeyTable makeTable(size_t expected) {
    size_t capacity = 1024;
    while (capacity < 2 * expected) capacity *= 2;
    KeyTable t = {static_cast<uint64_t*>(_glmAlloc(capacity * sizeof(uint64_t))),
                  static_cast<uint32_t*>(_glmAlloc(capacity * sizeof(uint32_t))), capacity, 0};
    memset(t.keys, 0xff, capacity * sizeof(uint64_t));
    return t;
}

void freeTable(KeyTable* t) {
    _glmFree(t->keys);
    _glmFree(t->values);
}

size_t slotOf(const KeyTable* t, uint64_t key) {
    uint64_t h = key * 0x9e3779b97f4a7c15ull;
    size_t slot = static_cast<size_t>(h ^ (h >> 29)) & (t->capacity - 1);
    while (t->keys[slot] != emptyKey && t->keys[slot] != key) slot = (slot + 1) & (t->capacity - 1);
    return slot;
}

// The value of `key`, or `value` put in for it (then *added is true).
uint32_t findOrAdd(KeyTable* t, uint64_t key, uint32_t value, bool* added) {
    if (2 * (t->count + 1) > t->capacity) {
        KeyTable bigger = makeTable(t->capacity);
        for (size_t i = 0; i < t->capacity; i++)
            if (t->keys[i] != emptyKey) {
                size_t slot = slotOf(&bigger, t->keys[i]);
                bigger.keys[slot] = t->keys[i];
                bigger.values[slot] = t->values[i];
            }
        bigger.count = t->count;
        freeTable(t);
        *t = bigger;
    }
    size_t slot = slotOf(t, key);
    *added = t->keys[slot] == emptyKey;
    if (*added) {
        t->keys[slot] = key;
        t->values[slot] = value;
        t->count++;
    }
    return t->values[slot];
}

struct Grid {
    float low[3];
    float cellSize;
    uint64_t cells;  // along each axis
};

uint64_t cellKey(const Grid* g, const float* p) {
    uint64_t key = 0;
    for (int k = 0; k < 3; k++) {
        float at = (p[k] - g->low[k]) / g->cellSize;
        uint64_t i = at > 0 ? static_cast<uint64_t>(at) : 0;
        key = key * g->cells + (i < g->cells ? i : g->cells - 1);
    }
    return key;
}

// A kept triangle: its cells and the source triangle whose corners and material it keeps.
struct Kept {
    uint32_t cell[3];
    const GlmTriangle* source;
};

// The cells of one grid: each vertex's cell, and the sum of the vertices in each.
struct Clusters {
    uint32_t* vertexCell;  // by vertex index
    float* sums;           // four floats a cell: x, y, z, count
    uint32_t cellCount;
};

Clusters cluster(const GlmModel* model, const Grid* g, size_t expectedCells) {
    Clusters c = {static_cast<uint32_t*>(_glmAlloc((model->vertexCount + 1) * sizeof(uint32_t))), nullptr, 0};
    KeyTable cells = makeTable(expectedCells);
    for (uint32_t v = 1; v <= model->vertexCount; v++) {
        bool added;
        c.vertexCell[v] = findOrAdd(&cells, cellKey(g, &model->vertexData[3 * v]), static_cast<uint32_t>(cells.count), &added);
    }
    c.cellCount = static_cast<uint32_t>(cells.count);
    freeTable(&cells);
    c.sums = static_cast<float*>(_glmCalloc(4 * static_cast<size_t>(c.cellCount), sizeof(float)));
    for (uint32_t v = 1; v <= model->vertexCount; v++) {
        float* s = &c.sums[4 * static_cast<size_t>(c.vertexCell[v])];
        for (int k = 0; k < 3; k++) s[k] += model->vertexData[3 * v + k];
        s[3] += 1;
    }
    return c;
}

// The triangles a grid keeps, in drawing order (group after group), each once; null with
// *count as far as it went where more than `limit` would be kept.
Kept* keepTriangles(const GlmModel* model, const Clusters* c, uint32_t limit, uint32_t* count) {
    if (limit > model->triangleCount) limit = model->triangleCount;
    Kept* kept = static_cast<Kept*>(_glmAlloc((static_cast<size_t>(limit) + 1) * sizeof(Kept)));
    KeyTable seen = makeTable(limit);
    *count = 0;
    for (const GlmGroup* group = model->groupList; group; group = group->next)
        for (uint32_t i = 0; i < group->triangleCount; i++) {
            const GlmTriangle* t = &model->triangleArray[group->triangleIndices[i]];
            uint32_t cell[3];
            for (int k = 0; k < 3; k++) cell[k] = c->vertexCell[t->vertexIndex[k]];
            if (cell[0] == cell[1] || cell[1] == cell[2] || cell[0] == cell[2]) continue;
            // the same three cells in the same turn, and the same material: one triangle
            int first = cell[0] < cell[1] ? (cell[0] < cell[2] ? 0 : 2) : (cell[1] < cell[2] ? 1 : 2);
            uint64_t key = 0x9e3779b1u * static_cast<uint64_t>(static_cast<uint32_t>(t->materialIndex));
            for (int k = 0; k < 3; k++) key = key * 0x100000001b3ull + cell[(first + k) % 3] + 1;
            bool added;
            findOrAdd(&seen, key == emptyKey ? 0 : key, 0, &added);
            if (!added) continue;
            if (*count >= limit) {
                // counted on a while, to size the next grid
                if (++*count < 4 * static_cast<uint64_t>(limit)) continue;
                freeTable(&seen);
                _glmFree(kept);
                return nullptr;
            }
            kept[(*count)++] = Kept{{cell[0], cell[1], cell[2]}, t};
        }
    freeTable(&seen);
    return kept;
}

// The segments and points a grid keeps: each segment with two cells and each point once (by
// its cells and material), on the cells' vertices.
struct KeptElements {
    GlmLine* lines;
    GlmPoint* points;
    uint32_t lineCount, pointCount;
};

// False, with *count as far as it went, where more than `limit` would be kept.
bool keepElements(const GlmModel* model, const Clusters* c, uint32_t limit, KeptElements* e, uint32_t* count) {
    const uint32_t lines = limit < model->lineCount ? limit : model->lineCount;
    const uint32_t points = limit < model->pointCount ? limit : model->pointCount;
    *e = KeptElements{static_cast<GlmLine*>(_glmAlloc((static_cast<size_t>(lines) + 1) * sizeof(GlmLine))),
                      static_cast<GlmPoint*>(_glmAlloc((static_cast<size_t>(points) + 1) * sizeof(GlmPoint))), 0, 0};
    KeyTable seen = makeTable(lines + points);
    *count = 0;
    const uint32_t total = model->lineCount + model->pointCount;
    for (uint32_t i = 0; i < total; i++) {
        const bool line = i < model->lineCount;
        const GlmLine* l = line ? &model->lineArray[i] : nullptr;
        const GlmPoint* p = line ? nullptr : &model->pointArray[i - model->lineCount];
        const uint32_t a = c->vertexCell[line ? l->vertexIndex[0] : p->vertexIndex];
        const uint32_t b = line ? c->vertexCell[l->vertexIndex[1]] : a;
        if (line && a == b) continue;
        const int32_t material = line ? l->materialIndex : p->materialIndex;
        uint64_t key = 0x9e3779b1u * static_cast<uint64_t>(static_cast<uint32_t>(material)) + (line ? 1 : 2);
        key = (key * 0x100000001b3ull + (a < b ? a : b) + 1) * 0x100000001b3ull + (a < b ? b : a) + 1;
        bool added;
        findOrAdd(&seen, key == emptyKey ? 0 : key, 0, &added);
        if (!added) continue;
        if (*count >= limit) {
            if (++*count < 4 * static_cast<uint64_t>(limit) + 4) continue;
            break;
        }
        (*count)++;
        if (line)
            e->lines[e->lineCount++] = GlmLine{{static_cast<int32_t>(a + 1), static_cast<int32_t>(b + 1)}, material};
        else
            e->points[e->pointCount++] = GlmPoint{static_cast<int32_t>(a + 1), material};
    }
    freeTable(&seen);
    if (*count <= limit) return true;
    _glmFree(e->lines);
    _glmFree(e->points);
    *e = KeptElements{};
    return false;
}

void copyMaterials(const GlmModel* model, GlmModel* copy) {
    if (model->materialCount == 0) return;
    copy->materialCount = model->materialCount;
    copy->materialArray = static_cast<GlmMaterial*>(_glmCalloc(model->materialCount, sizeof(GlmMaterial)));
    for (uint32_t i = 0; i < model->materialCount; i++) {
        GlmMaterial* m = &copy->materialArray[i];
        *m = model->materialArray[i];
        m->name = _glmStrdup(m->name);
        m->wholeName = m->wholeName ? _glmStrdup(m->wholeName) : nullptr;
        m->textureMap = m->emissionMap = m->opacityMap = nullptr;
    }
}

// The copy: a vertex a cell, three normals and texture coordinates a triangle as the source
// triangles' corners had them, and the source's groups in their order, each with what it kept.
GlmModel* makeCopy(const GlmModel* model, const Clusters* c, const Kept* kept, uint32_t count, KeptElements* e) {
    GlmModel* copy = static_cast<GlmModel*>(_glmCalloc(1, sizeof(GlmModel)));
    copy->objPath = model->objPath ? _glmStrdup(model->objPath) : nullptr;
    memcpy(copy->drawOffset, model->drawOffset, sizeof copy->drawOffset);
    copy->vertexCount = c->cellCount;
    copy->vertexData = static_cast<float*>(_glmCalloc(3 * (static_cast<size_t>(c->cellCount) + 1), sizeof(float)));
    for (size_t i = 0; i < c->cellCount; i++)
        for (int k = 0; k < 3; k++) copy->vertexData[3 * (i + 1) + k] = c->sums[4 * i + k] / c->sums[4 * i + 3];
    // a cell's colour is its vertices' mean
    if (model->colorData) {
        copy->colorData = static_cast<float*>(_glmCalloc(3 * (static_cast<size_t>(c->cellCount) + 1), sizeof(float)));
        for (uint32_t v = 1; v <= model->vertexCount; v++)
            for (int k = 0; k < 3; k++)
                copy->colorData[3 * (static_cast<size_t>(c->vertexCell[v]) + 1) + k] += model->colorData[3 * v + k] / c->sums[4 * c->vertexCell[v] + 3];
    }
    const size_t corners = 3 * static_cast<size_t>(count);
    if (model->normalData) {
        copy->normalCount = static_cast<uint32_t>(corners);
        copy->normalData = static_cast<float*>(_glmCalloc(3 * (corners + 1), sizeof(float)));
    }
    if (model->texCoordData) {
        copy->texCoordCount = static_cast<uint32_t>(corners);
        copy->texCoordData = static_cast<float*>(_glmCalloc(2 * (corners + 1), sizeof(float)));
    }
    copy->triangleCount = count;
    copy->triangleArray = static_cast<GlmTriangle*>(_glmCalloc(count, sizeof(GlmTriangle)));
    for (uint32_t t = 0; t < count; t++) {
        const GlmTriangle* s = kept[t].source;
        GlmTriangle* d = &copy->triangleArray[t];
        d->materialIndex = s->materialIndex;
        for (int k = 0; k < 3; k++) {
            const int32_t corner = static_cast<int32_t>(3 * t + k + 1);
            d->vertexIndex[k] = static_cast<int32_t>(kept[t].cell[k] + 1);
            if (copy->normalData && s->normalIndex[k] != 0) {
                memcpy(&copy->normalData[3 * corner], &model->normalData[3 * s->normalIndex[k]], 3 * sizeof(float));
                d->normalIndex[k] = corner;
            }
            if (copy->texCoordData && s->texCoordIndex[k] != 0) {
                memcpy(&copy->texCoordData[2 * corner], &model->texCoordData[2 * s->texCoordIndex[k]], 2 * sizeof(float));
                d->texCoordIndex[k] = corner;
            }
        }
    }
    copyMaterials(model, copy);
    // the segments and points, as kept
    copy->lineCount = e->lineCount;
    copy->lineArray = e->lineCount ? e->lines : nullptr;
    copy->pointCount = e->pointCount;
    copy->pointArray = e->pointCount ? e->points : nullptr;
    if (!e->lineCount) _glmFree(e->lines);
    if (!e->pointCount) _glmFree(e->points);
    *e = KeptElements{};
    // groups in the source's list order; a kept triangle belongs to the group it was met in
    GlmGroup** tail = &copy->groupList;
    uint32_t t = 0;
    for (const GlmGroup* group = model->groupList; group && t < count; group = group->next) {
        uint32_t begin = t;
        for (uint32_t i = 0; i < group->triangleCount && t < count; i++)
            if (kept[t].source == &model->triangleArray[group->triangleIndices[i]]) t++;
        if (t == begin) continue;
        GlmGroup* g = static_cast<GlmGroup*>(_glmCalloc(1, sizeof(GlmGroup)));
        g->name = _glmStrdup(group->name);
        g->materialIndex = group->materialIndex;
        g->triangleCount = t - begin;
        g->triangleIndices = static_cast<int32_t*>(_glmAlloc(g->triangleCount * sizeof(int32_t)));
        for (uint32_t i = 0; i < g->triangleCount; i++) g->triangleIndices[i] = static_cast<int32_t>(begin + i);
        *tail = g;
        tail = &g->next;
        copy->groupCount++;
    }
    return copy;
}

}  // namespace

GlmModel* glmSimplify(const GlmModel* model, uint32_t triangles) {
    if (triangles == 0 || model->vertexCount == 0 || model->triangleCount + static_cast<uint64_t>(model->lineCount) + model->pointCount == 0)
        return nullptr;
    Grid grid = {{0, 0, 0}, 0, 0};
    float high[3];
    for (int k = 0; k < 3; k++) grid.low[k] = high[k] = model->vertexData[3 + k];
    for (uint32_t v = 2; v <= model->vertexCount; v++)
        for (int k = 0; k < 3; k++) {
            grid.low[k] = fminf(grid.low[k], model->vertexData[3 * v + k]);
            high[k] = fmaxf(high[k], model->vertexData[3 * v + k]);
        }
    const float extent = fmaxf(high[0] - grid.low[0], fmaxf(high[1] - grid.low[1], high[2] - grid.low[2]));
    if (!(extent > 0) || !isfinite(extent)) return nullptr;
    // A surface keeps about two triangles a cell it passes through, and passes through about
    // the square of the cells along an axis: start there, and make the cells larger while the
    // copy keeps too many.
    double cells = sqrt(triangles / 2.0);
    for (int attempt = 0; attempt < 6; attempt++) {
        grid.cells = static_cast<uint64_t>(fmin(fmax(cells, 2.0), 1 << 20));
        grid.cellSize = extent / static_cast<float>(grid.cells) * 1.0001f;
        Clusters c = cluster(model, &grid, triangles / 2);
        uint32_t count = 0, elements = 0;
        Kept* kept = keepTriangles(model, &c, triangles, &count);
        KeptElements e = {};
        const bool fits = kept && count <= triangles && keepElements(model, &c, triangles - count, &e, &elements);
        count += elements;
        GlmModel* copy = fits && count > 0 ? makeCopy(model, &c, kept, count - elements, &e) : nullptr;
        _glmFree(e.lines);
        _glmFree(e.points);
        _glmFree(kept);
        _glmFree(c.vertexCell);
        _glmFree(c.sums);
        if (copy || count == 0 || grid.cells == 2) return copy;
        // the kept triangles go with the square of the cells along an axis
        cells = static_cast<double>(grid.cells) * fmin(0.9, 0.95 * sqrt(static_cast<double>(triangles) / count));
    }
    return nullptr;
}
