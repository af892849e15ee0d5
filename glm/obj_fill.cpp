// obj_fill.cpp: the OBJ reader's filling pass over one chunk: stores the numbers, builds the
// triangles and notes the groups' materials. Every array was sized by the counting pass; a
// file that reads differently the second time is refused.
//
// A chunk read alongside others reports nothing: at the first thing that is wrong it stops
// (`bailed`), and the reader reads it again alone, when it is its turn, with `direct` set.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// For each face form, which conversion of its pattern carries the vertex, the texture
// coordinate and the normal (-1: not carried).
constexpr int formSlots[4][3] = {{0, -1, 1}, {0, 1, 2}, {0, 1, -1}, {0, -1, -1}};

[[noreturn]] void refuseMalformed(const GlmModel* model) {
    _glmFail(stderr, "_glmFillPass() failed: malformed data file \"%s\" (a line holds more than its keyword's values).\n",
             model->objPath);
}

void malformed(const GlmModel* model, GlmFill* st) {
    if (st->direct) refuseMalformed(model);
    st->bailed = true;
}

void indexOutOfRange(const GlmModel* model, GlmFill* st, int kind, int written) {
    static const char* const kinds[3] = {"vertex", "texture coordinate", "normal"};
    if (st->direct)
        _glmFail(stderr, "_glmFillPass() failed: %s index %d out of range in data file \"%s\".\n", kinds[kind], written,
                 model->objPath);
    st->bailed = true;
}

void notFinite(const GlmModel* model, GlmFill* st) {
    if (st->direct)
        _glmFail(stderr, "_glmFillPass() failed: vertex %u of data file \"%s\" is not a finite position.\n",
                 st->filled[0], model->objPath);
    st->bailed = true;
}

// One corner with its indices resolved: vertex, texture coordinate, normal.
struct Corner {
    int32_t index[3];
};

// Resolves the indices a form carries (negative ones count back from the last entry read)
// and refuses any outside its array.
template <int Form>
Corner resolveCorner(const GlmModel* model, GlmFill* st, const int* values) {
    const uint32_t counts[3] = {model->vertexCount, model->texCoordCount, model->normalCount};
    Corner c = {{0, 0, 0}};
    for (int k = 0; k < 3; k++) {
        const int slot = formSlots[Form][k];
        if (slot < 0) continue;
        int64_t written = values[slot];
        int64_t index = written < 0 ? static_cast<int64_t>(st->filled[k]) + 1 + written : written;
        if (index < 1 || index > static_cast<int64_t>(counts[k])) {
            indexOutOfRange(model, st, k, values[slot]);
            return c;
        }
        c.index[k] = static_cast<int32_t>(index);
    }
    return c;
}

// `continues`: the triangle continues the face of the one before (marked until the polygons
// are looked at again, once the whole model is read).
void addTriangle(GlmModel* model, GlmFill* st, const Corner& a, const Corner& b, const Corner& c, bool continues) {
    if (st->bailed) return;
    uint32_t g = st->group;
    if (st->triangles >= st->triangleLimit || st->cursor[g] >= st->groupLimit[g]) {
        malformed(model, st);
        return;
    }
    GlmTriangle* t = &model->triangleArray[st->triangles];
    const Corner* corners[3] = {&a, &b, &c};
    for (int i = 0; i < 3; i++) {
        t->vertexIndex[i] = corners[i]->index[0];
        t->texCoordIndex[i] = corners[i]->index[1];
        t->normalIndex[i] = corners[i]->index[2];
    }
    t->facetNormalIndex = continues ? GLM_CONTINUES_FACE : 0;
    t->materialIndex = st->material;
    st->index->groups[g]->triangleIndices[st->cursor[g]++] = static_cast<int32_t>(st->triangles);
    st->triangles++;
}

