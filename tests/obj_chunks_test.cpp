// obj_chunks_test.cpp: the OBJ reader cut into chunks reads every file exactly as one
// thread reading it whole: the same model, the same lines printed, the same refusals.
#include <gtest/gtest.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <random>
#include <string>
#include <vector>
#include "glm/glm_internal.h"
#include "tests/test_util.h"

namespace {

// Everything a model holds, as text and bytes, so that two reads compare in one assertion.
std::string Describe(const GlmModel* m) {
    std::string d = "counts " + std::to_string(m->vertexCount) + " " + std::to_string(m->normalCount) + " " +
                    std::to_string(m->texCoordCount) + " " + std::to_string(m->triangleCount) + " " +
                    std::to_string(m->materialCount) + " library " + (m->libraryName ? m->libraryName : "-") + "\n";
    auto bytes = [&](const void* data, size_t size) { d.append(static_cast<const char*>(data), size); };
    bytes(m->vertexData, (m->vertexCount + 1) * 3 * sizeof(float));
    if (m->normalData) bytes(m->normalData, (m->normalCount + 1) * 3 * sizeof(float));
    if (m->texCoordData) bytes(m->texCoordData, (m->texCoordCount + 1) * 2 * sizeof(float));
    bytes(m->triangleArray, m->triangleCount * sizeof(GlmTriangle));
    for (const GlmGroup* g = m->groupList; g; g = g->next) {
        d += "\ngroup " + std::string(g->name) + " material " + std::to_string(g->materialIndex) + " triangles " +
             std::to_string(g->triangleCount) + "\n";
        bytes(g->triangleIndices, g->triangleCount * sizeof(int32_t));
    }
    return d;
}

struct Outcome {
    std::string model, out, err;
};

Outcome ReadInChunks(const std::string& path, int chunks) {
    CapturedOutput captured;
    GlmModel* m = _glmReadOBJInChunks(path.c_str(), chunks);
    captured.Restore();
    Outcome o = {Describe(m), captured.out, captured.err};
    glmDelete(m);
    return o;
}

// Reads the file whole and in 2 to 9 chunks; every read must agree with the whole one.
void ExpectChunksAgree(const std::string& path) {
    Outcome whole = ReadInChunks(path, 1);
    for (int chunks = 2; chunks <= 9; chunks++) {
        Outcome cut = ReadInChunks(path, chunks);
        ASSERT_TRUE(cut.model == whole.model) << path << " in " << chunks << " chunks: the model differs";
        ASSERT_EQ(cut.out, whole.out) << path << " in " << chunks << " chunks";
        ASSERT_EQ(cut.err, whole.err) << path << " in " << chunks << " chunks";
    }
}

const char* const kLibrary = "newmtl red\nKd 1 0 0\nnewmtl blue\nKd 0 0 1\n";

TEST(ObjChunks, ExporterFilesAndSamplesReadAlike) {
    for (const char* name : {"blender27", "blender4", "cad_part", "cornell", "max", "scan_crlf", "wings"})
        ExpectChunksAgree(FixturePath(std::string("exporters/") + name + ".obj"));
    ExpectChunksAgree(std::string(SOURCE_DIR) + "/models/scene.obj");
    ExpectChunksAgree(std::string(SOURCE_DIR) + "/models/vase.obj");
}

// Statements that do not end at their line's end, and state that carries from chunk to chunk.
TEST(ObjChunks, StatementsOverLinesAndCarriedStateReadAlike) {
    WriteTempFile("chunks.mtl", kLibrary);
    const std::string cases[] = {
        // a face whose corners go on over several lines
        "mtllib chunks.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2\n3\n4\nf\n1\n2\n3\ng a\nf 1 2 3 4\n",
        // a vertex whose numbers go on into the next line, which the counting skips
        "mtllib chunks.mtl\nv 1 2\n3 usemtl blue\nv 0 0 0\nv 1 1 1\nf 1 2 3\nf 1 2 3\n",
        // the current group and material carry over many cuts; groups come back
        "mtllib chunks.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng a\nusemtl red\nf 1 2 3\nf 1 2 3\nf 1 2 3\nf 1 2 3\n"
        "g b\nf -1 -2 -3\ng a\nf 3 2 1\nusemtl blue\nf 3 2 1\ng\nf 1 2 3\ng b\nf 1 2 3\n",
        // a material the library lacks: reported once, in its place
        "mtllib chunks.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\nf 1 2 3\nusemtl green\nf 1 2 3\nf 1 2 3\n"
        "usemtl blue\nf 1 2 3\nusemtl green\nf 1 2 3\n",
        // a statement that runs over a cut onto a line that holds the next statement: the
        // long line puts the cut of two chunks just before "3"
        "mtllib chunks.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2" + std::string(1000, ' ') + "\n3 f 1 2 3\n",
        "mtllib chunks.mtl\nv 0 0 0\nv 1 0 0\nv 0 1" + std::string(1000, ' ') + "\n0 usemtl blue\nf 1 2 3\n",
        // long lines that are cut, comments, blank lines, no newline at the end
        "# a comment\n\n\nv 0 0 0\nv 1 0 0\nv 0 1 0\ng " + std::string(300, 'n') + "\nf 1 2 3\n" +
            std::string(200, ' ') + "f 1 2 3\r\n\t\tf 3 2 1",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        ExpectChunksAgree(WriteTempFile("chunks.obj", text));
    }
}

TEST(ObjChunks, NamesTheLibraryLacksKeepEveryChunkOnItsCore) {
    // every chunk meets an unknown name: each is reported in its place, and no chunk has to be
    // read again; a face that runs over a cut does make one read on alone
    WriteTempFile("chunks.mtl", kLibrary);
    std::string text = "mtllib chunks.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 40; i++) text += "usemtl red\nf 1 2 3\nusemtl green" + std::to_string(i) + "\nf 1 2 3\n" + std::string(60, '#') + "\n";
    std::string path = WriteTempFile("unknown.obj", text);
    uint32_t before = _glmChunksReadOnAlone.load();
    Outcome whole = ReadInChunks(path, 1), cut = ReadInChunks(path, 8);
    EXPECT_EQ(_glmChunksReadOnAlone.load(), before);
    EXPECT_EQ(cut.out, whole.out);
    EXPECT_NE(whole.out.find("\"green39\""), std::string::npos);
    ReadInChunks(WriteTempFile("over.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2" + std::string(1000, ' ') + "\n3 f 1 2 3\n"), 2);
    EXPECT_EQ(_glmChunksReadOnAlone.load(), before + 1);
}

// Peak memory (KiB) of a child that reads `path` in `chunks` chunks.
long PeakReading(const std::string& path, int chunks) {
    pid_t child = fork();
    if (child == 0) _exit(_glmReadOBJInChunks(path.c_str(), chunks) ? 0 : 1);
    int status = 0;
    struct rusage usage = {};
    wait4(child, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

TEST(ObjChunks, ManyGroupsInManyChunksTakeNoMoreMemoryThanInOne) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 200000; i++) text += "g group" + std::to_string(i) + "\nf 1 2 3\n";
    std::string path = WriteTempFile("groups.obj", text);
    long one = PeakReading(path, 1), many = PeakReading(path, 64);
    ASSERT_GT(one, 0);
    EXPECT_LT(many, one * 13 / 10) << one << " KiB in one chunk, " << many << " KiB in 64";
}

// Many random files of valid statements in random layouts, cut at random places.
TEST(ObjChunks, RandomFilesReadAlike) {
    WriteTempFile("random.mtl", kLibrary);
    std::mt19937 rng(11);
    auto pick = [&](int n) { return static_cast<int>(rng() % n); };
    const char* const spaces[] = {" ", "  ", "\t", " \n", "\n\n"};
    for (int round = 0; round < 60; round++) {
        std::string text = pick(2) ? "mtllib random.mtl\n" : "";
        int vertices = 0, normals = 0, texCoords = 0;
        for (int line = 0; line < 200; line++) {
            int kind = pick(10);
            auto coordinate = [&]() { return std::to_string(pick(2000) - 1000) + "." + std::to_string(pick(1000)); };
            if (kind < 3 || vertices < 3) {
                text += "v " + coordinate() + " " + coordinate() + " " + coordinate() + "\n";
                vertices++;
            } else if (kind == 3) {
                text += "vn " + coordinate() + spaces[pick(5)] + coordinate() + " " + coordinate() + "\n";
                normals++;
            } else if (kind == 4) {
                text += "vt " + coordinate() + " " + coordinate() + "\n";
                texCoords++;
            } else if (kind == 5) {
                const char* names[] = {"g a\n", "g b c\n", "g\n", "usemtl red\n", "usemtl blue\n", "usemtl\n", "# x\n"};
                text += names[pick(7)];
            } else {
                // faces in every form, some corners counted back from the end
                int form = normals && texCoords ? pick(4) : normals ? pick(2) * 3 : texCoords ? 2 + pick(2) : 3;
                text += "f";
                for (int corner = 3 + pick(3); corner > 0; corner--) {
                    auto index = [&](int count) {
                        int i = 1 + pick(count);
                        return std::to_string(pick(4) == 0 ? i - count - 1 : i);
                    };
                    text += spaces[pick(4)] + index(vertices);
                    if (form == 0) text += "//" + index(normals);
                    if (form == 1) text += "/" + index(texCoords) + "/" + index(normals);
                    if (form == 2) text += "/" + index(texCoords);
                }
                text += "\n";
            }
        }
        SCOPED_TRACE(text);
        ExpectChunksAgree(WriteTempFile("random.obj", text));
        if (HasFatalFailure()) return;
    }
}

// Reads in `chunks` chunks in a child whose standard output goes to its error stream.
void ReadInChunksExpectingExit(const std::string& path, int chunks) {
    dup2(2, 1);
    _glmReadOBJInChunks(path.c_str(), chunks);
}

// What ends the reading is reported as by one thread: the first problem in file order, the
// counting's before the filling's, after whatever was printed before it.
TEST(ObjChunks, RefusalsComeInFileOrder) {
    WriteTempFile("order.mtl", kLibrary);
    std::string filler;
    for (int i = 0; i < 40; i++) filler += "v 0 0 0\nf 1 1 1\n";
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        // an index out of range early, an unknown keyword late: the counting's refusal comes first
        {"v 0 0 0\nf 1 2 3\n" + filler + "vp 1\n", "^_glmFirstPass\\(\\): Unknown token \"vp\"\\.\n$"},
        // two indices out of range: the first one is reported, after the warning before it
        // (which standard output, a pipe here, holds until the exit)
        {"mtllib order.mtl\nusemtl green\n" + filler + "f 1 2 99\n" + filler + "f 1 1 -500\n",
         "^_glmFillPass\\(\\) failed: vertex index 99 out of range in data file \".*order.obj\"\\.\n"
         "_glmFindMaterial\\(\\):  can't find material \"green\"\\.\n$"},
        // a vertex that is not finite, late
        {filler + "v 1 inf 0\n" + filler, "^_glmFillPass\\(\\) failed: vertex 41 of data file \".*order.obj\" is not a finite position\\.\n$"},
    };
    for (const auto& c : cases) {
        std::string path = WriteTempFile("order.obj", c.text);
        for (int chunks : {1, 3, 8}) {
            SCOPED_TRACE(chunks);
            EXPECT_EXIT(ReadInChunksExpectingExit(path, chunks), ::testing::ExitedWithCode(1), c.message);
        }
    }
}

}  // namespace
