// draw.cpp: sending a model to OpenGL in one triangle batch, and compiling it into a list.
#include <GL/gl.h>
#include <assert.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"

// the readers refuse indices outside their arrays; drawing relies on it
#define ASSERT_INDEX(index, lowest, count) assert((index) >= (lowest) && static_cast<uint32_t>(index) <= (count))

// Clears the bits that ask for missing data or exclude each other, with a warning each.
static uint32_t repairMode(const GlmModel* model, uint32_t mode) {
    if ((mode & GLM_RENDER_FLAT) && !model->facetNormalData) {
        printf("glmDraw() warning: flat render mode requested with no facet normals defined.\n");
        mode &= ~GLM_RENDER_FLAT;
    }
    if ((mode & GLM_RENDER_SMOOTH) && !model->normalData) {
        printf("glmDraw() warning: smooth render mode requested with no normals defined.\n");
        mode &= ~GLM_RENDER_SMOOTH;
    }
    if ((mode & GLM_RENDER_TEXTURE) && !model->texCoordData) {
        printf("glmDraw() warning: texture render mode requested with no texture coordinates defined.\n");
        mode &= ~GLM_RENDER_TEXTURE;
    }
    if ((mode & GLM_RENDER_FLAT) && (mode & GLM_RENDER_SMOOTH)) {
        printf("glmDraw() warning: flat render mode requested and smooth render mode requested (using smooth).\n");
        mode &= ~GLM_RENDER_FLAT;
    }
    if ((mode & GLM_RENDER_COLOR) && !model->materialArray) {
        printf("glmDraw() warning: color render mode requested with no materials defined.\n");
        mode &= ~GLM_RENDER_COLOR;
    }
    if ((mode & GLM_RENDER_MATERIAL) && !model->materialArray) {
        printf("glmDraw() warning: material render mode requested with no materials defined.\n");
        mode &= ~GLM_RENDER_MATERIAL;
    }
    if ((mode & GLM_RENDER_COLOR) && (mode & GLM_RENDER_MATERIAL)) {
        printf("glmDraw() warning: color and material render mode requested using only material mode\n");
        mode &= ~GLM_RENDER_COLOR;
    }
    return mode;
}

// Whether texture mode binds textures: only a model with a texture made changes any state.
static bool bindsTextures(const GlmModel* model, uint32_t mode) {
    if (!(mode & GLM_RENDER_TEXTURE) || !(mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR))) return false;
    for (uint32_t i = 0; i < model->materialCount; i++)
        if (model->materialArray[i].texture) return true;
    return false;
}

// The material whose texture a triangle is drawn with: its own, where the face has texture
// coordinates and the material a texture; null for none.
static const GlmMaterial* textureOf(const GlmModel* model, const GlmTriangle* t) {
    const GlmMaterial* m = &model->materialArray[t->materialIndex];
    return t->texCoordIndex[0] != 0 && m->texture ? m : nullptr;
}

