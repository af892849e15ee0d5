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

}  // namespace

GlmModel* _glmReadOBJInChunks(const char* fileName, int wanted) {
    GlmFile data;
    if (!_glmLoadFile(fileName, &data, "glmReadOBJ()")) {
        _glmFail(stderr, "glmReadOBJ() failed: can't open data file \"%s\".\n", fileName);
    }
    GlmModel* model = static_cast<GlmModel*>(_glmCalloc(1, sizeof *model));
    model->objPath = _glmStrdup(fileName);
    if (_glmReading) {
        _glmReading->model = model;
        __atomic_store_n(&_glmReading->status->total, 2 * static_cast<uint64_t>(data.size), __ATOMIC_RELAXED);
    }
    GlmStream file = {data.data, data.size, 0};
    if (wanted <= 0) {
        size_t bySize = data.size / minimumChunk;
        size_t byCores = static_cast<size_t>(_glmCores()) * chunksPerCore;
        wanted = static_cast<int>(bySize < byCores ? bySize : byCores);
    }
    if (wanted < 1) wanted = 1;
    if (wanted > maximumChunks) wanted = maximumChunks;
    _glmReadInChunks(model, &file, wanted);
    _glmClipConcaveFaces(model);
    _glmCheckFile(&data);
    _glmUnloadFile(&data);
    return model;
}

GlmModel* _glmTryReadOBJInChunks(const char* fileName, int chunks, GlmReadStatus* status) {
    status->done = status->total = 0;
    status->onStdout = false;
    status->message[0] = '\0';
    GlmReading* reading = new GlmReading;
    _glmBeginReading(reading, status);
    GlmModel* volatile model = nullptr;
    if (setjmp(reading->jump) == 0) model = _glmReadOBJInChunks(fileName, chunks);
    _glmEndReading(reading, model == nullptr);
    delete reading;
    return model;
}

GlmModel* glmTryReadOBJ(const char* fileName, GlmReadStatus* status) {
    return _glmTryReadOBJInChunks(fileName, 0, status);
}

GlmModel* glmReadOBJ(const char* fileName) {
    GlmReadStatus* status = new GlmReadStatus;
    GlmModel* model = glmTryReadOBJ(fileName, status);
    if (!model) {
        FILE* stream = status->onStdout ? stdout : stderr;
        fputs(status->message, stream);
        fflush(stream);
        glmReportFatal(status->message);
        _glmExit(1);
    }
    delete status;
    return model;
}
