// image.cpp: decoding the materials' texture maps, on other cores while the model is read,
// into the mip levels the texture is made of.
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>
#include "glm/glm_internal.h"
#include "glm/parallel.h"
#include <png.h>
// after stdio.h, which it needs
#include <jpeglib.h>

// The maps of one material table being decoded: a slot per material, taken in turn by the
// threads.
struct GlmImageLoads {
    uint32_t count;               // GLM_MAP_KINDS slots a material
    GlmImage* images;
    const GlmMaterial* materials;
    uint32_t materialCount;
    std::atomic<uint32_t> next;
    std::thread* threads;
    int threadCount;
    uint64_t budget;              // bytes the model's maps may hold together
    std::atomic<uint64_t> held;   // and hold now
    std::atomic<bool> reduced;    // some map keeps only its smaller levels
};

uint64_t _glmMapBudget = 0;

namespace {

// the largest map decoded: 16384 x 16384 texels
const uint64_t maximumTexels = 1ull << 28;

bool refuse(GlmImage* image, const char* why) {
    snprintf(image->failure, sizeof image->failure, "%s", why);
    free(image->pixels);
    image->pixels = nullptr;
    return false;
}

// Room for an image's levels; huge pages where it is large, for fewer page faults.
bool allocatePixels(GlmImage* image) {
    size_t bytes = _glmMipmapBytes(image->width, image->height, image->channels);
    image->pixels = static_cast<unsigned char*>(malloc(bytes));
    if (image->pixels) _glmAdviseHugePages(image->pixels, bytes);
    return image->pixels != nullptr;
}

// libjpeg's way out of a file it cannot decode: back to the decoding, which refuses it.
struct JpegErrors {
    jpeg_error_mgr manager;
    jmp_buf back;
};

void leaveJpeg(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->back, 1); }
// the decoders' own messages stay unprinted: the reader's one warning line says it all
void quietJpeg(j_common_ptr) {}
void quietPng(png_structp, png_const_charp) {}
void leavePng(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// A JPEG straight into the image's first level, the last row first (the common large map:
// no surface in between, no copy).
bool decodeJpeg(FILE* file, GlmImage* image) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leaveJpeg;
    errors.manager.output_message = quietJpeg;
    // kept in a variable the jump cannot lose
    unsigned char* volatile inks = nullptr;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        free(inks);
        return refuse(image, "not a JPEG picture it can decode");
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    // the header's size, before the decoder makes room for anything (a progressive or
    // arithmetic-coded file takes the whole picture's coefficients at its start)
    if (static_cast<uint64_t>(info.image_width) * info.image_height > maximumTexels) {
        jpeg_destroy_decompress(&info);
        return refuse(image, "larger than 16384 x 16384 texels");
    }
    // CMYK and YCCK come out as CMYK, made RGB here (stored inverted where an Adobe marker says so)
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const int inverted = cmyk && info.saw_Adobe_marker ? 0 : 255;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    image->width = static_cast<int>(info.output_width);
    image->height = static_cast<int>(info.output_height);
    image->channels = 3;
    if (!allocatePixels(image)) {
        jpeg_destroy_decompress(&info);
        return refuse(image, "out of memory");
    }
    const size_t row = static_cast<size_t>(image->width) * 3;
    if (cmyk && !(inks = static_cast<unsigned char*>(malloc(static_cast<size_t>(image->width) * 4)))) {
        jpeg_destroy_decompress(&info);
        return refuse(image, "out of memory");
    }
    while (info.output_scanline < info.output_height) {
        unsigned char* to = image->pixels + (info.output_height - 1 - info.output_scanline) * row;
        JSAMPROW rows[1] = {cmyk ? inks : to};
        jpeg_read_scanlines(&info, rows, 1);
        for (size_t x = 0; cmyk && x < static_cast<size_t>(image->width); x++)
            for (int c = 0; c < 3; c++)
                to[3 * x + c] = static_cast<unsigned char>(abs(inverted - inks[4 * x + c]) * abs(inverted - inks[4 * x + 3]) / 255);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    free(inks);
    return true;
}

// A PNG straight into the image's first level, the last row first, as RGB or RGBA (palettes,
// grey, transparency chunks and 16 bits expanded or cut to that).
bool decodePng(FILE* file, GlmImage* image) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, leavePng, quietPng);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return refuse(image, "out of memory");
    }
    // kept in a variable the jump cannot lose
    unsigned char* volatile pixels = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        image->pixels = pixels;
        return refuse(image, "not a PNG picture it can decode");
    }
    png_init_io(png, file);
    png_read_info(png, info);
    if (static_cast<uint64_t>(png_get_image_width(png, info)) * png_get_image_height(png, info) > maximumTexels) {
        png_destroy_read_struct(&png, &info, nullptr);
        return refuse(image, "larger than 16384 x 16384 texels");
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image->width = static_cast<int>(png_get_image_width(png, info));
    image->height = static_cast<int>(png_get_image_height(png, info));
    image->channels = png_get_channels(png, info) == 4 ? 4 : 3;
    if (png_get_channels(png, info) != static_cast<png_byte>(image->channels)) png_error(png, "channels");
    if (!allocatePixels(image)) png_error(png, "memory");
    pixels = image->pixels;
    // row by row (nothing here needs freeing if a row cannot be read), each pass of an
    // interlaced picture over all of them
    const size_t row = static_cast<size_t>(image->width) * image->channels;
    for (int pass = 0; pass < passes; pass++)
        for (int y = 0; y < image->height; y++)
            png_read_row(png, pixels + static_cast<size_t>(image->height - 1 - y) * row, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// The sides a BMP, TGA or GIF header gives, so that a file claiming a huge picture is refused
// before the decoder makes room for it; its kind ('B', 'T' or 'G'), or 0 for any other file.
int headerSides(FILE* file, const char* path, uint64_t* width, uint64_t* height) {
    unsigned char h[26] = {};
    size_t n = fread(h, 1, sizeof h, file);
    rewind(file);
    const char* dot = strrchr(path, '.');
    if (n >= 26 && h[0] == 'B' && h[1] == 'M') {
        int32_t w, t;
        memcpy(&w, h + 18, 4);
        memcpy(&t, h + 22, 4);
        *width = static_cast<uint64_t>(w < 0 ? -static_cast<int64_t>(w) : w);
        *height = static_cast<uint64_t>(t < 0 ? -static_cast<int64_t>(t) : t);
        return 'B';
    }
    if (n >= 10 && memcmp(h, "GIF8", 4) == 0) {
        *width = h[6] | (h[7] << 8);
        *height = h[8] | (h[9] << 8);
        return 'G';
    }
    if (n >= 18 && dot && strcasecmp(dot, ".tga") == 0) {
        *width = h[12] | (h[13] << 8);
        *height = h[14] | (h[15] << 8);
        return 'T';
    }
    return 0;
}

long fileSize(FILE* file) {
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    rewind(file);
    return size;
}

// Whether a TGA holds every pixel its header claims, and a GIF ends with its trailer: the
// other decoder takes cut ones without a word.
bool whole(FILE* file, int kind) {
    const uint64_t size = static_cast<uint64_t>(fileSize(file));
    unsigned char h[18];
    if (kind == 'G') return fseek(file, -1, SEEK_END) == 0 && getc(file) == 0x3b;
    if (kind != 'T') return true;
    if (fread(h, 1, 18, file) != 18) return false;
    const uint64_t pixels = static_cast<uint64_t>(h[12] | (h[13] << 8)) * (h[14] | (h[15] << 8)), bytes = (h[16] + 7) / 8;
    uint64_t at = 18 + h[0] + (h[1] ? static_cast<uint64_t>(h[5] | (h[6] << 8)) * ((h[7] + 7) / 8) : 0);
    if (!(h[2] & 8)) return at + pixels * bytes <= size;
    // run-length packets: a header byte, then one pixel for the whole run or each of its pixels
    for (uint64_t done = 0; done < pixels;) {
        if (at >= size || fseek(file, static_cast<long>(at), SEEK_SET) != 0) return false;
        int c = getc(file);
        done += (c & 0x7f) + 1;
        at += 1 + (c & 0x80 ? 1 : (c & 0x7f) + 1) * bytes;
    }
    return at <= size;
}

int kindOf(FILE* file) {
    unsigned char start[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    size_t n = fread(start, 1, 8, file);
    rewind(file);
    if (n >= 3 && start[0] == 0xff && start[1] == 0xd8 && start[2] == 0xff) return 1;
    if (n == 8 && png_sig_cmp(start, 0, 8) == 0) return 2;
    return 0;
}

// Past the model's budget a map keeps only the smaller of its levels that still fit.
void keepWithinBudget(GlmImageLoads* loads, GlmImage* image) {
    const int c = image->channels;
    uint64_t held = loads->held.load();
    for (;;) {
        int w = image->width, h = image->height;
        size_t skip = 0, keep = _glmMipmapBytes(w, h, c);
        while (held + keep > loads->budget && (w > 1 || h > 1)) {
            skip += static_cast<size_t>(w) * h * c;
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
            keep = _glmMipmapBytes(w, h, c);
        }
        if (!loads->held.compare_exchange_weak(held, held + keep)) continue;
        if (skip == 0) return;
        memmove(image->pixels, image->pixels + skip, keep);
        if (unsigned char* smaller = static_cast<unsigned char*>(realloc(image->pixels, keep))) image->pixels = smaller;
        image->width = w;
        image->height = h;
        loads->reduced = true;
        return;
    }
}

void decodeSlots(GlmImageLoads* loads) {
    for (uint32_t i = loads->next++; i < loads->count; i = loads->next++) {
        const char* path = _glmMapOf(&loads->materials[i % loads->materialCount], static_cast<int>(i / loads->materialCount));
        if (path && loads->images[i].duplicateOf < 0 && _glmDecodeImage(path, &loads->images[i]))
            keepWithinBudget(loads, &loads->images[i]);
    }
}

// What a model's maps may hold together: a quarter of the memory the process may have, so
// that a model read again while another is shown stays within half of it.
uint64_t mapBudget(void) {
    if (_glmMapBudget) return _glmMapBudget;
    long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
    uint64_t memory = pages > 0 && pageSize > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) : 1ull << 32;
    for (int resource : {RLIMIT_DATA, RLIMIT_AS}) {
        struct rlimit limit;
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < memory) memory = limit.rlim_cur;
    }
    return memory / 4;
}

// A map's file as the system knows it, so that one file named several ways is decoded once.
struct MapIdentity {
    dev_t device;
    ino_t inode;
    const char* path;  // where it cannot be known
};

bool before(const MapIdentity& a, const MapIdentity& b) {
    if (a.device != b.device) return a.device < b.device;
    if (a.inode != b.inode) return a.inode < b.inode;
    return a.inode == 0 && strcmp(a.path, b.path) < 0;
}

}  // namespace

