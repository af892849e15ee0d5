// draw_test.cpp: glmDraw and glmCompileList on a real Mesa context.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include "glm/glm_internal.h"
#include "shell/platform.h"
#include "tests/gl_test_env.h"
#include "tests/test_util.h"

namespace {

// Two quads side by side facing +z: group "left" (x -1..0) and group "right" (x 0..1), each
// with its own material.
const char* const kTwoGroups =
    "mtllib two.mtl\n"
    "v -1 -1 0\nv 0 -1 0\nv 0 1 0\nv -1 1 0\nv 1 -1 0\nv 1 1 0\n"
    "vt 0 0\nvt 1 1\n"
    "g left\nusemtl red\nf 1/1 2/2 3/1 4/2\n"
    "g right\nusemtl blue\nf 2/1 5/2 6/1 3/2\n";
const char* const kTwoMaterials = "newmtl red\nKd 1 0 0\nKa 0 0 0\nnewmtl blue\nKd 0 0 1\nKa 0 0 0\n";

GlmModel* ReadModel(const std::string& obj, const std::string& mtl = "") {
    if (!mtl.empty()) WriteTempFile("two.mtl", mtl);
    std::string path = WriteTempFile("draw.obj", obj);
    return glmReadOBJ(path.c_str());
}

std::string DrawCapturingOutput(const GlmModel* m, uint32_t mode) {
    CapturedOutput captured;
    glmDraw(m, mode);
    captured.Restore();
    return captured.out;
}

struct DrawContext : ::testing::Test {
    GlTestContext context;
    int size = 64;
    void SetUp() override {
        context = OpenGlTestContext(size, size);
        ASSERT_TRUE(context.window);
        // straight down the z axis onto the unit square, one white directional light
        glViewport(0, 0, size, size);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glDisable(GL_CULL_FACE);
    }
    void TearDown() override { CloseGlTestContext(&context); }
};

TEST_F(DrawContext, ImpossibleModesAreRepairedWithWarnings) {
    GlmModel* bare = ReadModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(DrawCapturingOutput(bare, GLM_RENDER_FLAT),
              "glmDraw() warning: flat render mode requested with no facet normals defined.\n");
    EXPECT_EQ(DrawCapturingOutput(bare, GLM_RENDER_SMOOTH),
              "glmDraw() warning: smooth render mode requested with no normals defined.\n");
    EXPECT_EQ(DrawCapturingOutput(bare, GLM_RENDER_TEXTURE),
              "glmDraw() warning: texture render mode requested with no texture coordinates defined.\n");
    EXPECT_EQ(DrawCapturingOutput(bare, GLM_RENDER_COLOR),
              "glmDraw() warning: color render mode requested with no materials defined.\n");
    EXPECT_EQ(DrawCapturingOutput(bare, GLM_RENDER_MATERIAL),
              "glmDraw() warning: material render mode requested with no materials defined.\n");
    glmDelete(bare);

    GlmModel* full = ReadModel(kTwoGroups, kTwoMaterials);
    glmComputeFacetNormals(full);
    {
        CapturedOutput quiet;
        glmVertexNormals(full, 90);
    }
    EXPECT_EQ(DrawCapturingOutput(full, GLM_RENDER_FLAT | GLM_RENDER_SMOOTH),
              "glmDraw() warning: flat render mode requested and smooth render mode requested (using smooth).\n");
    EXPECT_EQ(DrawCapturingOutput(full, GLM_RENDER_COLOR | GLM_RENDER_MATERIAL),
              "glmDraw() warning: color and material render mode requested using only material mode\n");
    EXPECT_EQ(DrawCapturingOutput(full, GLM_RENDER_SMOOTH | GLM_RENDER_TEXTURE | GLM_RENDER_MATERIAL), "");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glmDelete(full);
}

// Counts the triangles and vertices that reach the rasteriser, through feedback mode.
int FeedbackTriangles(const GlmModel* m, uint32_t mode) {
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glmDraw(m, mode);
    int values = glRenderMode(GL_RENDER);
    int triangles = 0;
    for (int i = 0; i < values;) {
        if (buffer[i] == GL_POLYGON_TOKEN) {
            int n = static_cast<int>(buffer[i + 1]);
            triangles += n == 3;
            i += 2 + 3 * n;
        } else {
            i++;
        }
    }
    return triangles;
}

TEST_F(DrawContext, ModeZeroSendsPositionsOnly) {
    GlmModel* m = ReadModel(kTwoGroups, kTwoMaterials);
    glmComputeFacetNormals(m);
    glNormal3f(0.25f, 0.5f, 0.75f);
    glColor3f(0.1f, 0.2f, 0.3f);
    EXPECT_EQ(FeedbackTriangles(m, 0), 4);
    float normal[4], color[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_COLOR, color);
    EXPECT_FLOAT_EQ(normal[0], 0.25f);
    EXPECT_FLOAT_EQ(color[2], 0.3f);
    // flat mode leaves the last facet normal current
    glmDraw(m, GLM_RENDER_FLAT);
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_FLOAT_EQ(normal[2], 1.0f);
    glmDelete(m);
}

// the colour at a pixel of the left eye buffer
std::vector<int> PixelAt(int x, int y) {
    int w, h;
    unsigned char* rgba = nullptr;
    EXPECT_TRUE(PlatformReadEye(0, &w, &h, &rgba));
    const unsigned char* p = rgba + (static_cast<size_t>(y) * w + x) * 4;
    std::vector<int> out = {p[0], p[1], p[2]};
    free(rgba);
    return out;
}

TEST_F(DrawContext, MaterialModeGivesEachGroupItsMaterial) {
    GlmModel* m = ReadModel(kTwoGroups, kTwoMaterials);
    glmComputeFacetNormals(m);
    {
        CapturedOutput quiet;
        glmVertexNormals(m, 90);
    }
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0, 1, 0);  // would paint both green if colour material stayed on
    glmDraw(m, GLM_RENDER_SMOOTH | GLM_RENDER_MATERIAL);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    // lit head-on by the default light: the diffuse colour, 0.8 of full
    std::vector<int> left = PixelAt(16, 32), right = PixelAt(48, 32);
    EXPECT_GT(left[0], 180);
    EXPECT_LT(left[1] + left[2], 20);
    EXPECT_GT(right[2], 180);
    EXPECT_LT(right[0] + right[1], 20);
    // colour mode turns colour material on
    glmDraw(m, GLM_RENDER_COLOR);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    glmDelete(m);
}

