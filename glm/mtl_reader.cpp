// mtl_reader.cpp: the material library reader and the material lookup by name.
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

void setColor(float* color, float red, float green, float blue) {
    color[0] = red;
    color[1] = green;
    color[2] = blue;
    color[3] = 1.0f;
}

[[noreturn]] void malformedLibrary(const char* fullName) {
    _glmFail(stderr, "_glmReadMTL() failed: malformed material file \"%s\" (a line holds more than its keyword's values).\n",
             fullName);
}

// Scans values from the rest of the current line only, so that a line with fewer values
// than the format never reads into the next line's keyword. Returns the values converted.
int scanOnLine(GlmStream* file, int pattern, float* values) {
    const char* start = file->data + file->pos;
    const char* newline = static_cast<const char*>(memchr(start, '\n', file->size - file->pos));
    GlmStream line = {file->data, newline ? static_cast<size_t>(newline - file->data) : file->size, file->pos};
    int converted = _glmScan(&line, pattern, nullptr, values);
    file->pos = line.pos;
    return converted;
}

// Ka, Kd or Ks: red, green, blue; green and blue default to red when the line leaves them out.
void scanColor(GlmStream* file, float* color) {
    int converted = scanOnLine(file, GLM_SCAN_F3, color);
    if (converted == 1) color[1] = color[0];
    if (converted >= 1 && converted < 3) color[2] = color[0];
}

}  // namespace

char* _glmPathDirectory(const char* path) {
    char* dir = _glmStrdup(path);
    char* slash = strrchr(dir, '/');
    if (slash)
        slash[1] = '\0';
    else
        dir[0] = '\0';
    return dir;
}

void _glmFreeMaterials(GlmModel* model) {
    for (uint32_t i = 0; i < model->materialCount; i++) _glmFree(model->materialArray[i].name);
    _glmFree(model->materialArray);
    model->materialArray = nullptr;
    model->materialCount = 0;
}

// Reads the library `name`, relative to the directory of the OBJ file, into a new
// material table: slot 0 "default", then one slot per newmtl line in file order.
void _glmReadMTL(GlmModel* model, const char* name) {
    char* dir = _glmPathDirectory(model->objPath);
    size_t dirLength = strlen(dir), nameLength = strlen(name);
    char* fullName = static_cast<char*>(_glmAlloc(dirLength + nameLength + 1));
    memcpy(fullName, dir, dirLength);
    memcpy(fullName + dirLength, name, nameLength + 1);
    _glmFree(dir);

    GlmFile data;
    if (!_glmLoadFile(fullName, &data)) {
        _glmFail(stderr, "_glmReadMTL() failed: can't open material file \"%s\".\n", fullName);
    }
    GlmStream file = {data.data, data.size, 0};
    char buf[GLM_BUFFER_SIZE];

    // counting pass: one slot for "default" and one per newmtl line naming another material
    uint32_t count = 1;
    while (_glmScanToken(&file, buf) != GLM_EOF) {
        if (buf[0] == 'n') {
            _glmReadRestOfLine(&file, buf);
            // a library's own "default" takes slot 0
            if (_glmNameWord(buf) != GLM_EOF && strcmp(buf, "default") == 0) continue;
            if (count < 0x7ffffffe) count++;
        } else {
            _glmSkipLine(&file);
        }
    }
    file.pos = 0;

    _glmFreeMaterials(model);
    model->materialArray = static_cast<GlmMaterial*>(_glmCalloc(count, sizeof(GlmMaterial)));
    model->materialCount = count;
    for (uint32_t i = 0; i < count; i++) {
        GlmMaterial* m = &model->materialArray[i];
        setColor(m->diffuse, 0.8f, 0.8f, 0.8f);
        setColor(m->ambient, 0.2f, 0.2f, 0.2f);
        setColor(m->specular, 0.0f, 0.0f, 0.0f);
        m->shininess = 0.0f;
    }
    model->materialArray[0].name = _glmStrdup("default");

    // filling pass; lines before the first newmtl, and a material named "default", set slot 0
    uint32_t current = 0, named = 0;
    while (_glmScanToken(&file, buf) != GLM_EOF) {
        GlmMaterial* m = &model->materialArray[current];
        switch (buf[0]) {
        case 'n':
            _glmReadRestOfLine(&file, buf);
            if (_glmNameWord(buf) == GLM_EOF) buf[0] = '\0';
            if (strcmp(buf, "default") == 0) {
                current = 0;
                break;
            }
            if (++named >= count) malformedLibrary(fullName);
            current = named;
            model->materialArray[current].name = _glmStrdup(buf);
            break;
        case 'N':
            if (buf[1] != 's') {
                // Ni (refraction) and the like are no shininess
                _glmSkipLine(&file);
                break;
            }
            // Ns 0..1000 becomes the GL exponent 0..128, each product rounded to float
            scanOnLine(&file, GLM_SCAN_F1, &m->shininess);
            m->shininess = static_cast<float>(m->shininess * 0.001);
            m->shininess = static_cast<float>(m->shininess * 128.0);
            break;
        case 'K':
            if (buf[1] == 'a')
                scanColor(&file, m->ambient);
            else if (buf[1] == 'd')
                scanColor(&file, m->diffuse);
            else if (buf[1] == 's')
                scanColor(&file, m->specular);
            else
                _glmSkipLine(&file);
            break;
        default:
            _glmSkipLine(&file);
            break;
        }
    }
    // a newmtl swallowed by a number that read into it leaves an unnamed slot: refuse it
    if (named != count - 1) malformedLibrary(fullName);
    _glmFree(fullName);
    _glmUnloadFile(&data);
}

int32_t _glmLookupMaterial(const GlmModel* model, const char* name) {
    for (uint32_t i = 0; i < model->materialCount; i++)
        if (strcmp(model->materialArray[i].name, name) == 0) return static_cast<int32_t>(i);
    return -1;
}

int32_t _glmFindMaterial(GlmModel* model, const char* name) {
    int32_t found = _glmLookupMaterial(model, name);
    if (found >= 0) return found;
    printf("_glmFindMaterial():  can't find material \"%s\".\n", name);
    return 0;
}
