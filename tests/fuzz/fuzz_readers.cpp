// fuzz_readers.cpp: libFuzzer target for the OBJ and MTL readers, and the geometry and drawing after them.
//
// An input is an OBJ text, optionally followed by a line "#MTL" and the text of fuzz.mtl,
// the library an OBJ text names with "mtllib fuzz.mtl". Inputs are read with the entry that
// returns a refusal instead of ending the process.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "glm/glm_internal.h"

static std::string objPath, mtlPath;

static void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/fuzz-readers-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    objPath = std::string(pattern) + "/fuzz.obj";
    mtlPath = std::string(pattern) + "/fuzz.mtl";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char separator[] = "\n#MTL\n";
    const uint8_t* split = static_cast<const uint8_t*>(memmem(data, size, separator, sizeof separator - 1));
    size_t objSize = split ? static_cast<size_t>(split - data) : size;
    writeFile(objPath, data, objSize);
    if (split)
        writeFile(mtlPath, split + sizeof separator - 1, size - objSize - (sizeof separator - 1));
    else
        remove(mtlPath.c_str());

    // cut into one to four chunks, so that the checks between chunks are fuzzed too; an input
    // that glmReadOBJ refuses must leave nothing behind (the leak check sees it)
    GlmReadStatus status = {};
    GlmModel* model = _glmTryReadOBJInChunks(objPath.c_str(), 1 + static_cast<int>(size % 4), &status);
    if (!model) {
        if (status.message[0] == '\0' || !strchr(status.message, '\n')) abort();
        return 0;
    }
    // what the viewer does next, on whatever the reader accepted
    glmPointsOfVertices(model);
    glmOrientParts(model);
    glmFitUnitCube(model);
    glmComputeFacetNormals(model);
    glmVertexNormals(model, 90.0f);
    // every render mode, the impossible ones included
    for (uint32_t mode = 0; mode < 32; mode++) glmDraw(model, mode);
    glmCompileList(model, GLM_RENDER_SMOOTH | GLM_RENDER_MATERIAL);
    // and in parts, as a large model is: the transparent ones' sort spread over them
    GlmDrawPass* pass = glmStartDraw(model, GLM_RENDER_SMOOTH | GLM_RENDER_MATERIAL);
    while (!glmDrawSome(pass, 3)) {
    }
    glmEndDraw(pass);
    glmDelete(model);
    return 0;
}
