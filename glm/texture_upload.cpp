// texture_upload.cpp: the decoded maps made into OpenGL textures, one per material.
#include <GL/gl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "glm/glm_internal.h"

namespace {

bool powerOfTwo(int n) { return (n & (n - 1)) == 0; }

int powerOfTwoBelow(int n) {
    int p = 1;
    while (p * 2 <= n) p *= 2;
    return p;
}

// Whether the driver takes textures whose sides are not powers of two (OpenGL 2.0 does).
bool anySizeTextures(void) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return (version && atoi(version) >= 2) || (extensions && strstr(extensions, "GL_ARB_texture_non_power_of_two"));
}

// The image at the powers of two below its sides, each texel the nearest of the original,
// with its levels made anew.
void resizeToPowersOfTwo(GlmImage* image) {
    int w = powerOfTwoBelow(image->width), h = powerOfTwoBelow(image->height), c = image->channels;
    unsigned char* pixels = static_cast<unsigned char*>(malloc(_glmMipmapBytes(w, h, c)));
    if (!pixels) return;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            memcpy(pixels + (static_cast<size_t>(y) * w + x) * c,
                   image->pixels + (static_cast<size_t>(y * image->height / h) * image->width + x * image->width / w) * c,
                   c);
    free(image->pixels);
    image->pixels = pixels;
    image->width = w;
    image->height = h;
    _glmBuildMipmaps(image);
}

void cannotDecode(const GlmMaterial* m, const char* path, const GlmImage* image) {
    fprintf(stderr, "glmUploadTextures() warning: can't decode texture map \"%s\" of material \"%s\" (%s).\n", path, m->name,
            image->failure);
}

// The diffuse map (white where there is none) with the opacity map's alpha, or its grey level
// where it has none, as its alpha: each texel the nearest of the opacity map's first level.
bool mergeOpacity(GlmImage* diffuse, const GlmImage* opacity) {
    const bool colours = diffuse->pixels != nullptr;
    const int w = colours ? diffuse->width : opacity->width, h = colours ? diffuse->height : opacity->height;
    unsigned char* pixels = static_cast<unsigned char*>(malloc(_glmMipmapBytes(w, h, 4)));
    if (!pixels) return false;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned char* t = pixels + (static_cast<size_t>(y) * w + x) * 4;
            const unsigned char* o =
                opacity->pixels + (static_cast<size_t>(y * opacity->height / h) * opacity->width + x * opacity->width / w) * opacity->channels;
            if (colours)
                memcpy(t, diffuse->pixels + (static_cast<size_t>(y) * w + x) * diffuse->channels, 3);
            else
                memset(t, 255, 3);
            t[3] = opacity->channels == 4 ? o[3] : static_cast<unsigned char>((o[0] + o[1] + o[2]) / 3);
        }
    free(diffuse->pixels);
    diffuse->pixels = pixels;
    diffuse->width = w;
    diffuse->height = h;
    diffuse->channels = 4;
    _glmBuildMipmaps(diffuse);
    return true;
}

// A texture of every level that the driver takes; the first that fits becomes level 0.
GLuint upload(const GlmImage* image) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum format = image->channels == 4 ? GL_RGBA : GL_RGB;
    const unsigned char* level = image->pixels;
    int w = image->width, h = image->height, made = 0;
    for (;;) {
        if (w <= largest && h <= largest)
            glTexImage2D(GL_TEXTURE_2D, made++, image->channels == 4 ? GL_RGBA8 : GL_RGB8, w, h, 0, format,
                         GL_UNSIGNED_BYTE, level);
        if (w == 1 && h == 1) break;
        level += static_cast<size_t>(w) * h * image->channels;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
    return name;
}

// A texture of a decoded map, resized first where the driver takes only powers of two.
GLuint makeTexture(GlmImage* image, bool anySize) {
    if (!anySize && (!powerOfTwo(image->width) || !powerOfTwo(image->height))) resizeToPowersOfTwo(image);
    return upload(image);
}

}  // namespace

void glmUploadTextures(GlmModel* model) {
    GlmImage* images = _glmWaitImages(model);
    if (!images) return;
    if (uint64_t budget = _glmReducedMapBudget(model))
        fprintf(stderr, "glmUploadTextures() warning: the texture maps take more than %llu MB together: some are drawn smaller.\n",
                static_cast<unsigned long long>(budget >> 20));
    const bool anySize = anySizeTextures();
    const uint32_t n = model->materialCount;
    for (uint32_t i = 0; i < n; i++) {
        GlmMaterial* m = &model->materialArray[i];
        GlmImage* image = &images[i];
        // an emission map, in place of its colour
        GlmImage* emission = &images[GLM_MAP_EMISSION * n + i];
        if (m->emissionMap && emission->duplicateOf >= 0) {
            m->emissionTexture = model->materialArray[emission->duplicateOf - GLM_MAP_EMISSION * n].emissionTexture;
        } else if (m->emissionMap && emission->pixels) {
            m->emissionTexture = makeTexture(emission, anySize);
        } else if (m->emissionMap) {
            cannotDecode(m, m->emissionMap, emission);
        }
        // an opacity map of its own goes into the diffuse map's alpha (a map decoded for this
        // material alone); one that is the diffuse map blends that map's alpha
        GlmImage* opacity = &images[GLM_MAP_OPACITY * n + i];
        if (_glmMapOf(m, GLM_MAP_OPACITY) && !opacity->pixels) cannotDecode(m, m->opacityMap, opacity);
        if (m->opacityMap && opacity->pixels) {
            if (m->textureMap && !image->pixels) cannotDecode(m, m->textureMap, image);
            if (mergeOpacity(image, opacity)) m->blended = true;
        } else if (m->opacityMap && !_glmMapOf(m, GLM_MAP_OPACITY)) {
            m->blended = true;
        }
        if (!m->textureMap && !m->blended) continue;
        if (image->duplicateOf >= 0) {
            // the same file as an earlier material's: the same texture
            m->texture = model->materialArray[image->duplicateOf].texture;
            m->textureAlpha = model->materialArray[image->duplicateOf].textureAlpha;
            continue;
        }
        if (!image->pixels) {
            if (m->textureMap) cannotDecode(m, m->textureMap, image);
            m->blended = false;
            continue;
        }
        m->texture = makeTexture(image, anySize);
        m->textureAlpha = image->channels == 4;
        m->blended = m->blended && m->textureAlpha;
        free(image->pixels);
        image->pixels = nullptr;
    }
    _glmFreeImages(model);
}
