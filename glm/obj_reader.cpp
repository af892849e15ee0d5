// obj_reader.cpp: glmReadOBJ, a counting pass and a filling pass over the file in memory.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// For each face form, which conversion of its pattern carries the vertex, the texture
// coordinate and the normal (-1: not carried).
const int formSlots[4][3] = {{0, -1, 1}, {0, 1, 2}, {0, 1, -1}, {0, -1, -1}};

// the most entries of one kind a model may hold: indices are 32-bit signed
const uint64_t maxEntries = 0x7ffffffe;

[[noreturn]] void malformed(const GlmModel* model) {
    _glmFail(stderr, "_glmFillPass() failed: malformed data file \"%s\" (a line holds more than its keyword's values).\n",
            model->objPath);
}

// Working state of the filling pass.
struct FillState {
    GlmModel* model;
    uint32_t filled[3];                    // vertices, texture coordinates, normals read so far
    uint32_t counts[3];                    // and their counts from the first pass
    uint32_t triangles;                    // running triangle index
    GlmGroup* group;                       // current group
    int32_t material;                      // current material, from the last usemtl line
    uint32_t groupCapacity;                // entries of the current group's triangleIndices
    uint32_t* capacities;                  // capacity of each group, in list order
};

// One corner with its indices resolved: vertex, texture coordinate, normal.
struct Corner {
    int32_t index[3];
};

// Resolves the indices a form carries (negative ones count back from the last entry read)
// and refuses any outside its array.
[[noreturn]] void indexOutOfRange(const FillState* st, int kind, int written) {
    static const char* const kinds[3] = {"vertex", "texture coordinate", "normal"};
    _glmFail(stderr, "_glmFillPass() failed: %s index %d out of range in data file \"%s\".\n", kinds[kind], written,
            st->model->objPath);
}

inline Corner resolveCorner(const FillState* st, int form, const int* values) {
    Corner c = {{0, 0, 0}};
    for (int k = 0; k < 3; k++) {
        int slot = formSlots[form][k];
        if (slot < 0) continue;
        int64_t written = values[slot];
        int64_t index = written < 0 ? static_cast<int64_t>(st->filled[k]) + 1 + written : written;
        if (index < 1 || index > static_cast<int64_t>(st->counts[k])) indexOutOfRange(st, k, values[slot]);
        c.index[k] = static_cast<int32_t>(index);
    }
    return c;
}

void addTriangle(FillState* st, const Corner& a, const Corner& b, const Corner& c) {
    GlmModel* model = st->model;
    if (st->triangles >= model->triangleCount || st->group->triangleCount >= st->groupCapacity) malformed(model);
    GlmTriangle* t = &model->triangleArray[st->triangles];
    const Corner* corners[3] = {&a, &b, &c};
    for (int i = 0; i < 3; i++) {
        t->vertexIndex[i] = corners[i]->index[0];
        t->texCoordIndex[i] = corners[i]->index[1];
        t->normalIndex[i] = corners[i]->index[2];
    }
    t->facetNormalIndex = 0;
    t->materialIndex = st->material;
    st->group->triangleIndices[st->group->triangleCount++] = static_cast<int32_t>(st->triangles);
    st->triangles++;
}

// Reads the corners after an f token; returns how many triangles the face makes.
uint32_t countFace(GlmStream* file, char* buf) {
    _glmScanToken(file, buf);
    int form = _glmFaceForm(buf);
    int values[3];
    _glmScan(file, form, values, nullptr);
    _glmScan(file, form, values, nullptr);
    uint32_t triangles = 1;
    while (_glmScan(file, form, values, nullptr) > 0) triangles++;
    return triangles;
}

// Builds a face's fan of triangles at the running index.
void fillFace(FillState* st, GlmStream* file, char* buf) {
    _glmScanToken(file, buf);
    int form = _glmFaceForm(buf);
    int values[3] = {0, 0, 0};
    GlmStream corner = {buf, strlen(buf), 0};
    _glmScan(&corner, form, values, nullptr);
    Corner first = resolveCorner(st, form, values);
    _glmScan(file, form, values, nullptr);
    Corner previous = resolveCorner(st, form, values);
    _glmScan(file, form, values, nullptr);
    Corner last = resolveCorner(st, form, values);
    addTriangle(st, first, previous, last);
    while (_glmScan(file, form, values, nullptr) > 0) {
        previous = last;
        last = resolveCorner(st, form, values);
        addTriangle(st, first, previous, last);
    }
}

