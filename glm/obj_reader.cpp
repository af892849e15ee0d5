// obj_reader.cpp: glmReadOBJ: the file in memory, read in chunks on the machine's cores, its
// concave polygons cut anew, and a check that it did not change while it was read.
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
    _glmReadInChunks(read, &file, chunksFor(data.size, wanted), data.mapped);
    if (!read->failed) _glmClipConcaveFaces(model);
    if (!read->failed) _glmCheckFile(read, &data);
    _glmUnloadFile(read, &data);
    if (read->failed) {
        glmDelete(model);  // waits for its maps' decoding first
        return nullptr;
    }
    if (read->ignoredIndices)
        fprintf(stderr, "glmReadOBJ() warning: data file \"%s\" gives texture coordinate or normal indices without vt or vn lines: they are ignored.\n",
                fileName);
    return model;
}

}  // namespace

GlmModel* _glmReadOBJInChunks(const char* fileName, int chunks) {
    GlmReadStatus* status = new GlmReadStatus();
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
