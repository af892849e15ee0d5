// obj_reader_test.cpp: glmReadOBJ on small hand-written files.
#include <gtest/gtest.h>
#include <cmath>
#include <fcntl.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <thread>
#include <string>
#include <vector>
#include "glm/glm_internal.h"
#include "tests/test_util.h"

namespace {

// Reads `obj` (written to a temporary file) and keeps what the reader printed.
struct Read {
    GlmModel* model;
    std::string out, err;
};
Read ReadText(const std::string& obj, const std::string& name = "model.obj") {
    std::string path = WriteTempFile(name, obj);
    CapturedOutput captured;
    GlmModel* model = glmReadOBJ(path.c_str());
    captured.Restore();
    return {model, captured.out, captured.err};
}

// The group's triangles as lists of vertex indices.
std::vector<std::vector<int>> GroupTriangles(const GlmModel* m, const GlmGroup* g) {
    std::vector<std::vector<int>> out;
    for (uint32_t i = 0; i < g->triangleCount; i++) {
        const GlmTriangle& t = m->triangleArray[g->triangleIndices[i]];
        out.push_back({t.vertexIndex[0], t.vertexIndex[1], t.vertexIndex[2]});
    }
    return out;
}

std::vector<std::string> GroupNames(const GlmModel* m) {
    std::vector<std::string> names;
    for (GlmGroup* g = m->groupList; g; g = g->next) names.push_back(g->name);
    return names;
}

const char* const kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\n";

// Runs the reader in a child whose standard output goes to its error stream, so that the
// death-test regex sees both streams.
void ReadExpectingExit(const std::string& path) {
    dup2(2, 1);
    glmReadOBJ(path.c_str());
}

TEST(ObjReader, FileWithoutGroupsHasOnlyDefault) {
    // two triangles of a square, a third face on its own
    Read r = ReadText(std::string(kSquare) + "f 1 2 3\nf 1 3 4\nf 2 3 5\n");
    GlmModel* m = r.model;
    EXPECT_EQ(m->vertexCount, 5u);
    EXPECT_EQ(m->triangleCount, 3u);
    EXPECT_EQ(GroupNames(m), std::vector<std::string>{"default"});
    EXPECT_EQ(GroupTriangles(m, m->groupList), (std::vector<std::vector<int>>{{1, 2, 3}, {1, 3, 4}, {2, 3, 5}}));
    EXPECT_EQ(m->materialCount, 0u);
    EXPECT_EQ(m->materialArray, nullptr);
    EXPECT_EQ(m->normalData, nullptr);
    EXPECT_EQ(m->texCoordData, nullptr);
    EXPECT_EQ(m->facetNormalData, nullptr);
    EXPECT_EQ(m->libraryName, nullptr);
    EXPECT_EQ(m->groupList->materialIndex, 0);
    EXPECT_FLOAT_EQ(m->vertexData[3 * 3 + 0], 1.0f);  // vertex 3 is (1, 1, 0)
    EXPECT_FLOAT_EQ(m->vertexData[3 * 3 + 1], 1.0f);
    EXPECT_EQ(r.out + r.err, "");
    glmDelete(m);
}

TEST(ObjReader, EmptyFileYieldsEmptyModel) {
    Read r = ReadText("");
    GlmModel* m = r.model;
    EXPECT_EQ(m->vertexCount + m->normalCount + m->texCoordCount + m->triangleCount + m->materialCount, 0u);
    EXPECT_NE(m->vertexData, nullptr);
    EXPECT_EQ(m->vertexData[0], 0.0f);  // entry 0 reads as zeros
    ASSERT_EQ(m->groupCount, 1u);
    EXPECT_STREQ(m->groupList->name, "default");
    EXPECT_EQ(m->groupList->triangleCount, 0u);
    glmDelete(m);
}

TEST(ObjReader, GroupsRunNewestFirstWithDefaultLast) {
    // one face before any g line, then a, b, and a again
    Read r = ReadText(std::string(kSquare) +
                      "f 1 2 3\ng a extra words\nf 1 3 4\ng b\nf 2 3 5\ng a\nf 3 4 5\n");
    GlmModel* m = r.model;
    EXPECT_EQ(GroupNames(m), (std::vector<std::string>{"b", "a", "default"}));
    EXPECT_EQ(m->groupCount, 3u);
    EXPECT_EQ(GroupTriangles(m, m->groupList->next), (std::vector<std::vector<int>>{{1, 3, 4}, {3, 4, 5}}));
    EXPECT_EQ(GroupTriangles(m, m->groupList), (std::vector<std::vector<int>>{{2, 3, 5}}));
    const GlmGroup* def = m->groupList->next->next;
    EXPECT_EQ(GroupTriangles(m, def), (std::vector<std::vector<int>>{{1, 2, 3}}));
    EXPECT_EQ(def->triangleIndices[0], 0);
    glmDelete(m);

    // every face after a g line: "default" stays, empty, at the end
    r = ReadText(std::string(kSquare) + "g only\nf 1 2 3\n");
    EXPECT_EQ(GroupNames(r.model), (std::vector<std::string>{"only", "default"}));
    EXPECT_EQ(r.model->groupList->next->triangleCount, 0u);
    glmDelete(r.model);
}

TEST(ObjReader, PolygonsSplitIntoFans) {
    Read r = ReadText(std::string(kSquare) + "f 1 2 3 4\nf 1 2 3 4 5\n");
    EXPECT_EQ(GroupTriangles(r.model, r.model->groupList),
              (std::vector<std::vector<int>>{{1, 2, 3}, {1, 3, 4}, {1, 2, 3}, {1, 3, 4}, {1, 4, 5}}));
    glmDelete(r.model);
}

TEST(ObjReader, ConcavePolygonsAreCutByEarClipping) {
    // a dart whose second corner points in: the fan from the first corner would lie outside
    // it; each corner keeps its texture coordinate; the convex square after it keeps its fan
    Read r = ReadText("v 0 0 0\nv 1 0.3 0\nv 2 0 0\nv 1 2 0\nvt 0 0\nvt 1 0\nvt 2 0\nvt 3 0\nf 1/1 2/2 3/3 4/4\n" +
                      std::string(kSquare) + "f 5 6 7 8\n");
    EXPECT_EQ(GroupTriangles(r.model, r.model->groupList),
              (std::vector<std::vector<int>>{{4, 1, 2}, {3, 4, 2}, {5, 6, 7}, {5, 7, 8}}));
    for (uint32_t t = 0; t < 2; t++)
        for (int c = 0; c < 3; c++)
            EXPECT_EQ(r.model->triangleArray[t].texCoordIndex[c], r.model->triangleArray[t].vertexIndex[c]);
    for (uint32_t t = 0; t < 4; t++) EXPECT_EQ(r.model->triangleArray[t].facetNormalIndex, 0);
    glmDelete(r.model);
}

TEST(ObjReader, FaceFormsCarryTheirIndices) {
    std::string attributes;
    for (int i = 0; i < 9; i++) attributes += "vt 0.1 0.2\nvn 0 0 1\n";
    Read r = ReadText(std::string(kSquare) + attributes +
                      "f 1/1/1 2/2/2 3/3/3 4/4/4\n"  // vertex/texture/normal
                      "f 1//4 2//5 3//6\n"            // vertex//normal
                      "f 1/7 2/8 3/9\n");             // vertex/texture
    GlmModel* m = r.model;
    ASSERT_EQ(m->triangleCount, 4u);
    const GlmTriangle& second = m->triangleArray[1];
    EXPECT_EQ(std::vector<int>(second.vertexIndex, second.vertexIndex + 3), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(std::vector<int>(second.texCoordIndex, second.texCoordIndex + 3), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(std::vector<int>(second.normalIndex, second.normalIndex + 3), (std::vector<int>{1, 3, 4}));
    const GlmTriangle& vn = m->triangleArray[2];
    EXPECT_EQ(std::vector<int>(vn.normalIndex, vn.normalIndex + 3), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(std::vector<int>(vn.texCoordIndex, vn.texCoordIndex + 3), (std::vector<int>{0, 0, 0}));
    const GlmTriangle& vt = m->triangleArray[3];
    EXPECT_EQ(std::vector<int>(vt.texCoordIndex, vt.texCoordIndex + 3), (std::vector<int>{7, 8, 9}));
    EXPECT_EQ(std::vector<int>(vt.normalIndex, vt.normalIndex + 3), (std::vector<int>{0, 0, 0}));
    EXPECT_FLOAT_EQ(m->texCoordData[2 * 9 + 1], 0.2f);
    EXPECT_FLOAT_EQ(m->normalData[3 * 9 + 2], 1.0f);
    glmDelete(m);
}

TEST(ObjReader, LinesPointsAndVertexColoursAreKept) {
    // the first v line gives a colour: the file has colours, clamped; a vertex without is white
    std::string text = "v 0 0 0 0.25 2 -1\nv 1 0 0\nv 1 1 0 0 0.5 nan\nvt 0 0\nl 1/1 2/1 -1/1\np 3 1\nlod 1\n";
    for (int chunks : {1, 4}) {
        std::string path = WriteTempFile("elements.obj", text + text);
        GlmModel* m = _glmReadOBJInChunks(path.c_str(), chunks);
        ASSERT_EQ(m->lineCount, 4u);
        EXPECT_EQ((std::vector<int>{m->lineArray[1].vertexIndex[0], m->lineArray[1].vertexIndex[1],
                                    m->lineArray[3].vertexIndex[0], m->lineArray[3].vertexIndex[1]}),
                  (std::vector<int>{2, 3, 2, 6}));
        ASSERT_EQ(m->pointCount, 4u);
        EXPECT_EQ(m->pointArray[3].vertexIndex, 1);
        EXPECT_EQ(m->triangleCount, 0u);
        ASSERT_NE(m->colorData, nullptr);
        EXPECT_EQ(std::vector<float>(m->colorData + 3, m->colorData + 12),
                  (std::vector<float>{0.25f, 1, 0, 1, 1, 1, 0, 0.5f, 0}));
        glmDelete(m);
    }
    Read r = ReadText("v 0 0 0 1\nv 1 0 0 0.5 0.5 0.5\np 1 2\n");
    EXPECT_EQ(r.model->colorData, nullptr) << "a weight alone is no colour";
    glmDelete(r.model);
}

TEST(ObjReader, NegativeIndicesCountBackFromTheLastEntryRead) {
    Read r = ReadText("v 0 0 0\nv 1 0 0\nv 1 1 0\nf -3 -2 -1\nv 0 1 0\nf 1 -2 -1\n");
    EXPECT_EQ(GroupTriangles(r.model, r.model->groupList), (std::vector<std::vector<int>>{{1, 2, 3}, {1, 3, 4}}));
    glmDelete(r.model);
}

TEST(ObjReader, LinesAreReadAsTheirKeywordsSay) {
    // a fourth vertex coordinate, comments, o and s lines, a short face and CR-LF endings
    Read r = ReadText("# comment f 9 9 9\no thing\ns 1\nv 1 2 3 1\r\nv 4 5 6\r\nv 7 8 9\r\nf 1 2\r\nf 1 2 3\r\n");
    GlmModel* m = r.model;
    EXPECT_EQ(m->vertexCount, 3u);
    EXPECT_FLOAT_EQ(m->vertexData[3], 1.0f);
    EXPECT_FLOAT_EQ(m->vertexData[5], 3.0f);
    EXPECT_FLOAT_EQ(m->vertexData[6], 4.0f);
    // the two-corner face repeats its last corner
    EXPECT_EQ(GroupTriangles(m, m->groupList), (std::vector<std::vector<int>>{{1, 2, 2}, {1, 2, 3}}));
    glmDelete(m);
}

TEST(ObjReader, LinesWithoutNamesFallBack) {
    // g without a name selects "default", usemtl and mtllib without a name do nothing loud
    Read r = ReadText(std::string(kSquare) + "g a\nf 1 2 3\ng\nf 1 3 4\nusemtl\nmtllib\ng");
    GlmModel* m = r.model;
    EXPECT_EQ(GroupNames(m), (std::vector<std::string>{"a", "default"}));
    EXPECT_EQ(m->groupList->next->triangleCount, 1u);
    EXPECT_EQ(m->libraryName, nullptr);
    EXPECT_EQ(r.out + r.err, "");
    glmDelete(m);
}

TEST(ObjReader, LongLinesAreSkippedWholeAndNamesCut) {
    std::string longName(300, 'n');
    std::string pad(126, '=');
    // nothing past the 127th byte of a line is read as a further token: not the face in a
    // comment's tail, the vertex in a group line's, the group in a vertex line's
    Read r = ReadText(std::string(kSquare) + "# " + pad + " f 1 2 3\ng " + longName + " v 1 2 3\nf 1 2 3\n" +
                      std::string(500, 'x') + "\nf 1 3 4\nv 0 0 2 # " + pad + " g tail\r\nusemtl " + pad + " f 1 2 3\n" + "g " +
                      std::string(126, 'm') + " f 1 2 3\n");
    GlmModel* m = r.model;
    // the rest of the line holds 127 bytes: a blank and 126 letters
    EXPECT_EQ(GroupNames(m), std::vector<std::string>({std::string(126, 'm'), std::string(126, 'n'), "default"}));
    EXPECT_EQ(m->triangleCount, 2u);
    EXPECT_EQ(m->vertexCount, 6u);
    glmDelete(m);
}

// Thousands of groups, named again and again in a scrambled order: each keeps its place in
// the list (newest first) and every triangle named under it.
TEST(ObjReader, ManyGroupsKeepTheirOrderAndTriangles) {
    const int groups = 3000;
    std::string obj = kSquare;
    std::vector<std::vector<std::vector<int>>> expected(groups);
    for (int round = 0; round < 3; round++)
        for (int i = 0; i < groups; i++) {
            int g = (i * 7919 + round * 131) % groups;  // every group once a round
            obj += "g part" + std::to_string(g) + "\nf 1 2 " + std::to_string(3 + round) + "\n";
            expected[g].push_back({1, 2, 3 + round});
        }
    Read r = ReadText(obj);
    GlmModel* m = r.model;
    ASSERT_EQ(m->groupCount, static_cast<uint32_t>(groups + 1));
    // first named in round 0, in the order i * 7919 % groups; the list runs newest first
    const GlmGroup* g = m->groupList;
    for (int i = groups - 1; i >= 0; i--, g = g->next) {
        int number = (i * 7919) % groups;
        ASSERT_EQ(std::string(g->name), "part" + std::to_string(number));
        ASSERT_EQ(GroupTriangles(m, g), expected[number]) << g->name;
    }
    EXPECT_EQ(std::string(g->name), "default");
    EXPECT_EQ(g->triangleCount, 0u);
    glmDelete(m);
}

TEST(ObjReader, NulBytesAreOrdinaryCharacters) {
    Read r = ReadText(std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\ng a\0b\nf 1 2 3\n", 38));
    EXPECT_STREQ(r.model->groupList->name, "a");
    EXPECT_EQ(r.model->triangleCount, 1u);
    glmDelete(r.model);
}

TEST(ObjReader, NonFiniteNormalsAreKept) {
    Read r = ReadText("vn nan inf 1\nvt inf 0\n");
    EXPECT_TRUE(std::isnan(r.model->normalData[3]));
    EXPECT_TRUE(std::isinf(r.model->normalData[4]));
    EXPECT_TRUE(std::isinf(r.model->texCoordData[2]));
    glmDelete(r.model);
}

using ObjReaderDeath = ::testing::Test;

TEST(ObjReaderDeath, FilesThatCannotBeReadEndTheProcess) {
    EXPECT_EXIT(ReadExpectingExit("/nonexistent/none.obj"), ::testing::ExitedWithCode(1),
                "^glmReadOBJ\\(\\) failed: can't open data file \"/nonexistent/none.obj\"\\.\n$");
    EXPECT_EXIT(ReadExpectingExit(TempDir()), ::testing::ExitedWithCode(1), "can't open data file");
}

// Maps a file, cuts it short or rewrites it in place, reads every byte, then asks whether it
// changed (or fails for another reason).
void ReadChangedFile(const std::string& path, bool shrink, bool otherFailure) {
    GlmReadStatus status = {};
    GlmRead read;
    _glmStartRead(&read, &status);
    GlmFile file;
    if (!_glmLoadFile(&read, path.c_str(), &file, "glmReadOBJ()")) abort();
    if (shrink) {
        if (truncate(path.c_str(), 100) != 0) abort();
    } else {
        FILE* f = fopen(path.c_str(), "r+");
        fputs("f 9 9 9\n", f);
        fclose(f);
    }
    volatile char sum = 0;
    for (size_t i = 0; i < file.size; i++) sum = sum + file.data[i];
    if (otherFailure) _glmFail(&read, stderr, "_glmFillPass() failed: vertex index 9 out of range.\n");
    _glmCheckFile(&read, &file);
    fputs(status.message, stderr);
    exit(read.failed ? 1 : 0);
}

TEST(ObjReader, AFifoIsWaitedForUntilItsWriterComesOrTheReadIsAbandoned) {
    std::string fifo = TempDir() + "/late.obj";
    for (bool writerComes : {true, false}) {
        unlink(fifo.c_str());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        GlmReadStatus status = {};
        GlmModel* model = nullptr;
        std::thread reader([&] { model = glmTryReadOBJ(fifo.c_str(), &status); });
        usleep(500000);  // nobody has opened it for writing yet
        if (writerComes)
            WriteTempFile("late.obj", std::string(kSquare) + "f 1 2 3\n");
        else
            __atomic_store_n(&status.abandon, 1, __ATOMIC_RELAXED);
        reader.join();
        EXPECT_EQ(model ? model->triangleCount : 0, writerComes ? 1u : 0u) << status.message;
        EXPECT_STREQ(status.message, writerComes ? "" : ("glmReadOBJ() failed: the reading of \"" + fifo + "\" was abandoned.\n").c_str());
        glmDelete(model);
    }
}

TEST(ObjReader, AModelFromAPipeIsRead) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::thread writer([&] {
        std::string text = std::string(kSquare) + "f 1 2 3\n";
        EXPECT_EQ(write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        close(ends[1]);
    });
    GlmModel* m = glmReadOBJ(("/dev/fd/" + std::to_string(ends[0])).c_str());
    writer.join();
    close(ends[0]);
    EXPECT_EQ(m->vertexCount, 5u);
    EXPECT_EQ(m->triangleCount, 1u);
    glmDelete(m);
}

TEST(ObjReaderDeath, AFileThatChangesWhileItIsReadIsReportedAsSuch) {
    // saved over while it is read: no bus error, and the change is the reason given
    std::string text;
    for (int i = 0; i < 200000; i++) text += "v 1 2 3\n";
    for (bool shrink : {true, false})
        for (bool other : {false, true}) {
            std::string path = WriteTempFile("changing.obj", text);
            EXPECT_EXIT(ReadChangedFile(path, shrink, other), ::testing::ExitedWithCode(1),
                        "^glmReadOBJ\\(\\) failed: file \".*changing.obj\" changed while it was read\\.\n$");
        }
}

#ifndef __SANITIZE_ADDRESS__
// Reads an endless stream in a process whose memory is limited.
void ReadEndlessly(void) {
    struct rlimit limit = {256u << 20, 256u << 20};
    setrlimit(RLIMIT_DATA, &limit);
    ReadExpectingExit("/dev/zero");
}

TEST(ObjReaderDeath, AnEndlessModelEndsBeforeMemoryRunsOut) {
    EXPECT_EXIT(ReadEndlessly(), ::testing::ExitedWithCode(1),
                "^glmReadOBJ\\(\\) failed: file \"/dev/zero\" is larger than this machine can read\\.\n$");
}
#endif

TEST(ObjReaderDeath, UnknownVKeywordEndsTheProcess) {
    std::string path = WriteTempFile("vp.obj", "v 0 0 0\nvp 0.5 0.5\n");
    EXPECT_EXIT(ReadExpectingExit(path), ::testing::ExitedWithCode(1), "^_glmFirstPass\\(\\): Unknown token \"vp\"\\.\n$");
}

TEST(ObjReaderDeath, IndicesOutsideTheirArraysAreRefused) {
    const char* cases[][2] = {
        {"v 0 0 0\nf 1 1 2\n", "vertex index 2 out of range"},
        {"v 0 0 0\nf 0 1 1\n", "vertex index 0 out of range"},
        {"v 0 0 0\nf -2 1 1\n", "vertex index -2 out of range"},
        {"v 0 0 0\nf -1 1 1\nv 1 1 1\nf 2 1 3\n", "vertex index 3 out of range"},
        {"v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//2\n", "normal index 2 out of range"},
        {"v 0 0 0\nvt 0 0\nf 1/1 1/1 1/2\n", "texture coordinate index 2 out of range"},
        {"v 0 0 0\nf\n", "vertex index 0 out of range"},
        {"v 0 0 0\nv 1 0 0\nl 1 2 3\n", "vertex index 3 out of range"},
        {"v 0 0 0\np 1 -2\n", "vertex index -2 out of range"},
    };
    for (auto& c : cases) {
        std::string path = WriteTempFile("range.obj", c[0]);
        EXPECT_EXIT(ReadExpectingExit(path), ::testing::ExitedWithCode(1),
                    std::string("^_glmFillPass\\(\\) failed: ") + c[1] + " in data file \".*range.obj\"\\.\n$")
            << c[0];
    }
}

TEST(ObjReader, EmptyIndexFieldsAndIndicesOfWhatTheFileLacksAreNoIndex) {
    // "1//" names no normal (and no part of the next corner); texture and normal indices in a file without vt and vn lines are
    // ignored, with one warning for the file
    Read r = ReadText("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1// 2//1 3// 1//\n");
    ASSERT_EQ(r.model->triangleCount, 2u) << "an empty field takes nothing of the corner after it";
    const int32_t* n = r.model->triangleArray[0].normalIndex;
    EXPECT_EQ(std::vector<int32_t>(n, n + 3), (std::vector<int32_t>{0, 1, 0}));
    EXPECT_EQ(r.err, "");
    glmDelete(r.model);
    r = ReadText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1/1 2/2/2 3/3/3\nf 3/1/ 2/1/ 1/1/ 3/1/\n", "lacking.obj");
    ASSERT_EQ(r.model->triangleCount, 3u);
    EXPECT_EQ(r.model->triangleArray[1].texCoordIndex[0], 0);
    EXPECT_EQ(r.err, "glmReadOBJ() warning: data file \"" + TempDir() +
                         "/lacking.obj\" gives texture coordinate or normal indices without vt or vn lines: they are ignored.\n");
    glmDelete(r.model);
}

TEST(ObjReaderDeath, NonFiniteVertexPositionsAreRefused) {
    for (const char* text : {"v nan 0 0\n", "v 0 inf 0\n", "v 0 0 1e39\n"}) {
        std::string path = WriteTempFile("nan.obj", text);
        EXPECT_EXIT(ReadExpectingExit(path), ::testing::ExitedWithCode(1),
                    "^_glmFillPass\\(\\) failed: vertex 1 of data file \".*nan.obj\" is not a finite position\\.\n$");
    }
}

TEST(ObjReaderDeath, FilesThatReadDifferentlyOnTheSecondPassAreRefused) {
    // the first pass skips a v line whole; the second reads its three numbers, then a keyword
    for (const char* text : {"v 1 2 3 v 4 5 6\n", "v 0 0 0\nv 1 2 3 f 1 1 1\n", "v 1 2 3 g other\n"}) {
        std::string path = WriteTempFile("twice.obj", text);
        EXPECT_EXIT(ReadExpectingExit(path), ::testing::ExitedWithCode(1),
                    "^_glmFillPass\\(\\) failed: malformed data file \".*twice.obj\"");
    }
}

// Open descriptors and mappings of files: a refused read must leave none behind.
std::string OpenFiles(void) {
    std::string open;
    for (int fd = 0; fd < 1024; fd++)
        if (fcntl(fd, F_GETFD) != -1) open += std::to_string(fd) + " ";
    FILE* maps = fopen("/proc/self/maps", "r");
    char line[4096];
    while (fgets(line, sizeof line, maps))
        if (strstr(line, ".obj") || strstr(line, ".mtl")) open += line;
    fclose(maps);
    return open;
}

TEST(ObjReader, ATriedReadReturnsTheRefusalAndLeavesNothingBehind) {
    // refusals in each part of a read: opening, counting, a library, filling after the maps
    // began to decode; the leak check of the sanitizer build sees any block left
    std::string maps = WriteTempFile("maps.mtl", "newmtl leaf\nmap_Kd " + FixturePath("exporters/green.png") + "\n");
    std::string textured = "mtllib " + maps + "\n" + kSquare + "usemtl leaf\n";
    std::string ranged = textured + "f 1 2 3\nf 1 2 9\n";
    std::string lib = WriteTempFile("bad.mtl", "newmtl a\nKd 1 2 n newmtl b\nnewmtl c\n");
    const std::string cases[][2] = {
        {"", "glmReadOBJ() failed: can't open data file \"/nonexistent/none.obj\".\n"},
        {"v 0 0 0\nvp 0.5\n", "_glmFirstPass(): Unknown token \"vp\".\n"},
        {"mtllib " + lib + "\n" + kSquare, "_glmReadMTL() failed: malformed material file \"" + lib +
                                                 "\" (a line holds more than its keyword's values).\n"},
        {ranged, "_glmFillPass() failed: vertex index 9 out of range in data file \"@\".\n"},
    };
    std::string before = OpenFiles();
    for (const auto& c : cases) {
        std::string path = c[0].empty() ? "/nonexistent/none.obj" : WriteTempFile("tried.obj", c[0]);
        std::string expected = c[1];
        if (size_t at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, path);
        GlmReadStatus status = {};
        CapturedOutput captured;
        EXPECT_EQ(glmTryReadOBJ(path.c_str(), &status), nullptr);
        captured.Restore();
        EXPECT_EQ(status.message, expected);
        EXPECT_EQ(status.onStdout, expected.rfind("_glmFirstPass", 0) == 0);
        EXPECT_EQ(captured.out, "");  // the refusal is the caller's to print
        EXPECT_EQ(OpenFiles(), before);
    }
    // the same file, mended, reads whole: progress went over both passes
    GlmReadStatus status = {};
    std::string path = WriteTempFile("tried.obj", textured + "f 1 2 3\n");
    GlmModel* m = glmTryReadOBJ(path.c_str(), &status);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(status.done, status.total);
    EXPECT_EQ(status.total, 2 * (textured.size() + 8));
    ASSERT_EQ(m->libraryPathCount, 1u);
    EXPECT_EQ(std::string(m->libraryPaths[0]), maps);
    glmDelete(m);
}

TEST(ObjReader, TwoReadsAtOnceEachKeepTheirOwnOutcome) {
    // two threads read at once, each in chunks on threads of its own and with a map decoding:
    // one model reads whole while the other is refused in its last chunk
    std::string maps = WriteTempFile("both.mtl", "newmtl leaf\nmap_Kd " + FixturePath("exporters/green.png") + "\n");
    std::string text = "mtllib " + maps + "\n" + kSquare + "usemtl leaf\n";
    for (int i = 0; i < 2000; i++) text += "f 1 2 3 4\n";
    std::string good = WriteTempFile("good.obj", text), bad = WriteTempFile("bad.obj", text + "f 1 2 9\n");
    std::string before = OpenFiles();
    for (int round = 0; round < 10; round++) {
        GlmReadStatus goodStatus = {}, badStatus = {};
        GlmModel *read = nullptr, *refused = nullptr;
        std::thread a([&] { read = _glmTryReadOBJInChunks(good.c_str(), 4, &goodStatus); });
        std::thread b([&] { refused = _glmTryReadOBJInChunks(bad.c_str(), 4, &badStatus); });
        a.join();
        b.join();
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read->triangleCount, 4000u);
        EXPECT_STREQ(goodStatus.message, "");
        EXPECT_EQ(refused, nullptr);
        EXPECT_EQ(std::string(badStatus.message), "_glmFillPass() failed: vertex index 9 out of range in data file \"" + bad + "\".\n");
        glmDelete(read);
    }
    EXPECT_EQ(OpenFiles(), before);
}

}  // namespace
