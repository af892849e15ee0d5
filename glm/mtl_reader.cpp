// mtl_reader.cpp: the material library reader and the material lookup by name.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <string>
#include <vector>
#include "glm/glm_internal.h"

namespace {

void setColor(float* color, float red, float green, float blue) {
    color[0] = red;
    color[1] = green;
    color[2] = blue;
    color[3] = 1.0f;
}

void malformedLibrary(GlmRead* read, const char* fullName) {
    _glmFail(read, stderr, "_glmReadMTL() failed: malformed material file \"%s\" (a line holds more than its keyword's values).\n",
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

// A d or Tr value: 0 to 1, a NaN or a line without a number read as `otherwise`.
float scanFraction(GlmStream* file, float otherwise) {
    float value = otherwise;
    if (scanOnLine(file, GLM_SCAN_F1, &value) != 1 || !(value == value)) return otherwise;
    return value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
}

// What a table's d and Tr lines said, slot by slot, until the table is whole.
struct Opacities {
    std::vector<float> opacity, transmission;  // -1: no such line
};

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

namespace {

// One library of a mtllib line, found and loaded.
struct Library {
    char* path;
    GlmFile data;
};

// The materials a library adds to the table: one per newmtl line naming another than "default".
uint32_t countMaterials(const GlmFile* data) {
    GlmStream file = {data->data, data->size, 0};
    char buf[GLM_BUFFER_SIZE];
    uint32_t count = 0;
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
    return count;
}

// How many values follow each option a map line may give before its file name; -1 for one
// to three numbers.
int optionValues(const char* option, size_t length) {
    static const struct {
        const char* name;
        int values;
    } options[] = {{"-o", -1}, {"-s", -1}, {"-t", -1}, {"-bm", 1}, {"-clamp", 1}, {"-blendu", 1}, {"-blendv", 1},
                   {"-mm", 2}, {"-texres", 1}, {"-imfchan", 1}, {"-boost", 1}, {"-cc", 1}, {"-type", 1}};
    for (const auto& o : options)
        if (strlen(o.name) == length && memcmp(o.name, option, length) == 0) return o.values;
    return 0;
}

bool isNumber(const char* text, size_t length) {
    char copy[64];
    if (length == 0 || length >= sizeof copy) return false;
    memcpy(copy, text, length);
    copy[length] = '\0';
    char* end = nullptr;
    strtod(copy, &end);
    return end == copy + length;
}

// The file name of a map line: what follows the options and their values, spaces included.
std::string mapFileName(const char* text, size_t length) {
    size_t pos = 0;
    auto word = [&](size_t* wordLength) {
        while (pos < length && (text[pos] == ' ' || text[pos] == '\t')) pos++;
        size_t end = pos;
        while (end < length && text[end] != ' ' && text[end] != '\t') end++;
        *wordLength = end - pos;
        return pos;
    };
    for (;;) {
        size_t n;
        size_t at = word(&n);
        int values = text[at] == '-' ? optionValues(text + at, n) : 0;
        if (values == 0) return std::string(text + at, length - at);
        pos = at + n;
        for (int v = 0; v < (values < 0 ? 3 : values); v++) {
            size_t save = pos;
            at = word(&n);
            if (values < 0 && !isNumber(text + at, n)) {
                pos = save;
                break;
            }
            pos = at + n;
        }
    }
}

// A map_Kd, map_Ke or map_d line: the material keeps the path of the file it names (in
// *kept), looked for beside the library; a file that is not there is a warning, and the
// material keeps its colour.
bool readMap(GlmMaterial* m, char** kept, GlmStream* file, const char* libraryPath) {
    const char* text;
    size_t length = _glmLineText(file, &text);
    std::string name = mapFileName(text, length);
    if (name.empty()) return true;
    char* dir = _glmPathDirectory(libraryPath);
    char* found = _glmFindMap(dir, name.c_str());
    if (!found)
        fprintf(stderr, "_glmReadMTL() warning: can't open texture map \"%s%s\" of material \"%s\".\n",
                name[0] == '/' ? "" : dir, name.c_str(),
                m->name ? m->name : "");
    _glmFree(dir);
    _glmFree(*kept);
    *kept = found;
    return found != nullptr;
}

// Fills the table from one library, from slot `named` + 1 on; returns the last slot filled.
// `mapsFound` is cleared where a map is not there. A name past the table's end (its count
// and its filling disagree) refuses the library.
uint32_t fillMaterials(GlmRead* read, const Library* library, uint32_t named, bool* mapsFound, Opacities* opacities) {
    GlmModel* model = read->model;
    GlmStream file = {library->data.data, library->data.size, 0};
    char buf[GLM_BUFFER_SIZE];
    char whole[GLM_BUFFER_SIZE];  // a newmtl line's whole text
    // lines before the first newmtl, and a material named "default", set slot 0
    uint32_t current = 0;
    while (_glmScanToken(&file, buf) != GLM_EOF) {
        GlmMaterial* m = &model->materialArray[current];
        switch (buf[0]) {
        case 'n':
            _glmReadRestOfLine(&file, buf);
            _glmWholeName(buf, whole);
            if (_glmNameWord(buf) == GLM_EOF) buf[0] = '\0';
            if (strcmp(buf, "default") == 0) {
                current = 0;
                break;
            }
            if (++named >= model->materialCount) {
                malformedLibrary(read, library->path);
                return named;
            }
            current = named;
            model->materialArray[current].name = _glmStrdup(buf);
            model->materialArray[current].wholeName = _glmStrdup(whole);
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
            else if (buf[1] == 'e')
                scanColor(&file, m->emission);
            else
                _glmSkipLine(&file);
            break;
        case 'd':
            if (buf[1] == '\0')
                opacities->opacity[current] = scanFraction(&file, 1.0f);
            else
                _glmSkipLine(&file);
            break;
        case 'T':
            if (strcmp(buf, "Tr") == 0)
                opacities->transmission[current] = scanFraction(&file, 0.0f);
            else
                _glmSkipLine(&file);
            break;
        case 'm':
            if (strcasecmp(buf, "map_Kd") == 0)
                *mapsFound = readMap(m, &m->textureMap, &file, library->path) && *mapsFound;
            else if (strcasecmp(buf, "map_Ke") == 0)
                *mapsFound = readMap(m, &m->emissionMap, &file, library->path) && *mapsFound;
            else if (strcasecmp(buf, "map_d") == 0)
                *mapsFound = readMap(m, &m->opacityMap, &file, library->path) && *mapsFound;
            else
                _glmSkipLine(&file);
            break;
        default:
            _glmSkipLine(&file);
            break;
        }
    }
    return named;
}

// The opacity, Kd's alpha: d, else 1 - Tr. Where no material has d and every Tr is 1, the
// exporter wrote Tr meaning d (a known slip): Tr is ignored, and the materials stay opaque.
void setOpacities(GlmModel* model, const Opacities* o) {
    bool anyOpacity = false, everyTransmissionOne = true;
    for (uint32_t i = 0; i < model->materialCount; i++) {
        anyOpacity = anyOpacity || o->opacity[i] >= 0;
        everyTransmissionOne = everyTransmissionOne && (o->transmission[i] < 0 || o->transmission[i] == 1.0f);
    }
    const bool slip = !anyOpacity && everyTransmissionOne;
    for (uint32_t i = 0; i < model->materialCount; i++) {
        if (o->opacity[i] >= 0)
            model->materialArray[i].diffuse[3] = o->opacity[i];
        else if (o->transmission[i] >= 0 && !slip)
            model->materialArray[i].diffuse[3] = 1.0f - o->transmission[i];
    }
}

// Finds and loads the library `name` names beside the model; false when there is none.
bool openLibrary(GlmRead* read, const char* dir, const char* name, Library* library) {
    library->path = _glmFindFile(dir, name);
    if (library->path && _glmLoadFile(read, library->path, &library->data, "_glmReadMTL()")) return true;
    _glmFree(library->path);
    return false;
}

// A new table from the libraries of one line: slot 0 "default", then their materials in order.
// Returns whether every map was found. Unloads every library, also where the read fails.
bool fillTable(GlmRead* read, Library* libraries, size_t libraryCount) {
    GlmModel* model = read->model;
    uint32_t count = 1;
    for (size_t i = 0; i < libraryCount; i++) {
        uint32_t more = countMaterials(&libraries[i].data);
        count = more < 0x7ffffffe - count ? count + more : 0x7ffffffe;
    }
    _glmFreeMaterials(model);
    model->materialArray = static_cast<GlmMaterial*>(_glmCalloc(count, sizeof(GlmMaterial)));
    model->materialCount = count;
    for (uint32_t i = 0; i < count; i++) {
        GlmMaterial* m = &model->materialArray[i];
        setColor(m->diffuse, 0.8f, 0.8f, 0.8f);
        setColor(m->ambient, 0.2f, 0.2f, 0.2f);
        setColor(m->specular, 0.0f, 0.0f, 0.0f);
        setColor(m->emission, 0.0f, 0.0f, 0.0f);
        m->shininess = 0.0f;
    }
    model->materialArray[0].name = _glmStrdup("default");

    uint32_t named = 0;
    bool mapsFound = true;
    Opacities opacities = {std::vector<float>(count, -1.0f), std::vector<float>(count, -1.0f)};
    for (size_t i = 0; i < libraryCount; i++) {
        if (!read->failed) named = fillMaterials(read, &libraries[i], named, &mapsFound, &opacities);
        if (!read->failed) _glmCheckFile(read, &libraries[i].data);
        _glmUnloadFile(read, &libraries[i].data);
    }
    // a newmtl swallowed by a number that read into it leaves an unnamed slot: refuse it
    if (!read->failed && named != count - 1) malformedLibrary(read, libraries[libraryCount - 1].path);
    if (read->failed) return false;
    setOpacities(model, &opacities);
    _glmIndexMaterials(model);
    _glmStartImages(model);
    return mapsFound;
}

// The model keeps the file of each library it read (once), for those who watch its files.
void keepLibraryPath(GlmModel* model, char* path) {
    for (uint32_t i = 0; i < model->libraryPathCount; i++)
        if (strcmp(model->libraryPaths[i], path) == 0) return _glmFree(path);
    char** paths = static_cast<char**>(_glmAlloc((model->libraryPathCount + 1) * sizeof(char*)));
    if (model->libraryPathCount) memcpy(paths, model->libraryPaths, model->libraryPathCount * sizeof(char*));
    _glmFree(model->libraryPaths);
    model->libraryPaths = paths;
    model->libraryPaths[model->libraryPathCount++] = path;
}

}  // namespace

// Reads the libraries a mtllib line names into a new material table: slot 0 "default", then
// one slot per newmtl line, library after library, in file order. Each name on the line is a
// library; where none of them opens, the whole line is one name. Where none opens at all the
// model keeps its table, and the line is a warning: the model is shown without it.
bool _glmReadMTL(GlmRead* read, const char* line) {
    GlmModel* model = read->model;
    char* dir = _glmPathDirectory(model->objPath);
    // a "#" after a blank begins a comment, unless the whole line names a library as it stands
    char* text = _glmStrdup(line);
    for (char* p = text; *p; p++) {
        if (p == text || *p != '#' || (p[-1] != ' ' && p[-1] != '\t')) continue;
        char* whole = _glmFindFile(dir, line);
        if (!whole)
            for (*p = '\0'; p > text && (p[-1] == ' ' || p[-1] == '\t');) *--p = '\0';
        _glmFree(whole);
        break;
    }
    // the names, cut apart in a copy of the line
    size_t length = strlen(text);
    char* words = _glmStrdup(text);
    Library* libraries = static_cast<Library*>(_glmCalloc(length / 2 + 2, sizeof(Library)));
    size_t count = 0, names = 0;
    const char* first = "";
    for (char* p = words; *p;) {
        size_t n = strcspn(p, " \t");
        bool last = p[n] == '\0';
        p[n] = '\0';
        // a line of endless names: the first few are the libraries
        if (n && names < 64 && !read->failed) {
            if (names++ == 0) first = p;
            if (openLibrary(read, dir, p, &libraries[count])) count++;
        }
        p += n + (last ? 0 : 1);
    }
    if (count == 0 && names > 1 && !read->failed && openLibrary(read, dir, text, &libraries[0])) count = 1;
    if (read->failed) {
        // a library too large to read: the ones loaded before it are let go
        for (size_t i = 0; i < count; i++) {
            _glmUnloadFile(read, &libraries[i].data);
            _glmFree(libraries[i].path);
        }
        count = 0;
    } else if (count == 0) {
        fprintf(stderr, "_glmReadMTL() failed: can't open material file \"%s%s\".\n", first[0] == '/' ? "" : dir, first);
        model->missingLibraries++;
    }
    _glmFree(dir);
    bool clean = count > 0 && fillTable(read, libraries, count);
    for (size_t i = 0; i < count; i++) keepLibraryPath(model, libraries[i].path);
    _glmFree(libraries);
    _glmFree(words);
    _glmFree(text);
    return clean;
}

int32_t _glmFindMaterial(GlmModel* model, const char* name) {
    int32_t found = _glmLookupMaterial(model, name);
    // a model shown without its library uses "default" for every name, without a line each
    if (found >= 0 || model->missingLibraries) return found >= 0 ? found : 0;
    printf("_glmFindMaterial():  can't find material \"%s\".\n", name);
    return 0;
}
