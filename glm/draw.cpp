// draw.cpp: sending a model to OpenGL in one triangle batch, and compiling it into a list.
#include <GL/gl.h>
#include <assert.h>
#include <stdio.h>
#include <string.h>
#include "glm/glm_internal.h"

// the readers refuse indices outside their arrays; drawing relies on it
#define ASSERT_INDEX(index, lowest, count) assert((index) >= (lowest) && static_cast<uint32_t>(index) <= (count))

namespace {

// Clears the bits that ask for missing data or exclude each other, with a warning each, in
// this order.
uint32_t repairMode(const GlmModel* model, uint32_t mode) {
    const struct {
        uint32_t bit;
        bool missing;      // the data it asks for is missing
        uint32_t excludes; // or this bit is set, as the mode stands by then
        const char* warning;
    } repairs[7] = {
        {GLM_RENDER_FLAT, !model->facetNormalData, 0, "flat render mode requested with no facet normals defined."},
        {GLM_RENDER_SMOOTH, !model->normalData, 0, "smooth render mode requested with no normals defined."},
        {GLM_RENDER_TEXTURE, !model->texCoordData, 0, "texture render mode requested with no texture coordinates defined."},
        {GLM_RENDER_FLAT, false, GLM_RENDER_SMOOTH, "flat render mode requested and smooth render mode requested (using smooth)."},
        {GLM_RENDER_COLOR, !model->materialArray, 0, "color render mode requested with no materials defined."},
        {GLM_RENDER_MATERIAL, !model->materialArray, 0, "material render mode requested with no materials defined."},
        {GLM_RENDER_COLOR, false, GLM_RENDER_MATERIAL, "color and material render mode requested using only material mode"},
    };
    for (const auto& r : repairs)
        if ((mode & r.bit) && (r.missing || (mode & r.excludes))) {
            printf("glmDraw() warning: %s\n", r.warning);
            mode &= ~r.bit;
        }
    return mode;
}

// Whether texture mode binds textures: only a model with a texture made changes any state.
bool bindsTextures(const GlmModel* model, uint32_t mode) {
    if (!(mode & GLM_RENDER_TEXTURE) || !(mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR))) return false;
    for (uint32_t i = 0; i < model->materialCount; i++)
        if (model->materialArray[i].texture) return true;
    return false;
}

// The material whose texture a triangle is drawn with: its own, where the face has texture
// coordinates and the material a texture; null for none.
const GlmMaterial* textureOf(const GlmModel* model, const GlmTriangle* t) {
    const GlmMaterial* m = &model->materialArray[t->materialIndex];
    return t->texCoordIndex[0] != 0 && m->texture ? m : nullptr;
}

// A material's texture, or none (null); an alpha map cuts out its texels under one half.
void sendTexture(const GlmMaterial* m) {
    if (m) {
        glBindTexture(GL_TEXTURE_2D, m->texture);
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
    if (m && m->textureAlpha && !m->blended) {
        glAlphaFunc(GL_GEQUAL, 0.5f);
        glEnable(GL_ALPHA_TEST);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

const float noLight[4] = {0, 0, 0, 1};

// Whether material mode sends emission: only a model with a material that glows changes any state.
bool sendsEmission(const GlmModel* model, uint32_t mode) {
    if (!(mode & GLM_RENDER_MATERIAL)) return false;
    for (uint32_t i = 0; i < model->materialCount; i++) {
        const float* e = model->materialArray[i].emission;
        if (e[0] != 0 || e[1] != 0 || e[2] != 0) return true;
    }
    return false;
}

// Sends material `index` as the GL material or the current colour, as the mode says.
// `emission`: 0 none sent, 1 each material's, 2 each material's but none for those whose
// emission map is drawn after them.
void sendMaterial(const GlmModel* model, uint32_t mode, int32_t index, int emission) {
    assert(index >= 0 && static_cast<uint32_t>(index) < model->materialCount);
    const GlmMaterial* m = &model->materialArray[index];
    if (mode & GLM_RENDER_MATERIAL) {
        // material calls between glBegin and glEnd are allowed
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m->ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m->diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m->specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m->shininess);
        if (emission) glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission == 2 && m->emissionTexture ? noLight : m->emission);
    }
    if (mode & GLM_RENDER_COLOR) {
        if (m->diffuse[3] < 1.0f)
            glColor4fv(m->diffuse);
        else
            glColor3fv(m->diffuse);
    }
}

// No more light of its own, after a model that glows.
void emissionOff(bool emission) {
    if (emission) glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, noLight);
}

