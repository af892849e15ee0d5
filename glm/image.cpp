// image.cpp: decoding the materials' texture maps, on other cores while the model is read,
// into the mip levels the texture is made of.
#include <SDL.h>
#include <SDL_image.h>
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>
#include "glm/glm_internal.h"
#include "glm/parallel.h"
// after stdio.h, which it needs
#include <jpeglib.h>

// The maps of one material table being decoded: a slot per material, taken in turn by the
// threads.
struct GlmImageLoads {
    uint32_t count;
    GlmImage* images;
    const GlmMaterial* materials;
    std::atomic<uint32_t> next;
    std::thread* threads;
    int threadCount;
};

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

// A JPEG straight into the image's first level, the last row first (the common large map:
// no surface in between, no copy).
bool decodeJpeg(FILE* file, GlmImage* image) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leaveJpeg;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return refuse(image, "not a JPEG picture it can decode");
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (static_cast<uint64_t>(info.output_width) * info.output_height > maximumTexels) {
        jpeg_destroy_decompress(&info);
        return refuse(image, "larger than 16384 x 16384 texels");
    }
    image->width = static_cast<int>(info.output_width);
    image->height = static_cast<int>(info.output_height);
    image->channels = 3;
    if (!allocatePixels(image)) {
        jpeg_destroy_decompress(&info);
        return refuse(image, "out of memory");
    }
    const size_t row = static_cast<size_t>(image->width) * 3;
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {image->pixels + (info.output_height - 1 - info.output_scanline) * row};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool isJpeg(FILE* file) {
    unsigned char start[3] = {0, 0, 0};
    bool jpeg = fread(start, 1, 3, file) == 3 && start[0] == 0xff && start[1] == 0xd8 && start[2] == 0xff;
    rewind(file);
    return jpeg;
}

// Copies rows of `bytes` bytes, the last first: OBJ texture coordinates start at the bottom.
void copyFlipped(const SDL_Surface* s, unsigned char* to, size_t bytes) {
    for (int y = 0; y < s->h; y++)
        memcpy(to + static_cast<size_t>(s->h - 1 - y) * bytes, static_cast<const unsigned char*>(s->pixels) + y * s->pitch,
               bytes);
}

void decodeSlots(GlmImageLoads* loads) {
    for (uint32_t i = loads->next++; i < loads->count; i = loads->next++)
        if (loads->materials[i].textureMap && loads->images[i].duplicateOf < 0)
            _glmDecodeImage(loads->materials[i].textureMap, &loads->images[i]);
}

}  // namespace

size_t _glmMipmapBytes(int width, int height, int channels) {
    size_t bytes = 0;
    for (;;) {
        bytes += static_cast<size_t>(width) * height * channels;
        if (width == 1 && height == 1) return bytes;
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
}

void _glmBuildMipmaps(GlmImage* image) {
    const int c = image->channels;
    int w = image->width, h = image->height;
    unsigned char* from = image->pixels;
    while (w > 1 || h > 1) {
        int w2 = w > 1 ? w / 2 : 1, h2 = h > 1 ? h / 2 : 1;
        unsigned char* to = from + static_cast<size_t>(w) * h * c;
        for (int y = 0; y < h2; y++) {
            // a side of one texel repeats it
            const unsigned char* row0 = from + static_cast<size_t>(2 * y) * w * c;
            const unsigned char* row1 = h > 1 ? row0 + static_cast<size_t>(w) * c : row0;
            unsigned char* out = to + static_cast<size_t>(y) * w2 * c;
            const size_t step = w > 1 ? c : 0;
            for (size_t x = 0, at = 0; x < static_cast<size_t>(w2) * c; x += c, at += 2 * step)
                for (int k = 0; k < c; k++) {
                    unsigned sum = row0[at + k] + row0[at + step + k] + row1[at + k] + row1[at + step + k] + 2u;
                    out[x + k] = static_cast<unsigned char>(sum >> 2);
                }
        }
        from = to;
        w = w2;
        h = h2;
    }
}

bool _glmDecodeImage(const char* path, GlmImage* image) {
    image->pixels = nullptr;
    image->failure[0] = '\0';
    FILE* file = fopen(path, "rb");
    if (!file) return refuse(image, "can't open it");
    if (isJpeg(file)) {
        bool decoded = decodeJpeg(file, image);
        fclose(file);
        if (decoded) _glmBuildMipmaps(image);
        return decoded;
    }
    // the other formats through SDL2_image; TGA has no signature: the name's ending says it is one
    const char* dot = strrchr(path, '.');
    SDL_Surface* decoded = IMG_LoadTyped_RW(SDL_RWFromFP(file, SDL_TRUE), 1, dot && strcasecmp(dot, ".tga") == 0 ? "TGA" : nullptr);
    if (!decoded) return refuse(image, "not an image it can decode");
    bool alpha = SDL_ISPIXELFORMAT_ALPHA(decoded->format->format) || SDL_HasColorKey(decoded);
    Uint32 format = alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24;
    SDL_Surface* s = decoded;
    if (decoded->format->format != format) {
        s = SDL_ConvertSurfaceFormat(decoded, format, 0);
        SDL_FreeSurface(decoded);
        if (!s) return refuse(image, "out of memory");
    }
    if (static_cast<uint64_t>(s->w) * s->h > maximumTexels || s->w < 1 || s->h < 1) {
        SDL_FreeSurface(s);
        return refuse(image, "larger than 16384 x 16384 texels");
    }
    image->width = s->w;
    image->height = s->h;
    image->channels = alpha ? 4 : 3;
    if (allocatePixels(image)) copyFlipped(s, image->pixels, static_cast<size_t>(s->w) * image->channels);
    SDL_FreeSurface(s);
    if (!image->pixels) return refuse(image, "out of memory");
    _glmBuildMipmaps(image);
    return true;
}

void _glmStartImages(GlmModel* model) {
#ifndef GLM_FUZZ
    uint32_t maps = 0;
    for (uint32_t i = 0; i < model->materialCount; i++) maps += model->materialArray[i].textureMap != nullptr;
    if (maps == 0) return;
    static bool initialised = false;
    if (!initialised) {
        // the decoders are set up once, before any thread uses them
        IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
        initialised = true;
    }
    GlmImageLoads* loads = new GlmImageLoads();
    loads->count = model->materialCount;
    loads->images = static_cast<GlmImage*>(_glmCalloc(model->materialCount, sizeof(GlmImage)));
    loads->materials = model->materialArray;
    loads->next = 0;
    // a file that several materials name is decoded once
    std::vector<uint32_t> named;
    for (uint32_t i = 0; i < model->materialCount; i++) {
        loads->images[i].duplicateOf = -1;
        if (model->materialArray[i].textureMap) named.push_back(i);
    }
    const GlmMaterial* m = model->materialArray;
    std::sort(named.begin(), named.end(), [m](uint32_t a, uint32_t b) {
        int order = strcmp(m[a].textureMap, m[b].textureMap);
        return order < 0 || (order == 0 && a < b);
    });
    for (size_t k = 1; k < named.size(); k++)
        if (strcmp(m[named[k]].textureMap, m[named[k - 1]].textureMap) == 0) {
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

void _glmFreeImages(GlmModel* model) {
    if (!_glmWaitImages(model)) return;
    GlmImageLoads* loads = model->imageLoads;
    for (uint32_t i = 0; i < loads->count; i++) free(loads->images[i].pixels);
    _glmFree(loads->images);
    delete[] loads->threads;
    delete loads;
    model->imageLoads = nullptr;
}
