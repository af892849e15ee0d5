// obj_chunks.cpp: the OBJ reader's two passes, each read in chunks on the machine's cores.
//
// The file is cut at line starts into chunks, which the threads take in turn. The counting
// pass counts each chunk and notes its events (groups, libraries, an unknown keyword); the
// events are then handled in file order, which reads the libraries, makes the groups and gives
// every array its size. The filling pass fills each chunk from the state the counts give it.
// After each pass every chunk is checked against the one before it: where that one really
// stopped (a statement may run on over a cut) and, after the filling, what it left current.
// From the first chunk that does not fit, or that met something to report, the chunk before
// it reads on to the end alone and reports as one thread would.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <algorithm>
#include "glm/glm_internal.h"
#include "glm/parallel.h"

namespace {

// the most entries of one kind a model may hold: indices are 32-bit signed
const uint64_t maxEntries = 0x7ffffffe;

// One read in chunks: the one record the steps below share.
struct ChunkedRead {
    GlmRead* read;
    GlmModel* model;
    const GlmStream* file;
    bool mapped;
    GlmGroupIndex index;
    GlmChunk* chunks;
    int count;  // chunks cut
    int used;   // chunks that hold the file, once checked
};

// Cuts the file at line starts into up to `wanted` chunks.
void planChunks(ChunkedRead* r, int wanted) {
    const GlmStream* file = r->file;
    GlmChunk* chunks = r->chunks;
    int made = 1;
    for (int i = 1; i < wanted; i++) {
        size_t guess = file->size / wanted * i;
        const char* newline = static_cast<const char*>(memchr(file->data + guess, '\n', file->size - guess));
        size_t begin = newline ? static_cast<size_t>(newline - file->data) + 1 : file->size;
        if (begin <= chunks[made - 1].begin || begin >= file->size) continue;
        chunks[made++].begin = begin;
    }
    for (int i = 0; i < made; i++) {
        chunks[i].limit = i + 1 < made ? chunks[i + 1].begin : file->size;
        chunks[i].pos = chunks[i].begin;
        chunks[i].materialLine = SIZE_MAX;
        chunks[i].colors = -1;
    }
    r->count = made;
}

// The counting pass: each chunk on its own, then checked against the one before it.
void countInChunks(ChunkedRead* r) {
    GlmChunk* chunks = r->chunks;
    _glmRunParts(r->count, [&](int i) { _glmCountChunk(r->read, r->file, &chunks[i]); });
    r->used = r->count;
    for (int i = 1; i < r->count; i++) {
        // past an unknown keyword nothing counts
        if (chunks[i - 1].stopped) {
            r->used = i;
            return;
        }
        if (chunks[i - 1].pos != chunks[i].first) {
            // a statement ran over the cut: the one before reads on to the end
            _glmChunksReadOnAlone++;
            chunks[i - 1].limit = r->file->size;
            _glmCountChunk(r->read, r->file, &chunks[i - 1]);
            r->used = i;
            return;
        }
    }
}

// A mtllib line: the libraries it names, read unless the line is the one read last and that
// reading had nothing to say (the same line gives the same table).
void readLibraries(ChunkedRead* r, GlmStream* file, bool* lastClean) {
    GlmModel* model = r->model;
    const char* text;
    size_t length = _glmLineText(file, &text);
    if (length == 0) return;
    if (*lastClean && model->libraryName && strlen(model->libraryName) == length &&
        memcmp(model->libraryName, text, length) == 0)
        return;
    _glmFree(model->libraryName);
    model->libraryName = static_cast<char*>(_glmAlloc(length + 1));
    memcpy(model->libraryName, text, length);
    model->libraryName[length] = '\0';
    *lastClean = _glmReadMTL(r->read, model->libraryName);
}

// Handles the events in file order (libraries, groups, an unknown keyword), then checks the
// totals and gives every group room for its triangles; false where that refuses the file.
bool mergeCounts(ChunkedRead* r) {
    GlmModel* model = r->model;
    char buf[GLM_BUFFER_SIZE];
    GlmStream file = {r->file->data, r->file->size, 0};
    uint32_t group = _glmEnsureGroup(model, &r->index, "default");
    uint64_t totals[GLM_ENTRY_KINDS] = {}, triangles = 0;
    int colors = -1;
    bool lastClean = false;
    for (int c = 0; c < r->used; c++) {
        GlmChunk* chunk = &r->chunks[c];
        for (uint32_t i = 0; i < chunk->eventCount; i++) {
            GlmEvent* event = &chunk->events[i];
            file.pos = event->pos;
            switch (event->kind) {
            case GLM_EVENT_LIBRARY:
                readLibraries(r, &file, &lastClean);
                if (r->read->failed) return false;
                break;
            case GLM_EVENT_GROUP:
                _glmReadRestOfLine(&file, buf);
                group = _glmEnsureGroup(model, &r->index, _glmFirstWord(buf) == GLM_EOF ? "default" : buf);
                break;
            case GLM_EVENT_UNKNOWN:
                _glmScanToken(&file, buf);
                _glmFail(r->read, stdout, "_glmFirstPass(): Unknown token \"%s\".\n", buf);
                return false;
            }
            event->group = group;
        }
        for (int k = 0; k < GLM_ENTRY_KINDS; k++) totals[k] += chunk->counts[k];
        triangles += chunk->triangles;
        if (colors < 0) colors = chunk->colors;
    }
    if (*std::max_element(totals, totals + GLM_ENTRY_KINDS) > maxEntries || triangles > maxEntries) {
        _glmFail(r->read, stderr, "glmReadOBJ() failed: data file \"%s\" holds more than %llu entries of one kind.\n",
                 model->objPath, static_cast<unsigned long long>(maxEntries));
        return false;
    }
    model->vertexCount = static_cast<uint32_t>(totals[0]);
    model->texCoordCount = static_cast<uint32_t>(totals[1]);
    model->normalCount = static_cast<uint32_t>(totals[2]);
    model->triangleCount = static_cast<uint32_t>(triangles);
    model->lineCount = static_cast<uint32_t>(totals[GLM_ENTRY_SEGMENT]);
    model->pointCount = static_cast<uint32_t>(totals[GLM_ENTRY_POINT]);
    // the file's first v line says whether its vertices have colours
    if (colors == 1)
        model->colorData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->vertexCount) + 1) * 3, sizeof(float)));
    for (int c = 0; c < r->used; c++)
        for (uint32_t i = 0; i < r->chunks[c].eventCount; i++)
            r->index.groups[r->chunks[c].events[i].group]->triangleCount +=
                static_cast<uint32_t>(r->chunks[c].events[i].triangles);
    for (GlmGroup* g = model->groupList; g; g = g->next)
        g->triangleIndices = static_cast<int32_t*>(_glmCalloc(g->triangleCount, sizeof(int32_t)));
    return true;
}