// Texturing off, before and after a model drawn with textures.
void texturesOff(bool textures) {
    if (!textures) return;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
}

// What both ways of drawing do first: repair the mode, switch colour material as the
// repaired mode says, and move by drawOffset. Returns the repaired mode.
uint32_t beginModel(const GlmModel* model, uint32_t mode) {
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

CornerData cornerOf(const GlmModel* model, uint32_t mode, const GlmTriangle* t, int c) {
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

// A run of one group's triangles drawn alike, and what to send before them: the group's
// material where the group starts, the first triangle's material where it changes, its
// texture where it changes.
struct Run {
    const GlmGroup* group;
    uint32_t begin, end;      // triangles of the group, by their place in it
    bool groupStarts;         // send the group's material
    bool materialChanges;     // then send `material`
    int32_t material;
    bool textureChanges;      // then bind `texture` (null: none)
    const GlmMaterial* texture;
};

// The walk over a model's runs, group after group, for both ways of drawing.
struct RunWalk {
    const GlmModel* model;
    bool materials, textures; // whether materials and textures change between runs
    int emission;             // what materials send of their emission (sendMaterial's)
    const GlmGroup* group;    // the group being walked, or null at the end
    uint32_t next;            // its next triangle
    int32_t current;          // the material sent last
    const GlmMaterial* bound; // the texture bound last
};

RunWalk walkRuns(const GlmModel* model, uint32_t mode) {
    return RunWalk{model, (mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR)) != 0, bindsTextures(model, mode),
                   sendsEmission(model, mode) ? (bindsTextures(model, mode) ? 2 : 1) : 0, model->groupList, 0, 0, nullptr};
}

// The next run (an empty group is one run of no triangles); false after the last.
bool nextRun(RunWalk* w, Run* run) {
    if (!w->group) return false;
    const GlmModel* model = w->model;
    const GlmGroup* group = w->group;
    *run = Run{group, w->next, w->next, w->next == 0, false, 0, false, nullptr};
    if (run->groupStarts) w->current = group->materialIndex;
    auto triangle = [&](uint32_t i) { return &model->triangleArray[group->triangleIndices[i]]; };
    if (w->next < group->triangleCount) {
        const GlmTriangle* t = triangle(w->next);
        if (w->materials && t->materialIndex != w->current) {
            run->materialChanges = true;
            run->material = w->current = t->materialIndex;
        }
        if (w->textures && textureOf(model, t) != w->bound) {
            run->textureChanges = true;
            run->texture = w->bound = textureOf(model, t);
        }
    }
    uint32_t end = w->next;
    while (end < group->triangleCount && (!w->materials || triangle(end)->materialIndex == w->current) &&
           (!w->textures || textureOf(model, triangle(end)) == w->bound))
        end++;
    run->end = w->next = end;
    if (end == group->triangleCount) {
        w->group = group->next;
        w->next = 0;
    }
    return true;
}

}  // namespace

