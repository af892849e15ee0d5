// obj_reader.cpp: glmReadOBJ, a counting pass and a filling pass over the file in memory,
// each read in chunks on the machine's cores; and the model's group list.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"
#include "glm/parallel.h"

namespace {

// a chunk smaller than this is not worth cutting; a few chunks a core even out the work
const size_t minimumChunk = 1 << 20;
const int chunksPerCore = 4;
const int maximumChunks = 64;

// Cuts the file at line starts into up to `wanted` chunks; returns how many it made.
int planChunks(const GlmStream* file, GlmChunk* chunks, int wanted) {
    int made = 1;
    chunks[0].begin = 0;
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
    }
    return made;
}

// The counting pass; returns how many chunks hold the file once checked.
int countInChunks(const GlmStream* file, GlmChunk* chunks, int count) {
    _glmRunParts(count, [&](int i) { _glmCountChunk(file, &chunks[i]); });
    for (int i = 1; i < count; i++) {
        // past an unknown keyword nothing counts
        if (chunks[i - 1].stopped) return i;
        if (chunks[i - 1].pos != chunks[i].first) {
            // a statement ran over the cut: the one before reads on to the end
            chunks[i - 1].limit = file->size;
            _glmCountChunk(file, &chunks[i - 1]);
            return i;
        }
    }
    return count;
}

// Each chunk's starting state for the filling, from the counts of the chunks before it.
void planFill(GlmModel* model, const GlmGroupIndex* index, const GlmStream* file, GlmChunk* chunks, int used) {
    const size_t groupBytes = model->groupCount * sizeof(uint32_t);
    uint32_t* next = static_cast<uint32_t*>(_glmCalloc(model->groupCount, sizeof(uint32_t)));
    GlmFill carried = {};  // what the chunk before left
    carried.group = static_cast<uint32_t>(_glmFindGroup(index, "default"));
    carried.index = index;
    for (int c = 0; c < used; c++) {
        GlmChunk* chunk = &chunks[c];
        GlmFill* st = &chunk->start;
        *st = carried;
        st->direct = used == 1;
        st->pos = chunk->first;
        st->triangleLimit = st->triangles + static_cast<uint32_t>(chunk->triangles);
        for (int k = 0; k < 3; k++) st->limits[k] = st->filled[k] + static_cast<uint32_t>(chunk->counts[k]);
        st->cursor = static_cast<uint32_t*>(_glmAlloc(groupBytes));
        memcpy(st->cursor, next, groupBytes);
        for (uint32_t i = 0; i < chunk->eventCount; i++)
            next[chunk->events[i].group] += static_cast<uint32_t>(chunk->events[i].triangles);
        st->groupLimit = static_cast<uint32_t*>(_glmAlloc(groupBytes));
        memcpy(st->groupLimit, next, groupBytes);

        carried.triangles = st->triangleLimit;
        for (int k = 0; k < 3; k++) carried.filled[k] = st->limits[k];
        carried.group = chunk->events[chunk->eventCount - 1].group;
        if (chunk->materialLine != SIZE_MAX) {
            // a name the library lacks is reported by the chunk that reads its line
            char buf[GLM_BUFFER_SIZE];
            GlmStream line = {file->data, file->size, chunk->materialLine};
            _glmReadRestOfLine(&line, buf);
            carried.material = _glmNameWord(buf) == GLM_EOF ? 0 : _glmLookupMaterial(model, buf);
            if (carried.material < 0) carried.material = 0;
        }
    }
    _glmFree(next);
}

// Sets a chunk's filling state back to where it started (its cursors and materials in arrays
// of its own; the group limits are the start's).
void restartFill(GlmModel* model, GlmChunk* chunk) {
    GlmFill* st = &chunk->fill;
    uint32_t* cursor = st->cursor;
    int32_t* groupMaterial = st->groupMaterial;
    *st = chunk->start;
    st->cursor = cursor ? cursor : static_cast<uint32_t*>(_glmAlloc(model->groupCount * sizeof(uint32_t)));
    st->groupMaterial = groupMaterial ? groupMaterial : static_cast<int32_t*>(_glmAlloc(model->groupCount * sizeof(int32_t)));
    memcpy(st->cursor, chunk->start.cursor, model->groupCount * sizeof(uint32_t));
    for (uint32_t g = 0; g < model->groupCount; g++) st->groupMaterial[g] = -1;
}