// Makes `group` current and looks up how much room the first pass gave it.
void enterGroup(FillState* st, GlmGroup* group) {
    if (!group) malformed(st->model);
    uint32_t position = 0;
    for (GlmGroup* g = st->model->groupList; g != group; g = g->next) position++;
    st->group = group;
    st->groupCapacity = st->capacities[position];
}

// Reads "%f %f %f" (or two) into the next entry of an array, refusing entries not counted.
float* nextEntry(FillState* st, float* data, uint32_t* filled, uint32_t count, int width) {
    if (*filled >= count) malformed(st->model);
    (*filled)++;
    return data + static_cast<size_t>(*filled) * width;
}

}  // namespace

GlmGroup* _glmLookupGroup(GlmModel* model, const char* name) {
    for (GlmGroup* g = model->groupList; g; g = g->next)
        if (strcmp(g->name, name) == 0) return g;
    return nullptr;
}

GlmGroup* _glmEnsureGroup(GlmModel* model, const char* name) {
    GlmGroup* group = _glmLookupGroup(model, name);
    if (group) return group;
    group = static_cast<GlmGroup*>(_glmCalloc(1, sizeof *group));
    group->name = _glmStrdup(name);
    group->next = model->groupList;
    model->groupList = group;
    model->groupCount++;
    return group;
}

// Counts vertices, normals, texture coordinates and triangles, creates the groups with
// their triangle counts and reads the material library. Leaves each group's triangleCount
// at the room its triangleIndices was given; the filling pass counts again from 0.
void _glmFirstPass(GlmModel* model, GlmStream* file) {
    char buf[GLM_BUFFER_SIZE];
    uint64_t vertices = 0, normals = 0, texCoords = 0, triangles = 0;
    GlmGroup* group = _glmEnsureGroup(model, "default");
    while (_glmScanToken(file, buf) != GLM_EOF) {
        switch (buf[0]) {
        case 'v':
            switch (buf[1]) {
            case '\0': vertices++; break;
            case 'n': normals++; break;
            case 't': texCoords++; break;
            default:
                _glmFail(stdout, "_glmFirstPass(): Unknown token \"%s\".\n", buf);
            }
            _glmSkipLine(file);
            break;
        case 'm':
            _glmReadRestOfLine(file, buf);
            if (_glmNameWord(buf) != GLM_EOF) {
                _glmFree(model->libraryName);
                model->libraryName = _glmStrdup(buf);
                _glmReadMTL(model, buf);
            }
            break;
        case 'g':
            _glmReadRestOfLine(file, buf);
            group = _glmEnsureGroup(model, _glmFirstWord(buf) == GLM_EOF ? "default" : buf);
            break;
        case 'f': {
            uint32_t n = countFace(file, buf);
            triangles += n;
            if (triangles > maxEntries) break;
            group->triangleCount += n;
            break;
        }
        default:
            _glmSkipLine(file);
            break;
        }
    }
    if (vertices > maxEntries || normals > maxEntries || texCoords > maxEntries || triangles > maxEntries) {
        _glmFail(stderr, "glmReadOBJ() failed: data file \"%s\" holds more than %llu entries of one kind.\n",
                model->objPath, static_cast<unsigned long long>(maxEntries));
    }
    model->vertexCount = static_cast<uint32_t>(vertices);
    model->normalCount = static_cast<uint32_t>(normals);
    model->texCoordCount = static_cast<uint32_t>(texCoords);
    model->triangleCount = static_cast<uint32_t>(triangles);
    for (GlmGroup* g = model->groupList; g; g = g->next)
        g->triangleIndices = static_cast<int32_t*>(_glmCalloc(g->triangleCount, sizeof(int32_t)));
}

