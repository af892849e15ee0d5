// geometry_test.cpp: unit-cube fitting, facet normals and crease-angle vertex normals.
#include <gtest/gtest.h>
#include <math.h>
#include <string>
#include <vector>
#include "glm/glm_internal.h"
#include "tests/test_util.h"

namespace {

// A model made by hand: vertices (1-based in the model) and triangles of vertex indices.
GlmModel* MakeModel(const std::vector<std::vector<float>>& vertices, const std::vector<std::vector<int>>& triangles) {
    GlmModel* m = static_cast<GlmModel*>(_glmCalloc(1, sizeof(GlmModel)));
    m->objPath = _glmStrdup("made.obj");
    m->vertexCount = static_cast<uint32_t>(vertices.size());
    m->vertexData = static_cast<float*>(_glmCalloc((vertices.size() + 1) * 3, sizeof(float)));
    for (size_t i = 0; i < vertices.size(); i++)
        for (int a = 0; a < 3; a++) m->vertexData[3 * (i + 1) + a] = vertices[i][a];
    m->triangleCount = static_cast<uint32_t>(triangles.size());
    m->triangleArray = static_cast<GlmTriangle*>(_glmCalloc(triangles.size(), sizeof(GlmTriangle)));
    for (size_t i = 0; i < triangles.size(); i++)
        for (int c = 0; c < 3; c++) m->triangleArray[i].vertexIndex[c] = triangles[i][c];
    return m;
}

std::vector<float> Entry(const float* data, int32_t index) {
    return {data[3 * index], data[3 * index + 1], data[3 * index + 2]};
}

void ExpectVector(const std::vector<float>& got, float x, float y, float z) {
    EXPECT_NEAR(got[0], x, 1e-6);
    EXPECT_NEAR(got[1], y, 1e-6);
    EXPECT_NEAR(got[2], z, 1e-6);
}

// Runs facet and vertex normals and returns what glmVertexNormals printed.
CapturedOutput Normals(GlmModel* m, float angle) {
    glmComputeFacetNormals(m);
    CapturedOutput captured;
    glmVertexNormals(m, angle);
    captured.Restore();
    return captured;
}

TEST(FitUnitCube, CentresAndScalesByTheTrueExtents) {
    // straddles the origin on x: extents 4, 2, 2, centre (1, 0, 0)
    GlmModel* m = MakeModel({{-1, -1, -1}, {3, 1, 1}}, {});
    EXPECT_FLOAT_EQ(glmFitUnitCube(m), 0.5f);
    ExpectVector(Entry(m->vertexData, 1), -1, -0.5f, -0.5f);
    ExpectVector(Entry(m->vertexData, 2), 1, 0.5f, 0.5f);
    glmDelete(m);

    // off the origin (a CAD part in world coordinates): the widest axis still spans -1..1
    m = MakeModel({{2, 0, 0}, {4, 0, 0}}, {});
    EXPECT_FLOAT_EQ(glmFitUnitCube(m), 1.0f);
    ExpectVector(Entry(m->vertexData, 1), -1, 0, 0);
    ExpectVector(Entry(m->vertexData, 2), 1, 0, 0);
    glmDelete(m);
    m = MakeModel({{1000, 2000, 3000}, {1010, 2004, 3002}}, {});
    EXPECT_FLOAT_EQ(glmFitUnitCube(m), 0.2f);
    ExpectVector(Entry(m->vertexData, 1), -1, -0.4f, -0.2f);
    ExpectVector(Entry(m->vertexData, 2), 1, 0.4f, 0.2f);
    glmDelete(m);
}

TEST(FitUnitCube, DegenerateAndExtremeModelsStayFinite) {
    GlmModel* m = MakeModel({}, {});
    EXPECT_EQ(glmFitUnitCube(m), 1.0f);
    glmDelete(m);

    // every vertex on one point: all extents 0, nothing to scale by; the model is centred
    m = MakeModel({{0, 0, 0}, {0, 0, 0}}, {});
    EXPECT_EQ(glmFitUnitCube(m), 1.0f);
    ExpectVector(Entry(m->vertexData, 2), 0, 0, 0);
    glmDelete(m);
    m = MakeModel({{5, -2, 7}, {5, -2, 7}}, {});
    EXPECT_EQ(glmFitUnitCube(m), 1.0f);
    ExpectVector(Entry(m->vertexData, 2), 0, 0, 0);
    glmDelete(m);

    // coordinates near the float range: extents overflow a float but not the result
    m = MakeModel({{-3e38f, 0, 0}, {3e38f, 1e38f, 0}}, {});
    float scale = glmFitUnitCube(m);
    EXPECT_TRUE(isfinite(scale) && scale > 0);
    for (int i = 3; i < 9; i++) EXPECT_TRUE(isfinite(m->vertexData[i])) << i;
    EXPECT_NEAR(m->vertexData[3], -1.0f, 1e-6);
    glmDelete(m);

    // extents so small that 2 / extent overflows a float: still -1..1, nothing infinite
    m = MakeModel({{1e-39f, 0, 0}, {3e-39f, 0, 0}}, {});
    scale = glmFitUnitCube(m);
    EXPECT_FALSE(isnan(scale));
    for (int i = 3; i < 9; i++) EXPECT_TRUE(isfinite(m->vertexData[i])) << i;
    EXPECT_NEAR(m->vertexData[3], -1.0f, 1e-6);
    EXPECT_NEAR(m->vertexData[6], 1.0f, 1e-6);
    glmDelete(m);
}

TEST(FacetNormals, FollowTheRightHandRule) {
    GlmModel* m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 2, 2}},
                            {{1, 2, 3}, {1, 3, 2}, {1, 1, 4}, {2, 2, 2}});
    glmComputeFacetNormals(m);
    EXPECT_EQ(m->facetNormalCount, 4u);
    for (int i = 0; i < 4; i++) EXPECT_EQ(m->triangleArray[i].facetNormalIndex, i + 1);
    ExpectVector(Entry(m->facetNormalData, 1), 0, 0, 1);
    ExpectVector(Entry(m->facetNormalData, 2), 0, 0, -1);
    // degenerate triangles get the zero vector, not NaN
    ExpectVector(Entry(m->facetNormalData, 3), 0, 0, 0);
    ExpectVector(Entry(m->facetNormalData, 4), 0, 0, 0);
    // a second call replaces the array
    glmComputeFacetNormals(m);
    EXPECT_EQ(m->facetNormalCount, 4u);
    glmDelete(m);

    // finite coordinates whose cross product overflows or underflows a float still give
    // the unit normal
    m = MakeModel({{0, 0, 0}, {1e20f, 0, 0}, {0, 1e20f, 0}, {-3e38f, 0, 0}, {3e38f, 0, 0}, {0, 0, 3e38f},
                   {1e-30f, 0, 0}, {0, 1e-30f, 0}},
                  {{1, 2, 3}, {4, 5, 6}, {1, 7, 8}});
    glmComputeFacetNormals(m);
    ExpectVector(Entry(m->facetNormalData, 1), 0, 0, 1);
    ExpectVector(Entry(m->facetNormalData, 2), 0, -1, 0);
    ExpectVector(Entry(m->facetNormalData, 3), 0, 0, 1);
    glmDelete(m);
}

