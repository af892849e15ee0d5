// obj_statements.cpp: the OBJ reader's statements, read by one walk that serves both passes:
// the counting pass counts entries and triangles and notes what must be handled in file
// order; the filling pass stores the numbers, builds the triangles and notes the groups'
// materials into the arrays the counts sized. What each statement consumes is the same in
// both but for a vertex line's numbers (the counting skips the line; the filling reads them,
// over lines if need be), which the check between the passes catches.
//
// A chunk filled alongside others reports nothing: at the first thing that is wrong it stops
// (`bailed`), and the reader fills it again alone, when it is its turn, to report it now.
#include <limits.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <algorithm>
#include <type_traits>
#include "glm/glm_internal.h"

namespace {

// the walk adds to the read's progress every so many bytes
const size_t progressStep = 1 << 20;

// --- counting -----------------------------------------------------------------------------

GlmEvent* addEvent(GlmChunk* chunk, int kind, size_t pos) {
    if (chunk->eventCount == chunk->eventCapacity) {
        uint32_t capacity = chunk->eventCapacity ? chunk->eventCapacity * 2 : 16;
        GlmEvent* events = static_cast<GlmEvent*>(_glmAlloc(capacity * sizeof(GlmEvent)));
        if (chunk->eventCount) memcpy(events, chunk->events, chunk->eventCount * sizeof(GlmEvent));
        _glmFree(chunk->events);
        chunk->events = events;
        chunk->eventCapacity = capacity;
    }
    GlmEvent* event = &chunk->events[chunk->eventCount++];
    *event = GlmEvent{kind, pos, 0, 0};
    return event;
}

// Reads the corners after an f keyword; returns how many triangles the face makes.
uint32_t countFace(GlmStream* file, const char* keyword) {
    int values[3] = {0, 0, 0};
    int form = _glmFirstCorner(file, keyword, values);
    _glmScanCorner(file, form, nullptr);
    _glmScanCorner(file, form, nullptr);
    uint32_t triangles = 1;
    while (_glmScanCorner(file, form, nullptr) > 0) triangles++;
    return triangles;
}

// Reads the corners after an l or p keyword; returns how many there are.
uint32_t countCorners(GlmStream* file, const char* keyword) {
    int values[3] = {0, 0, 0};
    int form = _glmFirstCorner(file, keyword, values);
    uint32_t corners = 1;
    while (_glmScanCorner(file, form, nullptr) > 0) corners++;
    return corners;
}

// The rest of the line as a stream of its own; the file moves past the line.
GlmStream restOfLine(GlmStream* file) {
    const char* text;
    const size_t length = _glmLineText(file, &text);
    return GlmStream{text, length, 0};
}

// Whether the rest of a v line gives a colour after the position (three more numbers).
bool givesColor(GlmStream* file) {
    GlmStream line = restOfLine(file);
    float numbers[3];
    return _glmScan(&line, GLM_SCAN_F3, nullptr, numbers) == 3 && _glmScan(&line, GLM_SCAN_F3, nullptr, numbers) == 3;
}

// --- filling ------------------------------------------------------------------------------

// For each face form, which conversion of its pattern carries the vertex, the texture
// coordinate and the normal (-1: not carried).
constexpr int formSlots[4][3] = {{0, -1, 1}, {0, 1, 2}, {0, 1, -1}, {0, -1, -1}};

void refuseMalformed(GlmRead* read) {
    _glmFail(read, stderr,
             "_glmFillPass() failed: malformed data file \"%s\" (a line holds more than its keyword's values).\n",
             read->model->objPath);
}

// What is wrong stops the chunk; reading on alone, it refuses the file.
void malformed(const GlmModel*, GlmFill* st) {
    if (st->reportNow) refuseMalformed(st->read);
    st->bailed = true;
}

void indexOutOfRange(const GlmModel* model, GlmFill* st, int kind, int written) {
    static const char* const kinds[3] = {"vertex", "texture coordinate", "normal"};
    if (st->reportNow)
        _glmFail(st->read, stderr, "_glmFillPass() failed: %s index %d out of range in data file \"%s\".\n", kinds[kind],
                 written, model->objPath);
    st->bailed = true;
}

void notFinite(const GlmModel* model, GlmFill* st) {
    if (st->reportNow)
        _glmFail(st->read, stderr, "_glmFillPass() failed: vertex %u of data file \"%s\" is not a finite position.\n",
                 st->filled[0], model->objPath);
    st->bailed = true;
}

// One corner with its indices resolved: vertex, texture coordinate, normal.
struct Corner {
    int32_t index[3];
};

// A texture coordinate or normal field a corner leaves empty ("1//" or "1/2/"): no index.
const int absentIndex = INT_MIN;

// A corner's texture coordinate and normal fields, empty until a scan fills them.
template <int Form>
void clearFields(int* values) {
    for (int k = 1; k < 3; k++)
        if (formSlots[Form][k] >= 0) values[formSlots[Form][k]] = absentIndex;
}

// Resolves the indices a form carries (negative ones count back from the last entry read)
// and refuses any outside its array. A texture coordinate or normal field that is empty, or
// that names one in a file that has none, is no index (the latter said once, after the read).
template <int Form>
Corner resolveCorner(const GlmModel* model, GlmFill* st, const int* values) {
    const uint32_t counts[3] = {model->vertexCount, model->texCoordCount, model->normalCount};
    Corner c = {{0, 0, 0}};
    for (int k = 0; k < 3; k++) {
        const int slot = formSlots[Form][k];
        if (slot < 0 || (k > 0 && values[slot] == absentIndex)) continue;
        if (k > 0 && counts[k] == 0) {
            st->read->ignoredIndices = true;
            continue;
        }
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
    GlmChunkGroup* group = &st->groups.entries[st->groupEntry];
    if (st->triangles >= st->triangleLimit || group->cursor >= group->limit) {
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
    st->index->groups[st->group]->triangleIndices[group->cursor++] = static_cast<int32_t>(st->triangles);
    st->triangles++;
}

// Builds a face's fan of triangles at the running index from its first corner's values; the
// corners after the first are read from the file.
template <int Form>
void fillFaceAs(GlmModel* model, GlmFill* st, GlmStream* file, int* values) {
    Corner first = resolveCorner<Form>(model, st, values);
    clearFields<Form>(values);
    _glmScanCorner(file, Form, values);
    Corner previous = resolveCorner<Form>(model, st, values);
    clearFields<Form>(values);
    _glmScanCorner(file, Form, values);
    Corner last = resolveCorner<Form>(model, st, values);
    addTriangle(model, st, first, previous, last, false);
    while (!st->bailed && (clearFields<Form>(values), _glmScanCorner(file, Form, values) > 0)) {
        previous = last;
        last = resolveCorner<Form>(model, st, values);
        addTriangle(model, st, first, previous, last, true);
    }
}

// Stores the segment from corner a to b (kind GLM_ENTRY_SEGMENT) or the point b.
void addElement(GlmModel* model, GlmFill* st, int kind, const Corner& a, const Corner& b) {
    if (st->bailed) return;
    if (st->filled[kind] >= st->limits[kind]) {
        malformed(model, st);
        return;
    }
    const uint32_t i = st->filled[kind]++;
    if (kind == GLM_ENTRY_SEGMENT)
        model->lineArray[i] = GlmLine{{a.index[0], b.index[0]}, st->material};
    else
        model->pointArray[i] = GlmPoint{b.index[0], st->material};
}

// An l line's segments, corner to corner, or a p line's points; texture coordinates and
// normals are resolved (and refused out of range) as a face's, and not kept.
template <int Form>
void fillElementsAs(GlmModel* model, GlmFill* st, GlmStream* file, int* values, int kind) {
    Corner previous = resolveCorner<Form>(model, st, values);
    if (kind == GLM_ENTRY_POINT) addElement(model, st, kind, previous, previous);
    while (!st->bailed && (clearFields<Form>(values), _glmScanCorner(file, Form, values) > 0)) {
        Corner next = resolveCorner<Form>(model, st, values);
        addElement(model, st, kind, previous, next);
        previous = next;
    }
}

// Calls fill with the form of the corners after `keyword` as a compile-time constant.
template <typename Fill>
void byForm(GlmStream* file, const char* keyword, int* values, Fill fill) {
    switch (_glmFirstCorner(file, keyword, values)) {
    case GLM_FACE_VN: fill(std::integral_constant<int, GLM_FACE_VN>()); break;
    case GLM_FACE_VTN: fill(std::integral_constant<int, GLM_FACE_VTN>()); break;
    case GLM_FACE_VT: fill(std::integral_constant<int, GLM_FACE_VT>()); break;
    default: fill(std::integral_constant<int, GLM_FACE_V>()); break;
    }
}

void fillFace(GlmModel* model, GlmFill* st, GlmStream* file, const char* keyword) {
    int values[3] = {0, absentIndex, absentIndex};
    byForm(file, keyword, values, [&](auto form) { fillFaceAs<decltype(form)::value>(model, st, file, values); });
}

void fillElements(GlmModel* model, GlmFill* st, GlmStream* file, const char* keyword, int kind) {
    int values[3] = {0, absentIndex, absentIndex};
    byForm(file, keyword, values,
           [&](auto form) { fillElementsAs<decltype(form)::value>(model, st, file, values, kind); });
}

// The colour after a vertex's position, clamped to 0 to 1 (a NaN is 0), where its line gives
// one (the vertex stays white where not); the rest of the line is read.
void fillColor(float* color, GlmStream* file) {
    GlmStream line = restOfLine(file);
    float rgb[3];
    if (_glmScan(&line, GLM_SCAN_F3, nullptr, rgb) != 3) return;
    for (int k = 0; k < 3; k++) color[k] = rgb[k] >= 0.0f ? (rgb[k] <= 1.0f ? rgb[k] : 1.0f) : 0.0f;
}

// Stores a v, vt or vn line's numbers; the chunk may hold no more than it counted.
void fillEntry(GlmModel* model, GlmFill* st, GlmStream* file, int kind) {
    static const int widths[3] = {3, 2, 3};
    float* const arrays[3] = {model->vertexData, model->texCoordData, model->normalData};
    static const int patterns[3] = {GLM_SCAN_F3, GLM_SCAN_F2, GLM_SCAN_F3};
    if (st->filled[kind] >= st->limits[kind]) {
        malformed(model, st);
        return;
    }
    st->filled[kind]++;
    float* entry = arrays[kind] + static_cast<size_t>(st->filled[kind]) * widths[kind];
    _glmScan(file, patterns[kind], nullptr, entry);
    if (kind == 0 && (!isfinite(entry[0]) || !isfinite(entry[1]) || !isfinite(entry[2]))) notFinite(model, st);
    if (kind == 0 && model->colorData) fillColor(model->colorData + static_cast<size_t>(st->filled[0]) * 3, file);
}

// A usemtl line: a name the library lacks is reported by one thread in file order, so a
// chunk among others notes where it stands and goes on with "default".
void fillMaterial(GlmModel* model, GlmFill* st, GlmStream* file, char* buf) {
    size_t line = file->pos;
    _glmReadRestOfLine(file, buf);
    int32_t material = _glmLookupUsedMaterial(model, buf);
    if (material < 0 && st->reportNow) material = _glmFindMaterial(model, buf);
    if (material < 0) {
        if (st->unknownCount == st->unknownRoom) {
            st->unknownRoom = st->unknownRoom ? 2 * st->unknownRoom : 16;
            size_t* larger = static_cast<size_t*>(_glmAlloc(st->unknownRoom * sizeof(size_t)));
            if (st->unknownCount) memcpy(larger, st->unknownMaterials, st->unknownCount * sizeof(size_t));
            _glmFree(st->unknownMaterials);
            st->unknownMaterials = larger;
        }
        st->unknownMaterials[st->unknownCount++] = line;
        material = 0;
    }
    st->material = material;
    st->groups.entries[st->groupEntry].material = material;
}

void fillGroup(GlmModel* model, GlmFill* st, GlmStream* file, char* buf) {
    _glmReadRestOfLine(file, buf);
    int64_t group = _glmFindGroup(st->index, _glmFirstWord(buf) == GLM_EOF ? "default" : buf);
    int64_t entry = group < 0 ? -1 : _glmChunkGroup(&st->groups, static_cast<uint32_t>(group));
    if (entry < 0) {
        malformed(model, st);
        return;
    }
    st->group = static_cast<uint32_t>(group);
    st->groupEntry = static_cast<uint32_t>(entry);
    st->groups.entries[entry].material = st->material;
}

// --- the walk -----------------------------------------------------------------------------

// The whole pages of a mapped file from `from` to `to`, read for the last time (a chunk read
// again alone maps them again), go back to the system: a model read from a gigabyte does not
// hold the gigabyte as well while its arrays fill.
void dropPages(const GlmStream* file, size_t from, size_t to) {
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    uintptr_t start = (reinterpret_cast<uintptr_t>(file->data) + from + page - 1) & ~(page - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(file->data) + to) & ~(page - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
}

// Reads the statements that start before `limit`; Counting chooses the pass. The counting
// stops at an unknown keyword, the filling at the first thing wrong.
template <bool Counting>
void walkStatements(GlmRead* read, GlmStream* file, size_t limit, GlmChunk* chunk, GlmFill* st, size_t& reported,
                    bool mapped) {
    GlmModel* model = read->model;
    char buf[GLM_BUFFER_SIZE];
    while (Counting || !st->bailed) {
        _glmSkipSpace(file);
        if (file->pos >= limit) break;
        if (file->pos - reported >= progressStep) {
            _glmAddProgress(read, file->pos - reported);
            if (mapped) dropPages(file, reported, file->pos);
            reported = file->pos;
        }
        size_t keyword = file->pos;
        _glmScanToken(file, buf);
        switch (buf[0]) {
        case 'v': {
            int kind = buf[1] == '\0' ? 0 : buf[1] == 't' ? 1 : buf[1] == 'n' ? 2 : -1;
            if constexpr (Counting) {
                if (kind < 0) {
                    // the reading ends here
                    addEvent(chunk, GLM_EVENT_UNKNOWN, keyword);
                    chunk->stopped = true;
                    file->pos = keyword;
                    return;
                }
                chunk->counts[kind]++;
                if (kind == 0 && chunk->colors < 0)
                    chunk->colors = givesColor(file);
                else
                    _glmSkipLine(file);
            } else {
                if (kind < 0)
                    malformed(model, st);
                else
                    fillEntry(model, st, file, kind);
            }
            break;
        }
        case 'g':
            if constexpr (Counting) {
                addEvent(chunk, GLM_EVENT_GROUP, file->pos);
                _glmReadRestOfLine(file, buf);
            } else {
                fillGroup(model, st, file, buf);
            }
            break;
        case 'f':
            if constexpr (Counting) {
                uint32_t n = countFace(file, buf);
                chunk->triangles += n;
                chunk->events[chunk->eventCount - 1].triangles += n;
            } else {
                fillFace(model, st, file, buf);
            }
            break;
        case 'l':
        case 'p': {
            const int kind = buf[0] == 'l' ? GLM_ENTRY_SEGMENT : GLM_ENTRY_POINT;
            if (buf[1] != '\0') {
                _glmSkipLine(file);
            } else if constexpr (Counting) {
                const uint32_t corners = countCorners(file, buf);
                chunk->counts[kind] += kind == GLM_ENTRY_POINT ? corners : corners - 1;
            } else {
                fillElements(model, st, file, buf, kind);
            }
            break;
        }
        case 'u':
            if constexpr (Counting) {
                chunk->materialLine = file->pos;
                _glmSkipLine(file);
            } else {
                fillMaterial(model, st, file, buf);
            }
            break;
        case 'm':
            if constexpr (Counting) {
                addEvent(chunk, GLM_EVENT_LIBRARY, file->pos);
                _glmReadRestOfLine(file, buf);
                break;
            }
            [[fallthrough]];
        default:
            _glmSkipLine(file);
            break;
        }
    }
}

// The walk, with what it went over added to the read's progress now and then.
template <bool Counting>
void walk(GlmRead* read, GlmStream* file, size_t limit, GlmChunk* chunk, GlmFill* st, bool mapped = false) {
    size_t reported = file->pos;
    walkStatements<Counting>(read, file, limit, chunk, st, reported, mapped);
    if (file->pos > reported) _glmAddProgress(read, file->pos - reported);
}

}  // namespace

int64_t _glmChunkGroup(const GlmChunkGroups* t, uint32_t number) {
    const GlmChunkGroup* begin = t->entries;
    const GlmChunkGroup* end = begin + t->count;
    const GlmChunkGroup* found =
        std::lower_bound(begin, end, number, [](const GlmChunkGroup& e, uint32_t n) { return e.number < n; });
    return found != end && found->number == number ? found - begin : -1;
}

void _glmCountChunk(GlmRead* read, const GlmStream* whole, GlmChunk* chunk) {
    GlmStream file = {whole->data, whole->size, chunk->pos};
    if (chunk->eventCount == 0) {
        _glmSkipSpace(&file);
        chunk->first = file.pos;
        addEvent(chunk, GLM_EVENT_START, file.pos);
    }
    walk<true>(read, &file, chunk->limit, chunk, nullptr);
    chunk->pos = file.pos;
}

void _glmFillChunk(GlmRead* read, const GlmStream* whole, GlmFill* st, size_t limit, bool mapped) {
    GlmStream file = {whole->data, whole->size, st->pos};
    walk<false>(read, &file, limit, nullptr, st, mapped);
    st->pos = file.pos;
}

bool _glmCheckFilled(GlmRead* read, const GlmFill* st) {
    const GlmModel* model = read->model;
    if (st->filled[0] == model->vertexCount && st->filled[1] == model->texCoordCount &&
        st->filled[2] == model->normalCount && st->filled[GLM_ENTRY_SEGMENT] == model->lineCount &&
        st->filled[GLM_ENTRY_POINT] == model->pointCount && st->triangles == model->triangleCount)
        return true;
    refuseMalformed(read);
    return false;
}