const char* _glmMapOf(const GlmMaterial* m, int kind) {
    if (kind == GLM_MAP_EMISSION) return m->emissionMap;
    // an opacity map that is the diffuse map is that map's own alpha
    if (kind == GLM_MAP_OPACITY) return m->opacityMap && !(m->textureMap && strcmp(m->opacityMap, m->textureMap) == 0) ? m->opacityMap : nullptr;
    return m->textureMap;
}

bool _glmDecodeImage(const char* path, GlmImage* image) {
    image->pixels = nullptr;
    image->failure[0] = '\0';
    FILE* file = fopen(path, "rb");
    if (!file) return refuse(image, "can't open it");
    // JPEG and PNG (nearly every map) straight into the first level
    int kind = kindOf(file);
    if (kind != 0) {
        bool decoded = kind == 1 ? decodeJpeg(file, image) : decodePng(file, image);
        fclose(file);
        if (decoded) _glmBuildMipmaps(image);
        return decoded;
    }
    // BMP, TGA and GIF by the other decoder, once their headers give sides of a size it may decode
    uint64_t width = 0, height = 0;
    const int other = headerSides(file, path, &width, &height);
    const char* why = !other ? "not a PNG, JPEG, TGA, BMP or GIF picture"
                      : width * height > maximumTexels ? "larger than 16384 x 16384 texels"
                      : !whole(file, other) ? (other == 'T' ? "not a TGA picture it can decode" : "not a GIF picture it can decode")
                                            : nullptr;
    if (why) {
        fclose(file);
        return refuse(image, why);
    }
    rewind(file);
    if (!_glmDecodeOtherImage(file, other == 'T', maximumTexels, image)) return false;
    _glmBuildMipmaps(image);
    return true;
}