TEST(VertexNormals, FlatSquareSharesOneNormalPerVertex) {
    //  4---3
    //  | / |
    //  1---2
    GlmModel* m = MakeModel({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 2, 3}, {1, 3, 4}});
    CapturedOutput out = Normals(m, 90);
    EXPECT_EQ(out.out, "glmVertexNormals(): 4 normals generated\n");
    EXPECT_EQ(m->normalCount, 4u);
    for (int k = 1; k <= 4; k++) ExpectVector(Entry(m->normalData, k), 0, 0, 1);
    // vertex 1's normal is entry 1, vertex 2's entry 2, ...
    EXPECT_EQ(std::vector<int>(m->triangleArray[0].normalIndex, m->triangleArray[0].normalIndex + 3),
              (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(std::vector<int>(m->triangleArray[1].normalIndex, m->triangleArray[1].normalIndex + 3),
              (std::vector<int>{1, 3, 4}));
    glmDelete(m);
}

TEST(VertexNormals, RightAngleFoldSplitsTheSharedEdge) {
    // T0 = (1, 2, 3) faces +z; T1 = (1, 4, 2) faces +y; they share the edge 1-2
    GlmModel* m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{1, 2, 3}, {1, 4, 2}});
    CapturedOutput out = Normals(m, 90);
    EXPECT_EQ(out.out, "glmVertexNormals(): 6 normals generated\n");
    // per vertex: the shared normal (of the reference, the highest triangle) first, then copies
    EXPECT_EQ(std::vector<int>(m->triangleArray[0].normalIndex, m->triangleArray[0].normalIndex + 3),
              (std::vector<int>{2, 4, 5}));
    EXPECT_EQ(std::vector<int>(m->triangleArray[1].normalIndex, m->triangleArray[1].normalIndex + 3),
              (std::vector<int>{1, 6, 3}));
    ExpectVector(Entry(m->normalData, 1), 0, 1, 0);
    ExpectVector(Entry(m->normalData, 2), 0, 0, 1);
    ExpectVector(Entry(m->normalData, 6), 0, 1, 0);
    glmDelete(m);
}