// A material's texture, or none (null); an alpha map cuts out its texels under one half.
static void sendTexture(const GlmMaterial* m) {
    if (m) {
        glBindTexture(GL_TEXTURE_2D, m->texture);
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    if (m && m->textureAlpha) {
        glAlphaFunc(GL_GEQUAL, 0.5f);
        glEnable(GL_ALPHA_TEST);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

// Sends material `index` as the GL material or the current colour, as the mode says.
static void sendMaterial(const GlmModel* model, uint32_t mode, int32_t index) {
    assert(index >= 0 && static_cast<uint32_t>(index) < model->materialCount);
    const GlmMaterial* m = &model->materialArray[index];
    if (mode & GLM_RENDER_MATERIAL) {
        // material calls between glBegin and glEnd are allowed
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m->ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m->diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m->specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m->shininess);
    }
    if (mode & GLM_RENDER_COLOR) glColor3fv(m->diffuse);
}

// Texturing off, before and after a model drawn with textures.
static void texturesOff(bool textures) {
    if (!textures) return;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
}

// What both ways of drawing do first: repair the mode, switch colour material as the
// repaired mode says, and move by drawOffset. Returns the repaired mode.
static uint32_t beginModel(const GlmModel* model, uint32_t mode) {
    mode = repairMode(model, mode);
    if (mode & GLM_RENDER_COLOR) glEnable(GL_COLOR_MATERIAL);
    if (mode & GLM_RENDER_MATERIAL) glDisable(GL_COLOR_MATERIAL);
    glPushMatrix();
    glTranslatef(model->drawOffset[0], model->drawOffset[1], model->drawOffset[2]);
    return mode;
}

// Where the data of one corner is, as the mode asks for it: the facet normal in flat mode,
// the vertex normal in smooth mode; null for what the mode does not send.
struct CornerData {
    const float* texCoord;
    const float* normal;
    const float* vertex;
};

static CornerData cornerOf(const GlmModel* model, uint32_t mode, const GlmTriangle* t, int c) {
    CornerData d = {nullptr, nullptr, nullptr};
    // normal and texture index 0 is legal: a face form without the field
    if (mode & GLM_RENDER_TEXTURE) {
        ASSERT_INDEX(t->texCoordIndex[c], 0, model->texCoordCount);
        d.texCoord = &model->texCoordData[2 * t->texCoordIndex[c]];
    }
    if (mode & GLM_RENDER_FLAT) {
        ASSERT_INDEX(t->facetNormalIndex, 1, model->facetNormalCount);
        d.normal = &model->facetNormalData[3 * t->facetNormalIndex];
    } else if (mode & GLM_RENDER_SMOOTH) {
        ASSERT_INDEX(t->normalIndex[c], 0, model->normalCount);
        d.normal = &model->normalData[3 * t->normalIndex[c]];
    }
    ASSERT_INDEX(t->vertexIndex[c], 1, model->vertexCount);
    d.vertex = &model->vertexData[3 * t->vertexIndex[c]];
    return d;
}

void glmDraw(const GlmModel* model, uint32_t mode) {
    mode = beginModel(model, mode);
    const bool materials = (mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR)) != 0;
    const bool textures = bindsTextures(model, mode);
    const GlmMaterial* bound = nullptr;
    texturesOff(textures);
    glBegin(GL_TRIANGLES);
    for (const GlmGroup* group = model->groupList; group; group = group->next) {
        // the group's material first, then each triangle's own where it changes
        int32_t current = group->materialIndex;
        if (materials) sendMaterial(model, mode, current);
        for (uint32_t i = 0; i < group->triangleCount; i++) {
            const GlmTriangle* t = &model->triangleArray[group->triangleIndices[i]];
            if (materials && t->materialIndex != current) {
                current = t->materialIndex;
                sendMaterial(model, mode, current);
            }
            if (textures && textureOf(model, t) != bound) {
                // a texture is bound outside a batch
                bound = textureOf(model, t);
                glEnd();
                sendTexture(bound);
                glBegin(GL_TRIANGLES);
            }
            // a flat normal once for the triangle, a smooth one for each corner
            if (mode & GLM_RENDER_FLAT) glNormal3fv(cornerOf(model, mode, t, 0).normal);
            for (int c = 0; c < 3; c++) {
                CornerData d = cornerOf(model, mode, t, c);
                if (mode & GLM_RENDER_SMOOTH) glNormal3fv(d.normal);
                if (d.texCoord) glTexCoord2fv(d.texCoord);
                glVertex3fv(d.vertex);
            }
        }
    }
    glEnd();
    texturesOff(textures);
    glPopMatrix();
}

// The corners of up to this many triangles go to OpenGL in one glDrawArrays call.
static const uint32_t trianglesPerDraw = 4096;

static void drawCorners(uint32_t triangles) {
    if (triangles > 0) glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * triangles));
}

// What glmDraw draws, sent as vertex arrays: the triangles of each group in order, in runs
// that share a material, through interleaved corners (texture coordinate, normal, position)
// and glDrawArrays. A display list copies such a call in bulk instead of recording one call
// per normal, coordinate and vertex.
static void drawWithArrays(const GlmModel* model, uint32_t mode) {
    mode = beginModel(model, mode);
    const bool materials = (mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR)) != 0;
    const bool textures = bindsTextures(model, mode);
    const GlmMaterial* bound = nullptr;
    texturesOff(textures);
    const int stride = 8;  // floats a corner
    float* corners = static_cast<float*>(_glmAlloc(static_cast<size_t>(trianglesPerDraw) * 3 * stride * sizeof(float)));
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glInterleavedArrays(GL_T2F_N3F_V3F, stride * sizeof(float), corners);
    if (!(mode & (GLM_RENDER_FLAT | GLM_RENDER_SMOOTH))) glDisableClientState(GL_NORMAL_ARRAY);
    if (!(mode & GLM_RENDER_TEXTURE)) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (const GlmGroup* group = model->groupList; group; group = group->next) {
        int32_t current = group->materialIndex;
        if (materials) sendMaterial(model, mode, current);
        uint32_t filled = 0;
        for (uint32_t i = 0; i < group->triangleCount; i++) {
            const GlmTriangle* t = &model->triangleArray[group->triangleIndices[i]];
            bool switches = materials && t->materialIndex != current;
            bool retextures = textures && textureOf(model, t) != bound;
            if (switches || retextures || filled == trianglesPerDraw) {
                drawCorners(filled);
                filled = 0;
            }
            if (switches) {
                current = t->materialIndex;
                sendMaterial(model, mode, current);
            }
            if (retextures) {
                bound = textureOf(model, t);
                sendTexture(bound);
            }
            for (int c = 0; c < 3; c++) {
                CornerData d = cornerOf(model, mode, t, c);
                float* corner = &corners[(3 * static_cast<size_t>(filled) + c) * stride];
                if (d.texCoord) memcpy(corner, d.texCoord, 2 * sizeof(float));
                if (d.normal) memcpy(corner + 2, d.normal, 3 * sizeof(float));
                memcpy(corner + 5, d.vertex, 3 * sizeof(float));
            }
            filled++;
        }
        drawCorners(filled);
    }
    glPopClientAttrib();
    texturesOff(textures);
    glPopMatrix();
    _glmFree(corners);
}

uint32_t glmCompileList(const GlmModel* model, uint32_t mode) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    drawWithArrays(model, mode);
    glEndList();
    return list;
}