// Stores the numbers, builds the triangles and gives groups their materials. Every array
// was sized by the first pass; a file that reads differently the second time is refused.
void _glmFillPass(GlmModel* model, GlmStream* file) {
    char buf[GLM_BUFFER_SIZE];
    FillState st = {};
    st.model = model;
    st.counts[0] = model->vertexCount;
    st.counts[1] = model->texCoordCount;
    st.counts[2] = model->normalCount;
    st.capacities = static_cast<uint32_t*>(_glmCalloc(model->groupCount, sizeof(uint32_t)));
    uint32_t position = 0;
    for (GlmGroup* g = model->groupList; g; g = g->next) {
        st.capacities[position++] = g->triangleCount;
        g->triangleCount = 0;
    }
    enterGroup(&st, _glmLookupGroup(model, "default"));
    while (_glmScanToken(file, buf) != GLM_EOF) {
        switch (buf[0]) {
        case 'v':
            if (buf[1] == '\0') {
                float* v = nextEntry(&st, model->vertexData, &st.filled[0], model->vertexCount, 3);
                _glmScan(file, GLM_SCAN_F3, nullptr, v);
                if (!isfinite(v[0]) || !isfinite(v[1]) || !isfinite(v[2])) {
                    _glmFail(stderr, "_glmFillPass() failed: vertex %u of data file \"%s\" is not a finite position.\n",
                            st.filled[0], model->objPath);
                }
            } else if (buf[1] == 'n') {
                _glmScan(file, GLM_SCAN_F3, nullptr, nextEntry(&st, model->normalData, &st.filled[2], model->normalCount, 3));
            } else if (buf[1] == 't') {
                _glmScan(file, GLM_SCAN_F2, nullptr,
                         nextEntry(&st, model->texCoordData, &st.filled[1], model->texCoordCount, 2));
            } else {
                malformed(model);
            }
            break;
        case 'u':
            _glmReadRestOfLine(file, buf);
            st.material = _glmNameWord(buf) == GLM_EOF ? 0 : _glmFindMaterial(model, buf);
            st.group->materialIndex = st.material;
            break;
        case 'g':
            _glmReadRestOfLine(file, buf);
            enterGroup(&st, _glmLookupGroup(model, _glmFirstWord(buf) == GLM_EOF ? "default" : buf));
            st.group->materialIndex = st.material;
            break;
        case 'f':
            fillFace(&st, file, buf);
            break;
        default:
            _glmSkipLine(file);
            break;
        }
    }
    if (st.filled[0] != st.counts[0] || st.filled[1] != st.counts[1] || st.filled[2] != st.counts[2] ||
        st.triangles != model->triangleCount)
        malformed(model);
    _glmFree(st.capacities);
}

GlmModel* glmReadOBJ(const char* fileName) {
    GlmFile data;
    if (!_glmLoadFile(fileName, &data)) {
        _glmFail(stderr, "glmReadOBJ() failed: can't open data file \"%s\".\n", fileName);
    }
    GlmModel* model = static_cast<GlmModel*>(_glmCalloc(1, sizeof *model));
    model->objPath = _glmStrdup(fileName);
    GlmStream file = {data.data, data.size, 0};
    _glmFirstPass(model, &file);
    // zeroed, so that entry 0 and anything a short line leaves unset read as zeros
    model->vertexData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->vertexCount) + 1) * 3, sizeof(float)));
    model->triangleArray = static_cast<GlmTriangle*>(_glmCalloc(model->triangleCount, sizeof(GlmTriangle)));
    if (model->normalCount)
        model->normalData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->normalCount) + 1) * 3, sizeof(float)));
    if (model->texCoordCount)
        model->texCoordData =
            static_cast<float*>(_glmCalloc((static_cast<size_t>(model->texCoordCount) + 1) * 2, sizeof(float)));
    file.pos = 0;
    _glmFillPass(model, &file);
    _glmUnloadFile(&data);
    return model;
}

void glmDelete(GlmModel* model) {
    if (!model) return;
    _glmFree(model->objPath);
    _glmFree(model->libraryName);
    _glmFree(model->vertexData);
    _glmFree(model->normalData);
    _glmFree(model->texCoordData);
    _glmFree(model->facetNormalData);
    _glmFree(model->triangleArray);
    _glmFreeMaterials(model);
    for (GlmGroup* g = model->groupList; g;) {
        GlmGroup* next = g->next;
        _glmFree(g->name);
        _glmFree(g->triangleIndices);
        _glmFree(g);
        g = next;
    }
    _glmFree(model);
}