void glmDraw(const GlmModel* model, uint32_t mode) {
    mode = beginModel(model, mode);
    RunWalk walk = walkRuns(model, mode);
    texturesOff(walk.textures);
    glBegin(GL_TRIANGLES);
    for (Run run; nextRun(&walk, &run);) {
        if (walk.materials && run.groupStarts) sendMaterial(model, mode, run.group->materialIndex, walk.emission);
        if (run.materialChanges) sendMaterial(model, mode, run.material, walk.emission);
        if (run.textureChanges) {
            // a texture is bound outside a batch
            glEnd();
            sendTexture(run.texture);
            glBegin(GL_TRIANGLES);
        }
        for (uint32_t i = run.begin; i < run.end; i++) {
            const GlmTriangle* t = &model->triangleArray[run.group->triangleIndices[i]];
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
    texturesOff(walk.textures);
    emissionOff(walk.emission);
    glPopMatrix();
}

// The corners of up to this many triangles go to OpenGL in one glDrawArrays call.
static const uint32_t trianglesPerDraw = 4096;
// texture coordinate, colour (where the vertices have colours), normal, position
static const int cornerFloats = 12;

// A draw that may be sent in parts: the walk over the runs, where it stands in its run, and
// the corners not sent yet.
struct GlmDrawPass {
    const GlmModel* model;
    uint32_t mode;       // repaired once, at the start
    RunWalk walk;
    Run run;
    uint32_t next;       // the run's next triangle
    bool started;        // a part was sent: the next one sends the state it left first
    bool trianglesDone;  // the opaque triangles are sent; then, in this order:
    uint32_t* glowing;   // those with emission maps again, `nextGlowing` of `glowingCount`
    uint32_t glowingCount, nextGlowing;
    bool sorts;          // the transparent ones (where there may be some), once counted and
    uint32_t* sorted;    // sorted far to near (sortSome), `nextSorted` of `sortedCount`
    uint32_t sortedCount, nextSorted;
    uint32_t* keys;      // their depths as keys, sorted along with them (two halves each)
    int sortStage;       // how far the sort is (sortSome's)
    uint32_t sortPos, sortFilled, starts[257];
    float view[16];      // the modelview matrix when the pass started, the depths' view
    uint32_t element;    // and last the segments and points, this many sent
    bool done;
    bool colors;         // corners carry their vertex's colour
    int stride;          // floats a corner
    float* corners;      // trianglesPerDraw triangles' corners
    uint32_t filled;     // triangles in `corners`
};

namespace {

void drawCorners(GlmDrawPass* pass) {
    if (pass->filled > 0) glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * pass->filled));
    pass->filled = 0;
}

// The colour a vertex is drawn in: its own, times its material's diffuse colour where
// materials are drawn.
void vertexColor(const GlmDrawPass* pass, int32_t vertex, int32_t material, float* rgba) {
    const GlmModel* model = pass->model;
    const float* base = pass->walk.materials ? model->materialArray[material].diffuse : nullptr;
    for (int k = 0; k < 3; k++) rgba[k] = model->colorData[3 * static_cast<size_t>(vertex) + k] * (base ? base[k] : 1.0f);
    rgba[3] = base ? base[3] : 1.0f;
}

void addTriangle(GlmDrawPass* pass, const GlmTriangle* t) {
    if (pass->filled == trianglesPerDraw) drawCorners(pass);
    const int n = pass->colors ? 4 : 0;  // the colour's floats
    for (int c = 0; c < 3; c++) {
        CornerData d = cornerOf(pass->model, pass->mode, t, c);
        float* corner = &pass->corners[(3 * static_cast<size_t>(pass->filled) + c) * pass->stride];
        if (d.texCoord) memcpy(corner, d.texCoord, 2 * sizeof(float));
        if (n) vertexColor(pass, t->vertexIndex[c], t->materialIndex, corner + 2);
        if (d.normal) memcpy(corner + 2 + n, d.normal, 3 * sizeof(float));
        memcpy(corner + 5 + n, d.vertex, 3 * sizeof(float));
    }
    pass->filled++;
}

// One corner of a segment or point: its colour where it has one, else its material's (the
// current colour without materials), unlit.
void sendElementCorner(const GlmDrawPass* pass, int32_t vertex, int32_t material) {
    const GlmModel* model = pass->model;
    float rgba[4];
    if (pass->colors) {
        vertexColor(pass, vertex, material, rgba);
        glColor4fv(rgba);
    } else if (pass->walk.materials) {
        glColor4fv(model->materialArray[material].diffuse);
    }
    glVertex3fv(&model->vertexData[3 * static_cast<size_t>(vertex)]);
}

// Up to `count` of the segments and then the points, after the triangles: one pixel wide,
// three across, unlit and untextured. Returns how many it sent.
uint32_t drawElements(GlmDrawPass* pass, uint32_t count) {
    const GlmModel* model = pass->model;
    const uint32_t total = model->lineCount + model->pointCount;
    if (pass->element >= total || count == 0) return 0;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(1.0f);
    glPointSize(3.0f);
    const uint32_t end = total - pass->element < count ? total : pass->element + count;
    const uint32_t sent = end - pass->element;
    if (pass->element < model->lineCount) {
        glBegin(GL_LINES);
        for (; pass->element < end && pass->element < model->lineCount; pass->element++) {
            const GlmLine* l = &model->lineArray[pass->element];
            ASSERT_INDEX(l->vertexIndex[0], 1, model->vertexCount);
            ASSERT_INDEX(l->vertexIndex[1], 1, model->vertexCount);
            sendElementCorner(pass, l->vertexIndex[0], l->materialIndex);
            sendElementCorner(pass, l->vertexIndex[1], l->materialIndex);
        }
        glEnd();
    }
    if (pass->element < end) {
        glBegin(GL_POINTS);
        for (; pass->element < end; pass->element++) {
            const GlmPoint* p = &model->pointArray[pass->element - model->lineCount];
            ASSERT_INDEX(p->vertexIndex, 1, model->vertexCount);
            sendElementCorner(pass, p->vertexIndex, p->materialIndex);
        }
        glEnd();
    }
    glPopAttrib();
    return sent;
}

// Whether a material is drawn blended, after the opaque ones.
bool isTransparent(const RunWalk& walk, const GlmMaterial* m) {
    return m->diffuse[3] < 1.0f || (walk.textures && m->blended && m->texture);
}

bool anyTransparent(const RunWalk& walk) {
    for (uint32_t i = 0; i < walk.model->materialCount; i++)
        if (isTransparent(walk, &walk.model->materialArray[i])) return true;
    return false;
}

const uint32_t sortStepsPerTriangle = 16;

// A sort of the transparent triangles, far to near by the depth of their centres in the view
// the pass starts in, done by sortSome.
void startSort(GlmDrawPass* pass) {
    pass->sorts = true;
    glGetFloatv(GL_MODELVIEW_MATRIX, pass->view);
}

const int sortDone = 10;

// Sorts on by up to `*budget` steps (a triangle looked at, a key counted or moved), taking
// them from the budget, so that a large model's sort is spread over several parts. Stage 0
// counts the transparent triangles and makes room for them; stage 1 makes each one's key, the
// depth of its centre as an unsigned that sorts as the float does; stages 2 to 9 count and
// then move the keys by each of their four bytes (a radix sort), between the two halves of
// `keys` and `sorted`. True once sorted, the order in the first half of `sorted`.
bool sortSome(GlmDrawPass* pass, uint32_t* budget) {
    const GlmModel* model = pass->model;
    auto transparent = [&](const GlmTriangle* t) { return isTransparent(pass->walk, &model->materialArray[t->materialIndex]); };
    while (pass->sortStage < sortDone && *budget > 0) {
        if (pass->sortStage == 0) {
            for (; pass->sortPos < model->triangleCount && *budget > 0; pass->sortPos++, (*budget)--)
                pass->sortedCount += transparent(&model->triangleArray[pass->sortPos]);
        } else if (pass->sortStage == 1) {
            const float* m = pass->view;
            uint32_t k = pass->sortFilled;
            // a key reads three vertices from anywhere in the model: four steps
            for (; pass->sortPos < model->triangleCount && *budget > 0; pass->sortPos++, (*budget)--) {
                const GlmTriangle* t = &model->triangleArray[pass->sortPos];
                if (!transparent(t)) continue;
                *budget -= *budget < 4 ? *budget - 1 : 3;
                float z = 0;
                for (int c = 0; c < 3; c++) {
                    const float* v = &model->vertexData[3 * t->vertexIndex[c]];
                    z += m[2] * v[0] + m[6] * v[1] + m[10] * v[2];
                }
                uint32_t bits;
                memcpy(&bits, &z, sizeof bits);
                pass->keys[k] = bits & 0x80000000u ? ~bits : bits | 0x80000000u;
                pass->sorted[k++] = pass->sortPos;
            }
            pass->sortFilled = k;
        } else {
            // even stages count a byte's values, odd ones move the keys by them
            const uint32_t count = pass->sortedCount;
            const int radix = pass->sortStage - 2, shift = 8 * (radix / 2);
            const bool back = (radix / 2) % 2 == 1;
            uint32_t *fromKeys = pass->keys + (back ? count : 0), *toKeys = pass->keys + (back ? 0 : count);
            uint32_t *from = pass->sorted + (back ? count : 0), *to = pass->sorted + (back ? 0 : count);
            if (radix % 2 == 0) {
                if (pass->sortPos == 0) memset(pass->starts, 0, sizeof pass->starts);
                for (; pass->sortPos < count && *budget > 0; pass->sortPos++, (*budget)--)
                    pass->starts[((fromKeys[pass->sortPos] >> shift) & 255) + 1]++;
                if (pass->sortPos == count)
                    for (int b = 0; b < 256; b++) pass->starts[b + 1] += pass->starts[b];
            } else {
                for (; pass->sortPos < count && *budget > 0; pass->sortPos++, (*budget)--) {
                    const uint32_t at = pass->starts[(fromKeys[pass->sortPos] >> shift) & 255]++;
                    toKeys[at] = fromKeys[pass->sortPos];
                    to[at] = from[pass->sortPos];
                }
            }
        }
        const uint32_t stageEnd = pass->sortStage <= 1 ? model->triangleCount : pass->sortedCount;
        if (pass->sortPos < stageEnd) continue;
        pass->sortPos = 0;
        pass->sortStage++;
        if (pass->sortStage == 1 && pass->sortedCount == 0) pass->sortStage = sortDone;
        if (pass->sortStage == 1) {
            pass->sorted = static_cast<uint32_t*>(_glmAlloc(2 * static_cast<size_t>(pass->sortedCount) * sizeof(uint32_t)));
            pass->keys = static_cast<uint32_t*>(_glmAlloc(2 * static_cast<size_t>(pass->sortedCount) * sizeof(uint32_t)));
        }
    }
    return pass->sortStage == sortDone;
}

// Whether the transparent triangles are sent (or there are none).
bool transparentDone(const GlmDrawPass* pass) {
    return !pass->sorts || (pass->sortStage == sortDone && pass->nextSorted == pass->sortedCount);
}

// The opaque triangles whose materials have emission maps, to draw again with them.
void findGlowing(GlmDrawPass* pass) {
    const GlmModel* model = pass->model;
    auto glows = [&](const GlmTriangle* t) {
        const GlmMaterial* m = &model->materialArray[t->materialIndex];
        return m->emissionTexture && t->texCoordIndex[0] != 0 && !isTransparent(pass->walk, m);
    };
    uint32_t count = 0;
    for (uint32_t i = 0; i < model->triangleCount; i++) count += glows(&model->triangleArray[i]);
    if (count == 0) return;
    pass->glowing = static_cast<uint32_t*>(_glmAlloc(static_cast<size_t>(count) * sizeof(uint32_t)));
    for (uint32_t i = 0; i < model->triangleCount; i++)
        if (glows(&model->triangleArray[i])) pass->glowing[pass->glowingCount++] = i;
}

// Up to `count` of those: their emission maps times Ke (white where Ke is black) added to
// what is drawn, unlit. Returns how many it sent.
uint32_t drawGlowing(GlmDrawPass* pass, uint32_t count) {
    const GlmModel* model = pass->model;
    if (pass->nextGlowing == pass->glowingCount || count == 0) return 0;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    if (pass->colors) glDisableClientState(GL_COLOR_ARRAY);
    int32_t material = -1;
    uint32_t sent = 0;
    for (; pass->nextGlowing < pass->glowingCount && sent < count; pass->nextGlowing++, sent++) {
        const GlmTriangle* t = &model->triangleArray[pass->glowing[pass->nextGlowing]];
        if (t->materialIndex != material) {
            drawCorners(pass);
            const GlmMaterial* m = &model->materialArray[material = t->materialIndex];
            glBindTexture(GL_TEXTURE_2D, m->emissionTexture);
            const bool black = m->emission[0] == 0 && m->emission[1] == 0 && m->emission[2] == 0;
            glColor3f(black ? 1.0f : m->emission[0], black ? 1.0f : m->emission[1], black ? 1.0f : m->emission[2]);
        }
        addTriangle(pass, t);
    }
    drawCorners(pass);
    if (pass->colors) glEnableClientState(GL_COLOR_ARRAY);
    glPopAttrib();
    return sent;
}

// Up to `count` of the transparent triangles, far to near, blended, without writing depth;
// each one's material and texture sent where they change. Returns how many it sent.
uint32_t drawTransparent(GlmDrawPass* pass, uint32_t count) {
    const GlmModel* model = pass->model;
    RunWalk& walk = pass->walk;
    if (transparentDone(pass) || count == 0) return 0;
    // a sort step costs about a sixteenth of drawing a triangle
    const uint64_t steps = static_cast<uint64_t>(count) * sortStepsPerTriangle;
    uint32_t left = static_cast<uint32_t>(steps < UINT32_MAX ? steps : UINT32_MAX);
    const uint32_t given = left;
    if (!sortSome(pass, &left)) return count;
    const uint32_t sorting = (given - left + sortStepsPerTriangle - 1) / sortStepsPerTriangle;
    count = count > sorting ? count - sorting : 0;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    uint32_t sent = 0;
    for (; pass->nextSorted < pass->sortedCount && sent < count; pass->nextSorted++, sent++) {
        const GlmTriangle* t = &model->triangleArray[pass->sorted[pass->nextSorted]];
        if (t->materialIndex != walk.current) {
            drawCorners(pass);
            sendMaterial(model, pass->mode, walk.current = t->materialIndex, walk.emission);
        }
        if (walk.textures && textureOf(model, t) != walk.bound) {
            drawCorners(pass);
            sendTexture(walk.bound = textureOf(model, t));
        }
        addTriangle(pass, t);
    }
    drawCorners(pass);
    glPopAttrib();
    return sorting + sent;
}

// The next run's state, sent after the corners before it.
bool nextPassRun(GlmDrawPass* pass) {
    RunWalk& walk = pass->walk;
    Run& run = pass->run;
    if (!nextRun(&walk, &run)) return false;
    if (run.groupStarts || run.materialChanges || run.textureChanges) drawCorners(pass);
    if (walk.materials && run.groupStarts) sendMaterial(pass->model, pass->mode, run.group->materialIndex, walk.emission);
    if (run.materialChanges) sendMaterial(pass->model, pass->mode, run.material, walk.emission);
    if (run.textureChanges) sendTexture(run.texture);
    pass->next = run.begin;
    return true;
}

}  // namespace