// Builds a face's fan of triangles at the running index from its first corner's values; the
// corners after the first are read from the file.
template <int Form>
void fillFaceAs(GlmModel* model, GlmFill* st, GlmStream* file, int* values) {
    Corner first = resolveCorner<Form>(model, st, values);
    _glmScan(file, Form, values, nullptr);
    Corner previous = resolveCorner<Form>(model, st, values);
    _glmScan(file, Form, values, nullptr);
    Corner last = resolveCorner<Form>(model, st, values);
    addTriangle(model, st, first, previous, last, false);
    while (!st->bailed && _glmScan(file, Form, values, nullptr) > 0) {
        previous = last;
        last = resolveCorner<Form>(model, st, values);
        addTriangle(model, st, first, previous, last, true);
    }
}

void fillFace(GlmModel* model, GlmFill* st, GlmStream* file, const char* keyword) {
    int values[3] = {0, 0, 0};
    switch (_glmFirstCorner(file, keyword, values)) {
    case GLM_FACE_VN: fillFaceAs<GLM_FACE_VN>(model, st, file, values); break;
    case GLM_FACE_VTN: fillFaceAs<GLM_FACE_VTN>(model, st, file, values); break;
    case GLM_FACE_VT: fillFaceAs<GLM_FACE_VT>(model, st, file, values); break;
    default: fillFaceAs<GLM_FACE_V>(model, st, file, values); break;
    }
}

// The next entry of an array of `width` floats, or null when the chunk may hold no more.
float* nextEntry(const GlmModel* model, GlmFill* st, int kind, float* data, int width) {
    if (st->filled[kind] >= st->limits[kind]) {
        malformed(model, st);
        return nullptr;
    }
    st->filled[kind]++;
    return data + static_cast<size_t>(st->filled[kind]) * width;
}

}  // namespace

void _glmFillChunk(GlmModel* model, const GlmStream* whole, GlmFill* st, size_t limit) {
    char buf[GLM_BUFFER_SIZE];
    GlmStream file = {whole->data, whole->size, st->pos};
    while (!st->bailed) {
        _glmSkipSpace(&file);
        if (file.pos >= limit) break;
        _glmScanToken(&file, buf);
        switch (buf[0]) {
        case 'v':
            if (buf[1] == '\0') {
                float* v = nextEntry(model, st, 0, model->vertexData, 3);
                if (!v) break;
                _glmScan(&file, GLM_SCAN_F3, nullptr, v);
                if (!isfinite(v[0]) || !isfinite(v[1]) || !isfinite(v[2])) notFinite(model, st);
            } else if (buf[1] == 'n') {
                float* n = nextEntry(model, st, 2, model->normalData, 3);
                if (n) _glmScan(&file, GLM_SCAN_F3, nullptr, n);
            } else if (buf[1] == 't') {
                float* t = nextEntry(model, st, 1, model->texCoordData, 2);
                if (t) _glmScan(&file, GLM_SCAN_F2, nullptr, t);
            } else {
                malformed(model, st);
            }
            break;
        case 'u': {
            _glmReadRestOfLine(&file, buf);
            int32_t material = 0;
            if (_glmNameWord(buf) != GLM_EOF) {
                // a name the library lacks is reported, so only in turn
                material = st->direct ? _glmFindMaterial(model, buf) : _glmLookupMaterial(model, buf);
                if (material < 0) {
                    st->bailed = true;
                    break;
                }
            }
            st->material = material;
            st->groupMaterial[st->group] = material;
            break;
        }
        case 'g': {
            _glmReadRestOfLine(&file, buf);
            int64_t group = _glmFindGroup(st->index, _glmFirstWord(buf) == GLM_EOF ? "default" : buf);
            if (group < 0) {
                malformed(model, st);
                break;
            }
            st->group = static_cast<uint32_t>(group);
            st->groupMaterial[st->group] = st->material;
            break;
        }
        case 'f':
            fillFace(model, st, &file, buf);
            break;
        default:
            _glmSkipLine(&file);
            break;
        }
    }
    st->pos = file.pos;
}

void _glmCheckFilled(const GlmModel* model, const GlmFill* st) {
    if (st->filled[0] != model->vertexCount || st->filled[1] != model->texCoordCount ||
        st->filled[2] != model->normalCount || st->triangles != model->triangleCount)
        refuseMalformed(model);
}