void _glmStartImages(GlmModel* model) {
#ifndef GLM_FUZZ
    const uint32_t n = model->materialCount, slots = n * GLM_MAP_KINDS;
    uint32_t maps = 0;
    for (uint32_t i = 0; i < slots; i++) maps += _glmMapOf(&model->materialArray[i % n], static_cast<int>(i / n)) != nullptr;
    if (maps == 0) return;
    GlmImageLoads* loads = new GlmImageLoads();
    loads->count = slots;
    loads->images = static_cast<GlmImage*>(_glmCalloc(slots, sizeof(GlmImage)));
    loads->materials = model->materialArray;
    loads->materialCount = n;
    loads->next = 0;
    loads->budget = mapBudget();
    loads->held = 0;
    loads->reduced = false;
    // a file that several materials name for one use, however they name it, is decoded once
    std::vector<uint32_t> named;
    std::vector<MapIdentity> identity(slots);
    for (uint32_t i = 0; i < slots; i++) {
        loads->images[i].duplicateOf = -1;
        const char* path = _glmMapOf(&model->materialArray[i % n], static_cast<int>(i / n));
        // a diffuse map that takes an opacity map of its own is that material's alone
        const bool own = i < n && _glmMapOf(&model->materialArray[i], GLM_MAP_OPACITY);
        if (!path || own) continue;
        struct stat info;
        bool known = stat(path, &info) == 0;
        identity[i] = MapIdentity{known ? info.st_dev : 0, known ? info.st_ino : 0, path};
        named.push_back(i);
    }
    auto kindThenFile = [&](uint32_t a, uint32_t b) { return a / n != b / n ? a / n < b / n : before(identity[a], identity[b]); };
    std::stable_sort(named.begin(), named.end(), kindThenFile);
    for (size_t k = 1; k < named.size(); k++)
        if (!kindThenFile(named[k - 1], named[k])) {
            int32_t first = loads->images[named[k - 1]].duplicateOf;
            loads->images[named[k]].duplicateOf = first >= 0 ? first : static_cast<int32_t>(named[k - 1]);
        }
    int threads = _glmCores() < static_cast<int>(maps) ? _glmCores() : static_cast<int>(maps);
    loads->threads = new std::thread[threads];
    for (int t = 0; t < threads; t++) {
        try {
            loads->threads[loads->threadCount] = std::thread(decodeSlots, loads);
            loads->threadCount++;
        } catch (const std::system_error&) {
            break;  // no thread to be had: the waiting decodes what is left
        }
    }
    model->imageLoads = loads;
#else
    (void)model;  // the fuzz build reads the libraries' lines only
#endif
}

GlmImage* _glmWaitImages(GlmModel* model) {
    GlmImageLoads* loads = model->imageLoads;
    if (!loads) return nullptr;
    for (int t = 0; t < loads->threadCount; t++)
        if (loads->threads[t].joinable()) loads->threads[t].join();
    decodeSlots(loads);
    return loads->images;
}

void glmWaitForMaps(GlmModel* model) { _glmWaitImages(model); }

uint64_t _glmReducedMapBudget(const GlmModel* model) {
    return model->imageLoads && model->imageLoads->reduced ? model->imageLoads->budget : 0;
}

void _glmFreeImages(GlmModel* model) {
    if (!_glmWaitImages(model)) return;
    GlmImageLoads* loads = model->imageLoads;
    for (uint32_t i = 0; i < loads->count; i++) free(loads->images[i].pixels);
    _glmFree(loads->images);
    delete[] loads->threads;
    delete loads;
    model->imageLoads = nullptr;
}
