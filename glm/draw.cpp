// draw.cpp: sending a model to OpenGL in one triangle batch, and compiling it into a list.
#include <GL/gl.h>
#include <assert.h>
#include <stdio.h>
#include "glm/glm_internal.h"

// the readers refuse indices outside their arrays; drawing relies on it
#define ASSERT_INDEX(index, lowest, count) assert((index) >= (lowest) && static_cast<uint32_t>(index) <= (count))

// Clears the bits that ask for missing data or exclude each other, with a warning each.
static uint32_t RepairMode(const GlmModel* model, uint32_t mode) {
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

// Sends material `index` as the GL material or the current colour, as the mode says.
static void SendMaterial(const GlmModel* model, uint32_t mode, int32_t index) {
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

void glmDraw(const GlmModel* model, uint32_t mode) {
    mode = RepairMode(model, mode);
    if (mode & GLM_RENDER_COLOR) glEnable(GL_COLOR_MATERIAL);
    if (mode & GLM_RENDER_MATERIAL) glDisable(GL_COLOR_MATERIAL);
    const bool materials = (mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR)) != 0;

    glPushMatrix();
    glTranslatef(model->drawOffset[0], model->drawOffset[1], model->drawOffset[2]);
    glBegin(GL_TRIANGLES);
    for (const GlmGroup* group = model->groupList; group; group = group->next) {
        // the group's material first, then each triangle's own where it changes
        int32_t current = group->materialIndex;
        if (materials) SendMaterial(model, mode, current);
        for (uint32_t i = 0; i < group->triangleCount; i++) {
            const GlmTriangle* t = &model->triangleArray[group->triangleIndices[i]];
            if (materials && t->materialIndex != current) {
                current = t->materialIndex;
                SendMaterial(model, mode, current);
            }
            if (mode & GLM_RENDER_FLAT) {
                ASSERT_INDEX(t->facetNormalIndex, 1, model->facetNormalCount);
                glNormal3fv(&model->facetNormalData[3 * t->facetNormalIndex]);
            }
            for (int c = 0; c < 3; c++) {
                // normal and texture index 0 is legal: a face form without the field
                if (mode & GLM_RENDER_SMOOTH) {
                    ASSERT_INDEX(t->normalIndex[c], 0, model->normalCount);
                    glNormal3fv(&model->normalData[3 * t->normalIndex[c]]);
                }
                if (mode & GLM_RENDER_TEXTURE) {
                    ASSERT_INDEX(t->texCoordIndex[c], 0, model->texCoordCount);
                    glTexCoord2fv(&model->texCoordData[2 * t->texCoordIndex[c]]);
                }
                ASSERT_INDEX(t->vertexIndex[c], 1, model->vertexCount);
                glVertex3fv(&model->vertexData[3 * t->vertexIndex[c]]);
            }
        }
    }
    glEnd();
    glPopMatrix();
}

uint32_t glmCompileList(const GlmModel* model, uint32_t mode) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glmDraw(model, mode);
    glEndList();
    return list;
}