// Whether a chunk's filling started from the state the chunk before it left.
bool fillFits(const GlmModel* model, const GlmChunk* before, const GlmChunk* chunk) {
    const GlmFill* left = &before->fill;
    const GlmFill* start = &chunk->start;
    return left->pos == start->pos && memcmp(left->filled, start->filled, sizeof left->filled) == 0 &&
           left->triangles == start->triangles && left->group == start->group && left->material == start->material &&
           memcmp(left->cursor, start->cursor, model->groupCount * sizeof(uint32_t)) == 0;
}

// Lets a chunk read on to the end of the file alone, reporting what is wrong as it comes.
void fillToTheEnd(GlmModel* model, const GlmStream* file, GlmChunk* chunk) {
    GlmFill* st = &chunk->fill;
    st->direct = true;
    st->triangleLimit = model->triangleCount;
    st->limits[0] = model->vertexCount;
    st->limits[1] = model->texCoordCount;
    st->limits[2] = model->normalCount;
    for (uint32_t g = 0; g < model->groupCount; g++) st->groupLimit[g] = st->index->groups[g]->triangleCount;
    _glmFillChunk(model, file, st, file->size);
}

// The filling pass; then the groups' final counts and materials, in file order.
void fillInChunks(GlmModel* model, const GlmGroupIndex* index, const GlmStream* file, GlmChunk* chunks, int used) {
    GlmGroup* const* groups = index->groups;
    planFill(model, index, file, chunks, used);
    for (int c = 0; c < used; c++) restartFill(model, &chunks[c]);
    _glmRunParts(used, [&](int i) {
        size_t limit = i + 1 < used ? chunks[i + 1].first : file->size;
        _glmFillChunk(model, file, &chunks[i].fill, limit);
    });
    for (int c = 0; c < used; c++) {
        if (!chunks[c].fill.bailed && (c == 0 || fillFits(model, &chunks[c - 1], &chunks[c]))) continue;
        if (c == 0) restartFill(model, &chunks[0]);
        used = c == 0 ? 1 : c;
        fillToTheEnd(model, file, &chunks[used - 1]);
        break;
    }
    const GlmFill* last = &chunks[used - 1].fill;
    _glmCheckFilled(model, last);
    for (int c = 0; c < used; c++)
        for (uint32_t g = 0; g < model->groupCount; g++)
            if (chunks[c].fill.groupMaterial[g] >= 0) groups[g]->materialIndex = chunks[c].fill.groupMaterial[g];
    for (uint32_t g = 0; g < model->groupCount; g++) groups[g]->triangleCount = last->cursor[g];
}

void freeChunks(GlmChunk* chunks, int count) {
    for (int c = 0; c < count; c++) {
        _glmFree(chunks[c].events);
        _glmFree(chunks[c].start.cursor);
        _glmFree(chunks[c].start.groupLimit);
        _glmFree(chunks[c].fill.cursor);
        _glmFree(chunks[c].fill.groupMaterial);
    }
    _glmFree(chunks);
}

}  // namespace

