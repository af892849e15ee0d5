// obj_reader.cpp: glmReadOBJ: the file in memory, read in chunks on the machine's cores, its
// concave polygons cut anew, and a check that it did not change while it was read; and the
// read's record, where a refusal is kept.
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include "glm/glm_internal.h"
#include "glm/parallel.h"

namespace {

// a chunk smaller than this is not worth cutting; a few chunks a core even out the work
const size_t minimumChunk = 1 << 20;
const int chunksPerCore = 4;
const int maximumChunks = 64;

int chunksFor(size_t size, int wanted) {
    if (wanted <= 0) {
        size_t bySize = size / minimumChunk;
        size_t byCores = static_cast<size_t>(_glmCores()) * chunksPerCore;
        wanted = static_cast<int>(bySize < byCores ? bySize : byCores);
    }
    if (wanted < 1) wanted = 1;
    return wanted > maximumChunks ? maximumChunks : wanted;
}

// The model, or null with the refusal in the read's status and nothing left behind.
GlmModel* readOBJ(GlmRead* read, const char* fileName, int wanted) {
    GlmFile data;
    if (!_glmLoadFile(read, fileName, &data, "glmReadOBJ()")) {
        _glmFail(read, stderr, "glmReadOBJ() failed: can't open data file \"%s\".\n", fileName);
        return nullptr;
    }
    GlmModel* model = static_cast<GlmModel*>(_glmCalloc(1, sizeof *model));
    model->objPath = _glmStrdup(fileName);
    read->model = model;
    __atomic_store_n(&read->status->total, 2 * static_cast<uint64_t>(data.size), __ATOMIC_RELAXED);
    GlmStream file = {data.data, data.size, 0};
    _glmReadInChunks(read, &file, chunksFor(data.size, wanted));
    if (!read->failed) _glmClipConcaveFaces(model);
    if (!read->failed) _glmCheckFile(read, &data);
    _glmUnloadFile(read, &data);
    if (read->failed) {
        glmDelete(model);  // waits for its maps' decoding first
        return nullptr;
    }
    return model;
}

}  // namespace

void _glmFail(GlmRead* read, FILE* stream, const char* format, ...) {
    if (read->claimed.test_and_set()) return;
    // whatever went wrong in a file that changed while it was read, the change is the cause
    const GlmFile* changed = nullptr;
    for (const GlmFile* f = read->openFiles; f && !changed; f = f->nextOpen)
        if (_glmFileChanged(f)) changed = f;
    GlmReadStatus* status = read->status;
    if (changed) {
        snprintf(status->message, sizeof status->message, "%s failed: file \"%s\" changed while it was read.\n",
                 changed->reporter, changed->path);
        stream = stderr;
    } else {
        va_list args;
        va_start(args, format);
        vsnprintf(status->message, sizeof status->message, format, args);
        va_end(args);
    }
    status->onStdout = stream == stdout;
    read->failed = true;
}

void _glmStartRead(GlmRead* read, GlmReadStatus* status) {
    read->status = status;
    read->model = nullptr;
    read->openFiles = nullptr;
    read->failed = false;
    read->claimed.clear();
}

void _glmAddProgress(GlmRead* read, uint64_t bytes) {
    __atomic_add_fetch(&read->status->done, bytes, __ATOMIC_RELAXED);
}

GlmModel* _glmReadOBJInChunks(const char* fileName, int chunks) {
    GlmReadStatus* status = new GlmReadStatus;
    GlmModel* model = _glmTryReadOBJInChunks(fileName, chunks, status);
    if (!model) {
        FILE* stream = status->onStdout ? stdout : stderr;
        fputs(status->message, stream);
        _glmExit(1);
    }
    delete status;
    return model;
}

GlmModel* _glmTryReadOBJInChunks(const char* fileName, int chunks, GlmReadStatus* status) {
    status->done = status->total = 0;
    status->onStdout = false;
    status->message[0] = '\0';
    GlmRead read;
    _glmStartRead(&read, status);
    return readOBJ(&read, fileName, chunks);
}

GlmModel* glmTryReadOBJ(const char* fileName, GlmReadStatus* status) {
    return _glmTryReadOBJInChunks(fileName, 0, status);
}

GlmModel* glmReadOBJ(const char* fileName) { return _glmReadOBJInChunks(fileName, 0); }