TEST(VertexNormals, GentleFoldAveragesTheSharedEdge) {
    // T1 leans 45 degrees from T0: within 90, so vertices 1 and 2 get one averaged normal
    GlmModel* m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 1}}, {{1, 2, 3}, {1, 4, 2}});
    CapturedOutput out = Normals(m, 90);
    EXPECT_EQ(out.out, "glmVertexNormals(): 4 normals generated\n");
    const float c = static_cast<float>(sin(M_PI / 8)), d = static_cast<float>(cos(M_PI / 8));
    ExpectVector(Entry(m->normalData, m->triangleArray[0].normalIndex[0]), 0, c, d);
    EXPECT_EQ(m->triangleArray[0].normalIndex[0], m->triangleArray[1].normalIndex[0]);
    glmDelete(m);
}

TEST(VertexNormals, AngleOf180MergesAllButTheOpposite) {
    // T0 faces +z, T1 the same corners reversed (-z), T2 faces +y
    GlmModel* m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{1, 2, 3}, {1, 3, 2}, {1, 4, 2}});
    Normals(m, 180);
    // vertex 1: reference T2; T1 and T0 are at 90 degrees to it and merge
    EXPECT_EQ(m->triangleArray[0].normalIndex[0], m->triangleArray[1].normalIndex[0]);
    EXPECT_EQ(m->triangleArray[0].normalIndex[0], m->triangleArray[2].normalIndex[0]);
    // vertex 3: reference T1; T0 is exactly opposite and keeps its own copy
    EXPECT_NE(m->triangleArray[0].normalIndex[2], m->triangleArray[1].normalIndex[1]);
    ExpectVector(Entry(m->normalData, m->triangleArray[0].normalIndex[2]), 0, 0, 1);
    ExpectVector(Entry(m->normalData, m->triangleArray[1].normalIndex[1]), 0, 0, -1);
    glmDelete(m);
}

TEST(VertexNormals, UnusedVertexIsReportedAndSkipped) {
    GlmModel* m = MakeModel({{0, 0, 0}, {5, 5, 5}, {1, 0, 0}, {0, 1, 0}}, {{1, 3, 4}});
    CapturedOutput out = Normals(m, 90);
    EXPECT_EQ(out.err, "glmVertexNormals(): vertex w/o a triangle\n");
    EXPECT_EQ(out.out, "glmVertexNormals(): 3 normals generated\n");
    EXPECT_EQ(std::vector<int>(m->triangleArray[0].normalIndex, m->triangleArray[0].normalIndex + 3),
              (std::vector<int>{1, 2, 3}));
    glmDelete(m);
}

TEST(VertexNormals, EveryCornerOfARepeatedVertexGetsANormal) {
    // corners 0 and 2 name the same vertex; file normals (index 9) must all be replaced
    GlmModel* m = MakeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 1}, {1, 2, 3}});
    for (int c = 0; c < 3; c++) m->triangleArray[0].normalIndex[c] = 9;
    Normals(m, 90);
    for (int t = 0; t < 2; t++)
        for (int c = 0; c < 3; c++) {
            int32_t index = m->triangleArray[t].normalIndex[c];
            EXPECT_TRUE(index >= 1 && static_cast<uint32_t>(index) <= m->normalCount) << t << "," << c;
            std::vector<float> n = Entry(m->normalData, index);
            EXPECT_FALSE(isnan(n[0]) || isnan(n[1]) || isnan(n[2]));
        }
    glmDelete(m);
}

// Made in parts on several threads, the normals and every corner's index are those of one
// pass, on a rough surface with creases, repeated corners and unused vertices.
TEST(VertexNormals, PartsGiveWhatOnePassGives) {
    std::vector<std::vector<float>> vertices;
    std::vector<std::vector<int>> triangles;
    const int side = 60;
    for (int y = 0; y <= side; y++)
        for (int x = 0; x <= side; x++) vertices.push_back({float(x), float(y), float((x * 7 + y * 13) % 5) * 0.4f});
    vertices.push_back({9, 9, 9});  // used by no triangle
    for (int y = 0; y < side; y++)
        for (int x = 0; x < side; x++) {
            int a = 1 + y * (side + 1) + x, b = a + 1, c = a + side + 1, d = c + 1;
            triangles.push_back({a, b, d});
            triangles.push_back({a, d, c});
            if ((x + y) % 17 == 0) triangles.push_back({a, b, a});  // a corner repeated
        }
    for (float angle : {90.0f, 20.0f}) {
        std::string expectedNormals, expectedIndices;
        for (int parts : {1, 2, 3, 8}) {
            GlmModel* m = MakeModel(vertices, triangles);
            glmComputeFacetNormals(m);
            CapturedOutput out;
            _glmVertexNormalsInParts(m, angle, parts);
            out.Restore();
            EXPECT_EQ(out.err, "glmVertexNormals(): vertex w/o a triangle\n");
            std::string normals(reinterpret_cast<const char*>(m->normalData), (m->normalCount + 1) * 3 * sizeof(float));
            std::string indices;
            for (uint32_t t = 0; t < m->triangleCount; t++)
                indices.append(reinterpret_cast<const char*>(m->triangleArray[t].normalIndex), 3 * sizeof(int32_t));
            glmDelete(m);
            if (parts == 1) {
                expectedNormals = normals;
                expectedIndices = indices;
            }
            EXPECT_TRUE(normals == expectedNormals) << parts << " parts, angle " << angle;
            EXPECT_TRUE(indices == expectedIndices) << parts << " parts, angle " << angle;
        }
    }
}

}  // namespace

