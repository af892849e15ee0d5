// obj_count.cpp: the OBJ reader's counting pass over one chunk, and the merge of the chunks'
// counts into the model in file order.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

// the most entries of one kind a model may hold: indices are 32-bit signed
const uint64_t maxEntries = 0x7ffffffe;

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
    _glmSkipCorner(file, form);
    _glmSkipCorner(file, form);
    uint32_t triangles = 1;
    while (_glmSkipCorner(file, form) > 0) triangles++;
    return triangles;
}

}  // namespace

// Counts vertices, normals, texture coordinates and the triangles of each stretch between
// group and library lines; those lines are only noted, to be handled in file order.
void _glmCountChunk(const GlmStream* whole, GlmChunk* chunk) {
    char buf[GLM_BUFFER_SIZE];
    GlmStream file = {whole->data, whole->size, chunk->pos};
    if (chunk->eventCount == 0) {
        _glmSkipSpace(&file);
        chunk->first = file.pos;
        addEvent(chunk, GLM_EVENT_START, file.pos);
    }
    for (;;) {
        _glmSkipSpace(&file);
        if (file.pos >= chunk->limit) break;
        size_t keyword = file.pos;
        _glmScanToken(&file, buf);
        switch (buf[0]) {
        case 'v': {
            int kind = buf[1] == '\0' ? 0 : buf[1] == 't' ? 1 : buf[1] == 'n' ? 2 : -1;
            if (kind < 0) {
                // the reading ends here
                addEvent(chunk, GLM_EVENT_UNKNOWN, keyword);
                chunk->stopped = true;
                chunk->pos = keyword;
                return;
            }
            chunk->counts[kind]++;
            _glmSkipLine(&file);
            break;
        }
        case 'm':
            addEvent(chunk, GLM_EVENT_LIBRARY, file.pos);
            _glmReadRestOfLine(&file, buf);
            break;
        case 'g':
            addEvent(chunk, GLM_EVENT_GROUP, file.pos);
            _glmReadRestOfLine(&file, buf);
            break;
        case 'f': {
            uint32_t n = countFace(&file, buf);
            chunk->triangles += n;
            chunk->events[chunk->eventCount - 1].triangles += n;
            break;
        }
        case 'u':
            chunk->materialLine = file.pos;
            _glmSkipLine(&file);
            break;
        default:
            _glmSkipLine(&file);
            break;
        }
    }
    chunk->pos = file.pos;
}

// Reads material libraries, creates the groups and ends at an unknown keyword, all in file
// order; then checks the totals and gives every group room for its triangles.
void _glmMergeCounts(GlmModel* model, GlmGroupIndex* index, const GlmStream* whole, GlmChunk* chunks, int used) {
    char buf[GLM_BUFFER_SIZE];
    GlmStream file = {whole->data, whole->size, 0};
    uint32_t group = _glmEnsureGroup(model, index, "default");
    uint64_t totals[3] = {0, 0, 0}, triangles = 0;
    for (int c = 0; c < used; c++) {
        GlmChunk* chunk = &chunks[c];
        for (uint32_t i = 0; i < chunk->eventCount; i++) {
            GlmEvent* event = &chunk->events[i];
            file.pos = event->pos;
            switch (event->kind) {
            case GLM_EVENT_LIBRARY: {
                const char* text;
                size_t length = _glmLineText(&file, &text);
                if (length == 0) break;
                _glmFree(model->libraryName);
                model->libraryName = static_cast<char*>(_glmAlloc(length + 1));
                memcpy(model->libraryName, text, length);
                model->libraryName[length] = '\0';
                _glmReadMTL(model, model->libraryName);
                break;
            }
            case GLM_EVENT_GROUP:
                _glmReadRestOfLine(&file, buf);
                group = _glmEnsureGroup(model, index, _glmFirstWord(buf) == GLM_EOF ? "default" : buf);
                break;
            case GLM_EVENT_UNKNOWN:
                _glmScanToken(&file, buf);
                _glmFail(stdout, "_glmFirstPass(): Unknown token \"%s\".\n", buf);
            }
            event->group = group;
        }
        for (int k = 0; k < 3; k++) totals[k] += chunk->counts[k];
        triangles += chunk->triangles;
    }
    if (totals[0] > maxEntries || totals[1] > maxEntries || totals[2] > maxEntries || triangles > maxEntries) {
        _glmFail(stderr, "glmReadOBJ() failed: data file \"%s\" holds more than %llu entries of one kind.\n",
                 model->objPath, static_cast<unsigned long long>(maxEntries));
    }
    model->vertexCount = static_cast<uint32_t>(totals[0]);
    model->texCoordCount = static_cast<uint32_t>(totals[1]);
    model->normalCount = static_cast<uint32_t>(totals[2]);
    model->triangleCount = static_cast<uint32_t>(triangles);
    for (int c = 0; c < used; c++)
        for (uint32_t i = 0; i < chunks[c].eventCount; i++)
            index->groups[chunks[c].events[i].group]->triangleCount += static_cast<uint32_t>(chunks[c].events[i].triangles);
    for (GlmGroup* g = model->groupList; g; g = g->next)
        g->triangleIndices = static_cast<int32_t*>(_glmCalloc(g->triangleCount, sizeof(int32_t)));
}
