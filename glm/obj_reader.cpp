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

GlmModel* glmReadOBJ(const char* fileName) { return _glmReadOBJInChunks(fileName, 0); }