// Every array at its final size; zeroed, so that entry 0 and anything a short line leaves
// unset read as zeros.
void allocateArrays(GlmModel* model) {
    model->vertexData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->vertexCount) + 1) * 3, sizeof(float)));
    model->triangleArray = static_cast<GlmTriangle*>(_glmCalloc(model->triangleCount, sizeof(GlmTriangle)));
    if (model->normalCount)
        model->normalData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->normalCount) + 1) * 3, sizeof(float)));
    if (model->texCoordCount)
        model->texCoordData =
            static_cast<float*>(_glmCalloc((static_cast<size_t>(model->texCoordCount) + 1) * 2, sizeof(float)));
    if (model->lineCount) model->lineArray = static_cast<GlmLine*>(_glmCalloc(model->lineCount, sizeof(GlmLine)));
    if (model->pointCount) model->pointArray = static_cast<GlmPoint*>(_glmCalloc(model->pointCount, sizeof(GlmPoint)));
    // a vertex whose line gives no colour is white
    if (model->colorData)
        for (size_t i = 3; i < (static_cast<size_t>(model->vertexCount) + 1) * 3; i++) model->colorData[i] = 1.0f;
}

// --- a chunk's table of groups --------------------------------------------------------------

// A table of the groups `numbers` names (in any order, repeated), each from slot `next[g]`.
void makeChunkGroups(GlmChunkGroups* t, uint32_t* numbers, uint32_t count, const uint32_t* next) {
    std::sort(numbers, numbers + count);
    count = static_cast<uint32_t>(std::unique(numbers, numbers + count) - numbers);
    t->entries = static_cast<GlmChunkGroup*>(_glmAlloc(count * sizeof(GlmChunkGroup)));
    t->count = count;
    for (uint32_t e = 0; e < count; e++) t->entries[e] = GlmChunkGroup{numbers[e], next[numbers[e]], next[numbers[e]], 0, -1};
}

// --- the filling --------------------------------------------------------------------------