namespace {

// A tetrahedron's four corners from vertex `base` on, at x offset `x`, and its faces wound
// outward (or inward), less the last `missing`.
void Tetrahedron(std::vector<std::vector<float>>* v, std::vector<std::vector<int>>* t, float x, bool outward, int missing) {
    const int b = static_cast<int>(v->size()) + 1;
    for (auto p : std::vector<std::vector<float>>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}) v->push_back({p[0] + x, p[1], p[2]});
    std::vector<std::vector<int>> faces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
    for (size_t f = 0; f + missing < faces.size(); f++)
        t->push_back({b + faces[f][0], b + faces[f][outward ? 1 : 2], b + faces[f][outward ? 2 : 1]});
}

}  // namespace

TEST(OrientParts, TurnsOnlyPartsClearlyWoundInward) {
    // closed parts without normals by their volume; an open one (a room) stays as it is
    std::vector<std::vector<float>> v;
    std::vector<std::vector<int>> t;
    Tetrahedron(&v, &t, 0, true, 0);
    Tetrahedron(&v, &t, 3, false, 0);
    Tetrahedron(&v, &t, 6, false, 1);
    GlmModel* m = MakeModel(v, t);
    EXPECT_EQ(glmOrientParts(m), 4u);
    std::vector<std::vector<float>> w;
    std::vector<std::vector<int>> turned;
    Tetrahedron(&w, &turned, 0, true, 0);
    Tetrahedron(&w, &turned, 3, true, 0);
    for (size_t i = 0; i < 8; i++)
        EXPECT_EQ(std::vector<int>(m->triangleArray[i].vertexIndex, m->triangleArray[i].vertexIndex + 3), turned[i]) << i;
    EXPECT_EQ(glmOrientParts(m), 0u) << "turned once";
    glmDelete(m);
    // with normals, by them: a face wound against its own normals, with its indices
    m = glmReadOBJ(WriteTempFile("against.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvn 0 0 -1\nvn 0 0 -0.5\nf 1/1/1 2/2/2 3/1/1\n"
                      "v 5 0 0\nv 6 0 0\nv 5 1 0\nvn 0 0 1\nf 4//3 5//3 6//3\n").c_str());
    EXPECT_EQ(glmOrientParts(m), 1u);
    const GlmTriangle& a = m->triangleArray[0];
    EXPECT_EQ((std::vector<int>{a.vertexIndex[1], a.normalIndex[1], a.texCoordIndex[1], a.vertexIndex[2]}),
              (std::vector<int>{3, 1, 1, 2}));
    glmDelete(m);
}

TEST(Simplify, PointCloudsAndLinesGetCoarseCopiesToo) {
    // a 200 x 200 sheet of points in two materials, and a line across it
    std::string obj = "mtllib two.mtl\nusemtl a\n";
    for (int i = 0; i < 200; i++)
        for (int j = 0; j < 200; j++) obj += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\np -1\n";
    obj += "usemtl b\nl 1 40000 200\n";
    WriteTempFile("two.mtl", "newmtl a\nnewmtl b\n");
    GlmModel* m = glmReadOBJ(WriteTempFile("cloud.obj", obj).c_str());
    GlmModel* coarse = glmSimplify(m, 2000);
    ASSERT_NE(coarse, nullptr);
    EXPECT_EQ(coarse->triangleCount, 0u);
    EXPECT_LE(coarse->pointCount + coarse->lineCount, 2000u);
    EXPECT_GT(coarse->pointCount, 500u);
    ASSERT_EQ(coarse->lineCount, 2u);
    EXPECT_EQ(coarse->lineArray[1].materialIndex, 2);
    for (uint32_t i = 0; i < coarse->pointCount; i++) {
        EXPECT_EQ(coarse->pointArray[i].materialIndex, 1);
        ASSERT_GE(coarse->pointArray[i].vertexIndex, 1);
        ASSERT_LE(static_cast<uint32_t>(coarse->pointArray[i].vertexIndex), coarse->vertexCount);
    }
    glmDelete(coarse);
    glmDelete(m);
}