TEST_F(DrawContext, FlatAndSmoothShadeAFoldDifferently) {
    // a gentle fold along x = 0 seen head-on: flat gives each half one colour, smooth a ramp
    GlmModel* m = ReadModel("v -1 -1 0.5\nv 0 -1 0\nv 0 1 0\nv -1 1 0.5\nv 1 -1 0.5\nv 1 1 0.5\n"
                            "f 1 2 3 4\nf 2 5 6 3\n");
    glmComputeFacetNormals(m);
    {
        CapturedOutput quiet;
        glmVertexNormals(m, 90);
    }
    glShadeModel(GL_SMOOTH);
    glmDraw(m, GLM_RENDER_FLAT);
    int flatNearFold = PixelAt(30, 32)[0], flatFar = PixelAt(4, 32)[0];
    glClear(GL_COLOR_BUFFER_BIT);
    glmDraw(m, GLM_RENDER_SMOOTH);
    int smoothNearFold = PixelAt(30, 32)[0], smoothFar = PixelAt(4, 32)[0];
    EXPECT_LE(abs(flatNearFold - flatFar), 1);
    EXPECT_GT(smoothNearFold - smoothFar, 4);
    glmDelete(m);
}

TEST_F(DrawContext, FacesWithoutSomeIndicesDrawInEveryMode) {
    // a face form without texture coordinates or normals leaves index 0, which reads zeros:
    // legal in every mode (the sanitizer build's index checks must accept it)
    GlmModel* m = ReadModel("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvn 0 0 1\n"
                            "f 1/1/1 2/2/1 3/3/1\nf 2 4 3\nf 1//1 2//1 4//1\n");
    glmComputeFacetNormals(m);
    for (uint32_t mode = 0; mode < 32; mode++) {
        CapturedOutput quiet;
        glmDraw(m, mode);
        glDeleteLists(glmCompileList(m, mode), 1);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glmDelete(m);
}

TEST_F(DrawContext, DisplayListAndPartsDrawWhatADirectDrawDraws) {
    // the list records vertex arrays: every mode must draw what immediate mode draws, also
    // with a material switch inside a group, a fold, and texture coordinates; and so must a
    // draw in parts of one triangle with other materials and textures sent between them
    GlmModel* m = ReadModel("mtllib two.mtl\nv -1 -1 0\nv 0 -1 0.5\nv 0 1 0.5\nv -1 1 0\nv 1 -1 0\nv 1 1 0\n"
                            "vt 0 0\nvt 1 0\ng both\nusemtl red\nf 1/1 2/2 3/1 4/2\nusemtl blue\nf 2/1 5/2 6/1 3/2\n",
                            kTwoMaterials);
    glmComputeFacetNormals(m);
    {
        CapturedOutput quiet;
        glmVertexNormals(m, 90);
    }
    glShadeModel(GL_SMOOTH);
    // a checker texture, so that texture coordinates show in the picture
    const unsigned char checker[16] = {255, 255, 255, 255, 64, 64, 64, 255, 64, 64, 64, 255, 255, 255, 255, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, checker);
    glEnable(GL_TEXTURE_2D);
    m->materialArray[2].texture = texture;
    int w, h;
    for (uint32_t mode = 0; mode < 32; mode++) {
        CapturedOutput quiet;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(0.5f, 0.6f, 0.7f);
        glmDraw(m, mode);
        unsigned char *direct = nullptr, *listed = nullptr;
        ASSERT_TRUE(PlatformReadEye(0, &w, &h, &direct));
        GLuint list = glmCompileList(m, mode);
        EXPECT_NE(list, 0u);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(0.5f, 0.6f, 0.7f);
        glCallList(list);
        ASSERT_TRUE(PlatformReadEye(0, &w, &h, &listed));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(0.5f, 0.6f, 0.7f);
        GlmDrawPass* pass = glmStartDraw(m, mode);
        int parts = 1;
        for (; !glmDrawSome(pass, 1); parts++) {
            static const float green[4] = {0, 1, 0, 1};
            if (mode & (GLM_RENDER_MATERIAL | GLM_RENDER_COLOR)) {
                glColor3f(0, 1, 0);
                glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, green);
                if (mode & GLM_RENDER_TEXTURE) glBindTexture(GL_TEXTURE_2D, 0);
            }
        }
        glmEndDraw(pass);
        EXPECT_EQ(parts, 5) << "mode " << mode;  // four triangles, then the end found
        unsigned char* inParts = nullptr;
        ASSERT_TRUE(PlatformReadEye(0, &w, &h, &inParts));
        quiet.Restore();
        EXPECT_EQ(memcmp(direct, listed, static_cast<size_t>(w) * h * 4), 0) << "mode " << mode;
        EXPECT_EQ(memcmp(direct, inParts, static_cast<size_t>(w) * h * 4), 0) << "mode " << mode;
        free(direct);
        free(listed);
        free(inParts);
        if (mode & GLM_RENDER_TEXTURE) glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_2D);
        glDeleteLists(list, 1);
    }
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(1, &texture);
    glmDelete(m);
}

}  // namespace