// Each chunk's starting state from the counts of the chunks before it, with a table of the
// groups its events name: where their triangles start and how far the chunk may go.
void planFill(ChunkedRead* r) {
    GlmModel* model = r->model;
    uint32_t* next = static_cast<uint32_t*>(_glmCalloc(model->groupCount, sizeof(uint32_t)));
    GlmFill carried = {};  // what the chunk before left
    carried.group = static_cast<uint32_t>(_glmFindGroup(&r->index, "default"));
    carried.index = &r->index;
    carried.read = r->read;
    for (int c = 0; c < r->used; c++) {
        GlmChunk* chunk = &r->chunks[c];
        GlmFill* st = &chunk->start;
        *st = carried;
        st->reportNow = r->used == 1;
        st->pos = chunk->first;
        st->triangleLimit = st->triangles + static_cast<uint32_t>(chunk->triangles);
        for (int k = 0; k < GLM_ENTRY_KINDS; k++) st->limits[k] = st->filled[k] + static_cast<uint32_t>(chunk->counts[k]);
        uint32_t* numbers = static_cast<uint32_t*>(_glmAlloc(chunk->eventCount * sizeof(uint32_t)));
        for (uint32_t i = 0; i < chunk->eventCount; i++) numbers[i] = chunk->events[i].group;
        GlmChunkGroups* t = &chunk->fill.groups;
        makeChunkGroups(t, numbers, chunk->eventCount, next);
        _glmFree(numbers);
        for (uint32_t i = 0; i < chunk->eventCount; i++)
            next[chunk->events[i].group] += static_cast<uint32_t>(chunk->events[i].triangles);
        for (uint32_t e = 0; e < t->count; e++) t->entries[e].limit = next[t->entries[e].number];

        carried.triangles = st->triangleLimit;
        for (int k = 0; k < GLM_ENTRY_KINDS; k++) carried.filled[k] = st->limits[k];
        carried.group = chunk->events[chunk->eventCount - 1].group;
        if (chunk->materialLine != SIZE_MAX) {
            // a name the library lacks is reported by the chunk that reads its line
            char buf[GLM_BUFFER_SIZE];
            GlmStream line = {r->file->data, r->file->size, chunk->materialLine};
            _glmReadRestOfLine(&line, buf);
            carried.material = _glmLookupUsedMaterial(model, buf);
            if (carried.material < 0) carried.material = 0;
        }
    }
    _glmFree(next);
}

// Sets a chunk's filling state back to where it started (its table and its list of unknown
// names are its own and kept).
void restartFill(GlmChunk* chunk) {
    GlmFill* st = &chunk->fill;
    GlmChunkGroups groups = st->groups;
    size_t* unknown = st->unknownMaterials;
    uint32_t room = st->unknownRoom;
    *st = chunk->start;
    st->groups = groups;
    st->unknownMaterials = unknown;
    st->unknownRoom = room;
    st->unknownCount = 0;
    for (uint32_t e = 0; e < groups.count; e++) {
        groups.entries[e].cursor = groups.entries[e].start;
        groups.entries[e].material = -1;
    }
    st->groupEntry = static_cast<uint32_t>(_glmChunkGroup(&groups, st->group));
}

// Whether a chunk's filling started from the state the chunk before it left: that one ended
// where this one began, with what it left current, and filled each of its groups as counted.
bool fillFits(const GlmChunk* before, const GlmChunk* chunk) {
    const GlmFill* left = &before->fill;
    const GlmFill* start = &chunk->start;
    if (left->pos != start->pos || memcmp(left->filled, start->filled, sizeof left->filled) != 0 ||
        left->triangles != start->triangles || left->group != start->group || left->material != start->material)
        return false;
    for (uint32_t e = 0; e < left->groups.count; e++)
        if (left->groups.entries[e].cursor != left->groups.entries[e].limit) return false;
    return true;
}

