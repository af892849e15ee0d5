// mipmaps.cpp: a map's mip levels, each a box filter of the one before.
#include <stddef.h>
#include "glm/glm_internal.h"

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