// What glmDraw draws, sent as vertex arrays: the same runs, through interleaved corners and
// glDrawArrays. A display list copies such a call in bulk instead of recording one call per
// normal, coordinate and vertex.
GlmDrawPass* glmStartDraw(const GlmModel* model, uint32_t mode) {
    GlmDrawPass* pass = static_cast<GlmDrawPass*>(_glmAlloc(sizeof(GlmDrawPass)));
    *pass = GlmDrawPass();
    pass->model = model;
    pass->mode = repairMode(model, mode);
    pass->walk = walkRuns(model, pass->mode);
    pass->colors = model->colorData != nullptr;
    // transparent materials only count where materials are drawn (their order is the view's),
    // emission maps where textures are
    bool glowing = false;
    for (uint32_t i = 0; i < model->materialCount; i++) glowing = glowing || model->materialArray[i].emissionTexture != 0;
    if (pass->walk.materials && anyTransparent(pass->walk)) startSort(pass);
    if (pass->walk.textures && glowing) findGlowing(pass);
    pass->stride = pass->colors ? 12 : 8;
    pass->corners = static_cast<float*>(_glmAlloc(static_cast<size_t>(trianglesPerDraw) * 3 * cornerFloats * sizeof(float)));
    return pass;
}

bool glmDrawSome(GlmDrawPass* pass, uint32_t triangles) {
    if (pass->done) return true;
    const GlmModel* model = pass->model;
    const uint32_t mode = pass->mode;
    RunWalk& walk = pass->walk;
    if (mode & GLM_RENDER_COLOR) glEnable(GL_COLOR_MATERIAL);
    if (mode & GLM_RENDER_MATERIAL) glDisable(GL_COLOR_MATERIAL);
    glPushMatrix();
    glTranslatef(model->drawOffset[0], model->drawOffset[1], model->drawOffset[2]);
    if (!pass->started) {
        texturesOff(walk.textures);
    } else {
        // what the parts before left, which other drawing may have changed since
        if (walk.materials) sendMaterial(model, mode, walk.current, walk.emission);
        if (walk.textures) sendTexture(walk.bound);
    }
    pass->started = true;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    // vertex colours: the diffuse colour (times the material's) through colour material
    if (pass->colors) {
        glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT);
        if (mode & GLM_RENDER_MATERIAL) glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
    }
    glInterleavedArrays(pass->colors ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F, pass->stride * sizeof(float), pass->corners);
    if (!(mode & (GLM_RENDER_FLAT | GLM_RENDER_SMOOTH))) glDisableClientState(GL_NORMAL_ARRAY);
    if (!(mode & GLM_RENDER_TEXTURE)) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    uint32_t sent = 0;
    while (sent < triangles && !pass->trianglesDone) {
        if (pass->next == pass->run.end && !nextPassRun(pass)) {
            pass->trianglesDone = true;
            break;
        }
        // a transparent run waits for the sorted ones
        if (pass->sorts && isTransparent(walk, &model->materialArray[walk.current])) pass->next = pass->run.end;
        for (; pass->next < pass->run.end && sent < triangles; pass->next++, sent++)
            addTriangle(pass, &model->triangleArray[pass->run.group->triangleIndices[pass->next]]);
    }
    drawCorners(pass);
    if (pass->trianglesDone) sent += drawGlowing(pass, triangles - sent);
    if (pass->trianglesDone && pass->nextGlowing == pass->glowingCount) sent += drawTransparent(pass, triangles - sent);
    if (pass->colors) glPopAttrib();
    glPopClientAttrib();
    if (pass->trianglesDone && pass->nextGlowing == pass->glowingCount && transparentDone(pass)) {
        sent += drawElements(pass, triangles - sent);
        pass->done = pass->element == model->lineCount + model->pointCount;
    }
    texturesOff(walk.textures);
    emissionOff(walk.emission);
    glPopMatrix();
    return pass->done;
}

void glmEndDraw(GlmDrawPass* pass) {
    if (!pass) return;
    _glmFree(pass->sorted);
    _glmFree(pass->keys);
    _glmFree(pass->glowing);
    _glmFree(pass->corners);
    _glmFree(pass);
}

bool glmDrawsSorted(const GlmModel* model, uint32_t mode) {
    if (!model->materialArray || !(mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR))) return false;
    if (!model->texCoordData) mode &= ~GLM_RENDER_TEXTURE;
    return anyTransparent(walkRuns(model, mode));
}

uint32_t glmCompileList(const GlmModel* model, uint32_t mode) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    GlmDrawPass* pass = glmStartDraw(model, mode);
    glmDrawSome(pass, UINT32_MAX);
    glmEndDraw(pass);
    glEndList();
    return list;
}