namespace {

// A torus of 2 * rings * sides triangles in two groups of their own material, at the origin.
std::string TorusObj(int rings, int sides) {
    std::string obj = "mtllib two.mtl\n";
    char line[128];
    for (int i = 0; i < rings; i++)
        for (int j = 0; j < sides; j++) {
            double u = 2 * M_PI * i / rings, w = 2 * M_PI * j / sides, r = 0.6 + 0.25 * cos(w);
            snprintf(line, sizeof line, "v %f %f %f\n", r * cos(u), r * sin(u), 0.25 * sin(w));
            obj += line;
        }
    for (int i = 0; i < rings; i++) {
        if (i == 0 || i == rings / 2) obj += i == 0 ? "g first\nusemtl red\n" : "g second\nusemtl blue\n";
        for (int j = 0; j < sides; j++) {
            int a = i * sides + j + 1, b = (i + 1) % rings * sides + j + 1, c = (i + 1) % rings * sides + (j + 1) % sides + 1,
                d = i * sides + (j + 1) % sides + 1;
            snprintf(line, sizeof line, "f %d %d %d\nf %d %d %d\n", a, b, c, a, c, d);
            obj += line;
        }
    }
    return obj;
}

}  // namespace

// The same, four times as wide, for pictures whose edges matter.
struct WideDrawContext : DrawContext {
    WideDrawContext() { size = 256; }
};

