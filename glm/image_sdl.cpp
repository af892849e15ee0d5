// image_sdl.cpp: the maps that are neither JPEG nor PNG (BMP, TGA, GIF), by SDL2_image: the
// only file of the library that includes SDL.
#include <SDL.h>
#include <SDL_image.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <mutex>
#include "glm/glm_internal.h"

namespace {

bool refuse(GlmImage* image, const char* why) {
    snprintf(image->failure, sizeof image->failure, "%s", why);
    return false;
}

// Copies rows of `bytes` bytes, the last first: OBJ texture coordinates start at the bottom.
void copyFlipped(const SDL_Surface* s, unsigned char* to, size_t bytes) {
    for (int y = 0; y < s->h; y++)
        memcpy(to + static_cast<size_t>(s->h - 1 - y) * bytes, static_cast<const unsigned char*>(s->pixels) + y * s->pitch,
               bytes);
}

}  // namespace

bool _glmDecodeOtherImage(FILE* file, bool tga, uint64_t maximumTexels, GlmImage* image) {
    // one decoding at a time: SDL shares its pixel formats between surfaces behind a lock of
    // its own, and promises nothing of its image loaders on several threads
    static std::mutex decoding;
    std::lock_guard<std::mutex> hold(decoding);
    static bool initialised = false;
    if (!initialised) IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
    initialised = true;
    SDL_Surface* decoded = IMG_LoadTyped_RW(SDL_RWFromFP(file, SDL_TRUE), 1, tga ? "TGA" : nullptr);
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
    size_t bytes = _glmMipmapBytes(image->width, image->height, image->channels);
    image->pixels = static_cast<unsigned char*>(malloc(bytes));
    if (image->pixels) {
        _glmAdviseHugePages(image->pixels, bytes);
        copyFlipped(s, image->pixels, static_cast<size_t>(s->w) * image->channels);
    }
    SDL_FreeSurface(s);
    return image->pixels ? true : refuse(image, "out of memory");
}
