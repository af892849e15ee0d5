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

    size_t size = 0;
    char* data = _glmReadFile(fullName, &size);
    if (!data) {
        fprintf(stderr, "_glmReadMTL() failed: can't open material file \"%s\".\n", fullName);
        _glmExit(1);
    }
    GlmStream file = {data, size, 0};
    char buf[GLM_BUFFER_SIZE];

    // counting pass: one slot for "default" and one per newmtl line
    uint32_t count = 1;
    while (_glmScanToken(&file, buf) != GLM_EOF) {
        if (buf[0] == 'n') {
            _glmReadLine(&file, buf);
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

    // filling pass; lines before the first newmtl set "default"
    uint32_t current = 0;
    while (_glmScanToken(&file, buf) != GLM_EOF) {
        GlmMaterial* m = &model->materialArray[current];
        switch (buf[0]) {
        case 'n':
            if (!_glmReadLine(&file, buf)) buf[0] = '\0';
            if (_glmNameWord(buf) == GLM_EOF) buf[0] = '\0';
            if (++current >= count) {
                fprintf(stderr, "_glmReadMTL() failed: malformed material file \"%s\" (a line holds more than its keyword's values).\n",
                        fullName);
                _glmExit(1);
            }
            model->materialArray[current].name = _glmStrdup(buf);
            break;
        case 'N':
            // Ns 0..1000 becomes the GL exponent 0..128, each product rounded to float
            _glmScan(&file, "%f", nullptr, &m->shininess);
            m->shininess = static_cast<float>(m->shininess * 0.001);
            m->shininess = static_cast<float>(m->shininess * 128.0);
            break;
        case 'K':
            if (buf[1] == 'a')
                _glmScan(&file, "%f %f %f", nullptr, m->ambient);
            else if (buf[1] == 'd')
                _glmScan(&file, "%f %f %f", nullptr, m->diffuse);
            else if (buf[1] == 's')
                _glmScan(&file, "%f %f %f", nullptr, m->specular);
            else
                _glmSkipLine(&file);
            break;
        default:
            _glmSkipLine(&file);
            break;
        }
    }
    // a newmtl swallowed by a number that read into it leaves an unnamed slot: refuse it
    if (current != count - 1) {
        fprintf(stderr, "_glmReadMTL() failed: malformed material file \"%s\" (a line holds more than its keyword's values).\n",
                fullName);
        _glmExit(1);
    }
    _glmFree(fullName);
    _glmFree(data);
}

int32_t _glmFindMaterial(GlmModel* model, const char* name) {
    for (uint32_t i = 0; i < model->materialCount; i++)
        if (strcmp(model->materialArray[i].name, name) == 0) return static_cast<int32_t>(i);
    printf("_glmFindMaterial():  can't find material \"%s\".\n", name);
    return 0;
}