TEST_F(WideDrawContext, ACoarseCopyKeepsTheSilhouetteMaterialsAndGroupsAndRefusesWhatItCannotCopy) {
    GlmModel* m = ReadModel(TorusObj(300, 100), kTwoMaterials);
    glmComputeFacetNormals(m);
    {
        CapturedOutput quiet;
        glmVertexNormals(m, 90);
    }
    GlmModel* coarse = glmSimplify(m, 6000);
    ASSERT_NE(coarse, nullptr);
    EXPECT_LE(coarse->triangleCount, 6000u);
    EXPECT_GE(coarse->triangleCount, 2000u);
    ASSERT_EQ(coarse->materialCount, m->materialCount);
    EXPECT_STREQ(coarse->materialArray[2].name, "blue");
    ASSERT_EQ(coarse->groupCount, 2u);  // newest first, as the model's
    EXPECT_STREQ(coarse->groupList->name, "second");
    EXPECT_EQ(coarse->triangleArray[coarse->groupList->triangleIndices[0]].materialIndex, 2);

    // both drawn smooth in their materials, tilted: the silhouettes overlap almost whole
    glRotatef(50, 1, 0.3f, 0);
    glEnable(GL_DEPTH_TEST);
    unsigned char* pictures[2] = {nullptr, nullptr};
    int w = 0, h = 0;
    for (int i = 0; i < 2; i++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glmDraw(i == 0 ? m : coarse, GLM_RENDER_SMOOTH | GLM_RENDER_MATERIAL);
        ASSERT_TRUE(PlatformReadEye(0, &w, &h, &pictures[i]));
    }
    size_t both = 0, either = 0;
    for (size_t p = 0; p < static_cast<size_t>(w) * h; p++) {
        bool full = memcmp(&pictures[0][4 * p], "\0\0\0", 3) != 0, copy = memcmp(&pictures[1][4 * p], "\0\0\0", 3) != 0;
        both += full && copy;
        either += full || copy;
    }
    EXPECT_GT(either, static_cast<size_t>(w) * h / 10);
    EXPECT_GE(static_cast<double>(both) / either, 0.97);
    free(pictures[0]);
    free(pictures[1]);
    glmDelete(coarse);
    glmDelete(m);

    // nothing to cluster: no triangles allowed, or every vertex on one point
    m = ReadModel("v 1 1 1\nv 1 1 1\nv 1 1 1\nf 1 2 3\n");
    EXPECT_EQ(glmSimplify(m, 0), nullptr);
    EXPECT_EQ(glmSimplify(m, 100), nullptr);
    glmDelete(m);
}

TEST_F(DrawContext, TransparentTrianglesBlendFarToNearAlsoInPartsOfOne) {
    // two half see-through squares, the near red one written first: drawn far to near, the
    // red is on top where they overlap, whole or a triangle (and a few sort steps) at a time
    GlmModel* pair = ReadModel("mtllib two.mtl\nv -1 -1 0.5\nv 1 -1 0.5\nv 1 1 0.5\nv -1 1 0.5\nv -1 -1 -0.5\n"
                               "v 1 -1 -0.5\nv 1 1 -0.5\nv -1 1 -0.5\nusemtl red\nf 1 2 3 4\nusemtl blue\nf 5 6 7 8\n",
                               kTwoMaterials);
    pair->materialArray[1].diffuse[3] = pair->materialArray[2].diffuse[3] = 0.5f;
    for (uint32_t part : {UINT32_MAX, 1u}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        GlmDrawPass* pass = glmStartDraw(pair, GLM_RENDER_COLOR);
        while (!glmDrawSome(pass, part)) {
        }
        glmEndDraw(pass);
        unsigned char centre[4];
        glReadPixels(size / 2, size / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        EXPECT_GT(centre[0], centre[2] + 40) << "parts of " << part;
    }
    glmDelete(pair);
    // a tilted torus, one of its materials half see-through: its far side shows through the
    // near one, the same whether drawn whole or in parts
    GlmModel* m = ReadModel(TorusObj(24, 12), kTwoMaterials);
    m->materialArray[1].diffuse[3] = 0.5f;
    glRotatef(60, 1, 0.3f, 0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    unsigned char* pictures[3] = {nullptr, nullptr, nullptr};
    int w = 0, h = 0;
    for (int i = 0; i < 3; i++) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        GlmDrawPass* pass = glmStartDraw(m, i == 2 ? GLM_RENDER_COLOR : GLM_RENDER_MATERIAL);
        while (!glmDrawSome(pass, i == 0 ? UINT32_MAX : 1)) {
        }
        glmEndDraw(pass);
        ASSERT_TRUE(PlatformReadEye(0, &w, &h, &pictures[i]));
    }
    EXPECT_EQ(memcmp(pictures[0], pictures[1], static_cast<size_t>(w) * h * 4), 0);
    // blended: the red half (material 1) mixes with what is behind it, so some of its pixels
    // carry blue or a red between the opaque red and black
    size_t mixed = 0;
    for (size_t p = 0; p < static_cast<size_t>(w) * h; p++) mixed += pictures[2][4 * p] > 20 && pictures[2][4 * p + 2] > 20;
    EXPECT_GT(mixed, 20u);
    for (unsigned char* p : pictures) free(p);
    glmDelete(m);
}