// Lets chunk `c` read on to the end of the file alone, reporting what is wrong as it comes:
// its table takes every group, the ones it has not met at the slots the chunks before it
// reached.
void fillToTheEnd(ChunkedRead* r, int c) {
    GlmModel* model = r->model;
    GlmFill* st = &r->chunks[c].fill;
    uint32_t* reached = static_cast<uint32_t*>(_glmCalloc(model->groupCount, sizeof(uint32_t)));
    for (int k = 0; k < c; k++)
        for (uint32_t i = 0; i < r->chunks[k].eventCount; i++)
            reached[r->chunks[k].events[i].group] += static_cast<uint32_t>(r->chunks[k].events[i].triangles);
    uint32_t* numbers = static_cast<uint32_t*>(_glmAlloc(model->groupCount * sizeof(uint32_t)));
    for (uint32_t g = 0; g < model->groupCount; g++) numbers[g] = g;
    GlmChunkGroups own = st->groups;
    makeChunkGroups(&st->groups, numbers, model->groupCount, reached);
    for (uint32_t e = 0; e < own.count; e++) st->groups.entries[own.entries[e].number] = own.entries[e];
    for (uint32_t g = 0; g < model->groupCount; g++) st->groups.entries[g].limit = r->index.groups[g]->triangleCount;
    _glmFree(own.entries);
    _glmFree(numbers);
    _glmFree(reached);
    st->groupEntry = st->group;
    st->reportNow = true;
    st->triangleLimit = model->triangleCount;
    st->limits[0] = model->vertexCount;
    st->limits[1] = model->texCoordCount;
    st->limits[2] = model->normalCount;
    st->limits[GLM_ENTRY_SEGMENT] = model->lineCount;
    st->limits[GLM_ENTRY_POINT] = model->pointCount;
    _glmFillChunk(r->read, r->file, st, r->file->size, r->mapped);
}

// What the chunks noted of usemtl names the library lacks, reported in file order.
void reportUnknownMaterials(ChunkedRead* r, int chunks) {
    char buf[GLM_BUFFER_SIZE];
    for (int c = 0; c < chunks; c++) {
        const GlmFill* st = &r->chunks[c].fill;
        for (uint32_t i = 0; i < st->unknownCount; i++) {
            GlmStream line = {r->file->data, r->file->size, st->unknownMaterials[i]};
            _glmReadRestOfLine(&line, buf);
            _glmNameWord(buf);
            _glmFindMaterial(r->model, buf);
        }
    }
}

// The filling pass; then the groups' final counts and materials, in file order.
void fillInChunks(ChunkedRead* r) {
    GlmChunk* chunks = r->chunks;
    planFill(r);
    for (int c = 0; c < r->used; c++) restartFill(&chunks[c]);
    _glmRunParts(r->used, [&](int i) {
        size_t limit = i + 1 < r->used ? chunks[i + 1].first : r->file->size;
        _glmFillChunk(r->read, r->file, &chunks[i].fill, limit, r->mapped);
    });
    // one chunk alone reported what was wrong as it came
    if (r->read->failed) return;
    int fitting = r->used;
    for (int c = 0; c < r->used; c++)
        if (chunks[c].fill.bailed || (c > 0 && !fillFits(&chunks[c - 1], &chunks[c]))) {
            fitting = c;
            break;
        }
    const bool redo = fitting < r->used;
    if (fitting == 0) restartFill(&chunks[0]);
    if (redo) r->used = fitting == 0 ? 1 : fitting;
    reportUnknownMaterials(r, r->used);
    if (redo) {
        _glmChunksReadOnAlone++;
        fillToTheEnd(r, r->used - 1);
        if (r->read->failed) return;
    }
    if (!_glmCheckFilled(r->read, &chunks[r->used - 1].fill)) return;
    for (int c = 0; c < r->used; c++) {
        const GlmChunkGroups* t = &chunks[c].fill.groups;
        for (uint32_t e = 0; e < t->count; e++) {
            GlmGroup* group = r->index.groups[t->entries[e].number];
            if (t->entries[e].material >= 0) group->materialIndex = t->entries[e].material;
            group->triangleCount = t->entries[e].cursor;
        }
    }
}

void freeChunks(ChunkedRead* r) {
    for (int c = 0; c < r->count; c++) {
        _glmFree(r->chunks[c].events);
        _glmFree(r->chunks[c].fill.groups.entries);
        _glmFree(r->chunks[c].fill.unknownMaterials);
    }
    _glmFree(r->chunks);
    _glmFreeGroupIndex(&r->index);
}

}  // namespace

std::atomic<uint32_t> _glmChunksReadOnAlone(0);

void _glmReadInChunks(GlmRead* read, const GlmStream* file, int wanted, bool mapped) {
    ChunkedRead r = {};
    r.read = read;
    r.mapped = mapped;
    r.model = read->model;
    r.file = file;
    r.chunks = static_cast<GlmChunk*>(_glmCalloc(wanted, sizeof(GlmChunk)));
    planChunks(&r, wanted);
    countInChunks(&r);
    if (mergeCounts(&r)) {
        allocateArrays(r.model);
        fillInChunks(&r);
    }
    freeChunks(&r);
}