GlmModel* _glmReadOBJInChunks(const char* fileName, int wanted) {
    GlmFile data;
    if (!_glmLoadFile(fileName, &data, "glmReadOBJ()")) {
        _glmFail(stderr, "glmReadOBJ() failed: can't open data file \"%s\".\n", fileName);
    }
    GlmModel* model = static_cast<GlmModel*>(_glmCalloc(1, sizeof *model));
    model->objPath = _glmStrdup(fileName);
    GlmStream file = {data.data, data.size, 0};
    if (wanted <= 0) {
        size_t bySize = data.size / minimumChunk;
        size_t byCores = static_cast<size_t>(_glmCores()) * chunksPerCore;
        wanted = static_cast<int>(bySize < byCores ? bySize : byCores);
    }
    if (wanted < 1) wanted = 1;
    if (wanted > maximumChunks) wanted = maximumChunks;
    GlmChunk* chunks = static_cast<GlmChunk*>(_glmCalloc(wanted, sizeof(GlmChunk)));
    int count = planChunks(&file, chunks, wanted);
    int used = countInChunks(&file, chunks, count);
    GlmGroupIndex index = {};
    _glmMergeCounts(model, &index, &file, chunks, used);
    // zeroed, so that entry 0 and anything a short line leaves unset read as zeros
    model->vertexData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->vertexCount) + 1) * 3, sizeof(float)));
    model->triangleArray = static_cast<GlmTriangle*>(_glmCalloc(model->triangleCount, sizeof(GlmTriangle)));
    if (model->normalCount)
        model->normalData = static_cast<float*>(_glmCalloc((static_cast<size_t>(model->normalCount) + 1) * 3, sizeof(float)));
    if (model->texCoordCount)
        model->texCoordData =
            static_cast<float*>(_glmCalloc((static_cast<size_t>(model->texCoordCount) + 1) * 2, sizeof(float)));
    fillInChunks(model, &index, &file, chunks, used);
    _glmClipConcaveFaces(model);
    freeChunks(chunks, count);
    _glmFreeGroupIndex(&index);
    _glmCheckFile(&data);
    _glmUnloadFile(&data);
    return model;
}

GlmModel* glmReadOBJ(const char* fileName) { return _glmReadOBJInChunks(fileName, 0); }

namespace {

uint32_t hashName(const char* name) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; p++) h = (h ^ *p) * 16777619u;
    return h;
}

// the slot that holds `name`'s group, or the empty one where it would go
uint32_t slotOf(const GlmGroupIndex* index, const char* name) {
    uint32_t mask = index->slotCount - 1;
    for (uint32_t s = hashName(name) & mask;; s = (s + 1) & mask)
        if (index->slots[s] == 0 || strcmp(index->groups[index->slots[s] - 1]->name, name) == 0) return s;
}

}  // namespace

int64_t _glmFindGroup(const GlmGroupIndex* index, const char* name) {
    if (index->slotCount == 0) return -1;
    uint32_t s = slotOf(index, name);
    return index->slots[s] ? static_cast<int64_t>(index->slots[s]) - 1 : -1;
}

uint32_t _glmEnsureGroup(GlmModel* model, GlmGroupIndex* index, const char* name) {
    int64_t found = _glmFindGroup(index, name);
    if (found >= 0) return static_cast<uint32_t>(found);
    if (index->count == index->room) {
        index->room = index->room ? index->room * 2 : 16;
        GlmGroup** groups = static_cast<GlmGroup**>(_glmAlloc(index->room * sizeof(GlmGroup*)));
        if (index->count) memcpy(groups, index->groups, index->count * sizeof(GlmGroup*));
        _glmFree(index->groups);
        index->groups = groups;
    }
    if (2 * (index->count + 1) >= index->slotCount) {
        // a table more than twice the groups: every probe ends soon
        _glmFree(index->slots);
        index->slotCount = index->slotCount ? index->slotCount * 2 : 32;
        index->slots = static_cast<uint32_t*>(_glmCalloc(index->slotCount, sizeof(uint32_t)));
        for (uint32_t n = 0; n < index->count; n++) index->slots[slotOf(index, index->groups[n]->name)] = n + 1;
    }
    GlmGroup* group = static_cast<GlmGroup*>(_glmCalloc(1, sizeof *group));
    group->name = _glmStrdup(name);
    group->next = model->groupList;
    model->groupList = group;
    model->groupCount++;
    uint32_t number = index->count++;
    index->groups[number] = group;
    index->slots[slotOf(index, name)] = number + 1;
    return number;
}

void _glmFreeGroupIndex(GlmGroupIndex* index) {
    _glmFree(index->groups);
    _glmFree(index->slots);
    *index = GlmGroupIndex{};
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
