// mtl_reader_test.cpp: material libraries, through glmReadOBJ and on their own.
#include <gtest/gtest.h>
#include <math.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <unordered_map>
#include <vector>
#include "glm/glm_internal.h"
#include "tests/test_util.h"

namespace {

struct Read {
    GlmModel* model;
    std::string out, err;
};

// Writes an OBJ and its library side by side and reads them.
Read ReadWithLibrary(const std::string& obj, const std::string& mtl, const std::string& mtlName = "lib.mtl") {
    WriteTempFile(mtlName, mtl);
    std::string path = WriteTempFile("withlib.obj", obj);
    CapturedOutput captured;
    GlmModel* model = glmReadOBJ(path.c_str());
    captured.Restore();
    return {model, captured.out, captured.err};
}

const char* const kThree =
    "newmtl red\nKd 1 0 0\nKa 0.1 0 0\nKs 0.5 0.5 0.5\nNs 500\n"
    "newmtl green\nKd 0 1 0\nNs 1000\n"
    "newmtl blue\nKd 0 0 1\nNs 1000\nNi 1.45\nKe 1 1 1\nd 0.5\nillum 2\nmap_Kd x.png\n";
const char* const kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

TEST(PathDirectory, KeepsTheTrailingSlashOrNothing) {
    const char* cases[][2] = {
        {"models/cube.obj", "models/"}, {"cube.obj", ""}, {"a\\b\\cube.obj", ""}, {"/abs/dir/x.obj", "/abs/dir/"},
        {"dir/", "dir/"},
    };
    for (auto& c : cases) {
        char* dir = _glmPathDirectory(c[0]);
        EXPECT_STREQ(dir, c[1]) << c[0];
        _glmFree(dir);
    }
}

TEST(MtlReader, ReadsMaterialsInFileOrderAfterDefault) {
    Read r = ReadWithLibrary(std::string("mtllib lib.mtl\n") + kTriangle, kThree);
    GlmModel* m = r.model;
    ASSERT_EQ(m->materialCount, 4u);
    EXPECT_STREQ(m->libraryName, "lib.mtl");
    EXPECT_STREQ(m->materialArray[0].name, "default");
    EXPECT_EQ(_glmFindMaterial(m, "default"), 0);
    EXPECT_EQ(_glmFindMaterial(m, "red"), 1);
    EXPECT_EQ(_glmFindMaterial(m, "green"), 2);
    EXPECT_EQ(_glmFindMaterial(m, "blue"), 3);
    const GlmMaterial& def = m->materialArray[0];
    EXPECT_FLOAT_EQ(def.diffuse[0], 0.8f);
    EXPECT_FLOAT_EQ(def.ambient[1], 0.2f);
    EXPECT_FLOAT_EQ(def.specular[2], 0.0f);
    EXPECT_FLOAT_EQ(def.specular[3], 1.0f);
    const GlmMaterial& red = m->materialArray[1];
    EXPECT_FLOAT_EQ(red.diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(red.diffuse[1], 0.0f);
    EXPECT_FLOAT_EQ(red.diffuse[3], 1.0f);
    EXPECT_FLOAT_EQ(red.ambient[0], 0.1f);
    EXPECT_FLOAT_EQ(red.specular[1], 0.5f);
    // Ns 0..1000 becomes 0..128; Ni (refraction) after it is no shininess
    EXPECT_FLOAT_EQ(red.shininess, 64.0f);
    EXPECT_FLOAT_EQ(m->materialArray[2].shininess, 128.0f);
    EXPECT_FLOAT_EQ(m->materialArray[3].shininess, 128.0f);
    // Ke is the material's own light; d is the diffuse colour's alpha; illum changes nothing;
    // a map that is not there is a warning, no colour change
    EXPECT_FLOAT_EQ(m->materialArray[3].emission[1], 1.0f);
    EXPECT_FLOAT_EQ(red.emission[0], 0.0f);
    EXPECT_FLOAT_EQ(m->materialArray[3].diffuse[0], 0.0f);
    EXPECT_FLOAT_EQ(m->materialArray[3].diffuse[3], 0.5f);
    EXPECT_EQ(m->materialArray[3].textureMap, nullptr);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "_glmReadMTL() warning: can't open texture map \"" + TempDir() + "/x.png\" of material \"blue\".\n");
    glmDelete(m);
}

TEST(MtlReader, LibraryWithoutNewmtlChangesDefault) {
    Read r = ReadWithLibrary(std::string("mtllib lib.mtl\n") + kTriangle, "# only default\nKd 0.5 0.25 0\nNs 250\n");
    ASSERT_EQ(r.model->materialCount, 1u);
    EXPECT_FLOAT_EQ(r.model->materialArray[0].diffuse[1], 0.25f);
    EXPECT_FLOAT_EQ(r.model->materialArray[0].shininess, 32.0f);
    glmDelete(r.model);
}

TEST(MtlReader, GroupsTakeTheMaterialCurrentWhenLastEntered) {
    // usemtl before mtllib still finds its material: the library is read in the first pass
    Read r = ReadWithLibrary(std::string(kTriangle) +
                                 "usemtl green\nf 1 2 3\ng a\nf 1 2 3\nusemtl red\nusemtl blue\ng b\nusemtl Red\n"
                                 "g c\nmtllib other.mtl lib.mtl\n",
                             kThree);
    GlmModel* m = r.model;
    int32_t expected[][2] = {{'c', 0}, {'b', 0}, {'a', 3}, {'d', 2}};
    int i = 0;
    for (GlmGroup* g = m->groupList; g; g = g->next, i++) {
        EXPECT_EQ(g->name[0], expected[i][0]);
        EXPECT_EQ(g->materialIndex, expected[i][1]) << g->name;
    }
    // names are case-sensitive: "Red" is not found and gives material 0
    EXPECT_EQ(r.out, "_glmFindMaterial():  can't find material \"Red\".\n");
    glmDelete(m);
}

TEST(MtlReader, EachTriangleKeepsTheMaterialOfItsFace) {
    // o and usemtl without any g, as one exporter writes them: all in "default"
    Read r = ReadWithLibrary(std::string("mtllib lib.mtl\n") + kTriangle +
                                 "o A\nusemtl red\ns off\nf 1 2 3\nf 1 2 3\no B\nusemtl blue\nf 1 2 3\n"
                                 "g g\nf 1 2 3\nusemtl green\nf 1 2 3\n",
                             kThree);
    GlmModel* m = r.model;
    ASSERT_EQ(m->triangleCount, 5u);
    std::vector<int> materials;
    for (uint32_t i = 0; i < m->triangleCount; i++) materials.push_back(m->triangleArray[i].materialIndex);
    EXPECT_EQ(materials, std::vector<int>({1, 1, 3, 3, 2}));
    // the groups keep the one material of the last usemtl or g line
    EXPECT_EQ(m->groupList->materialIndex, 2);
    EXPECT_EQ(m->groupList->next->materialIndex, 3);
    glmDelete(m);
}

TEST(MtlReader, DuplicateAndEmptyNames) {
    Read r = ReadWithLibrary(std::string("mtllib lib.mtl\n") + kTriangle, "newmtl x\nnewmtl x\nnewmtl\nnewmtl a b\n");
    GlmModel* m = r.model;
    ASSERT_EQ(m->materialCount, 5u);
    EXPECT_EQ(_glmFindMaterial(m, "x"), 1);
    EXPECT_STREQ(m->materialArray[3].name, "");
    EXPECT_STREQ(m->materialArray[4].name, "b");
    glmDelete(m);
}

TEST(MtlReader, UsemtlMatchesANewmtlLineWholeBeforeItsLastWord) {
    // names of several words, as some exporters write them, stay apart; a name that no line
    // reads whole falls back on the last word
    Read r = ReadWithLibrary("mtllib lib.mtl\n" + std::string(kTriangle) +
                                 "usemtl Black  Color\nf 1 2 3\nusemtl x red\nf 1 2 3\nusemtl Grey Color \nf 1 2 3\n",
                             "newmtl White  Color\nnewmtl Black  Color\nnewmtl red\n");
    const int32_t expected[3] = {2, 3, 1};
    for (int t = 0; t < 3; t++) EXPECT_EQ(r.model->triangleArray[t].materialIndex, expected[t]) << t;
    EXPECT_STREQ(r.model->materialArray[2].name, "Color");
    EXPECT_EQ(r.out, "");
    glmDelete(r.model);
}

TEST(MtlReader, OpacityFromDOrTrWithTheExportersSlip) {
    // d wins where both stand, Tr is 1 - d where alone, clamped; every Tr 1 and no d: all opaque
    auto alphas = [](const std::string& mtl) {
        Read r = ReadWithLibrary(std::string("mtllib lib.mtl\n") + kTriangle, mtl);
        std::vector<float> a;
        for (uint32_t i = 1; i < r.model->materialCount; i++) a.push_back(r.model->materialArray[i].diffuse[3]);
        glmDelete(r.model);
        return a;
    };
    EXPECT_EQ(alphas("newmtl a\nTr 0.9\nd 0.25\nnewmtl b\nTr 0.25\nnewmtl c\nd 7\nKd 1 0 0\nnewmtl d\nTr 1\n"),
              (std::vector<float>{0.25f, 0.75f, 1, 0}));
    EXPECT_EQ(alphas("newmtl a\nTr 1\nnewmtl b\nTr 1.0\nnewmtl c\n"), (std::vector<float>{1, 1, 1}));
}

TEST(MtlReader, LaterLibraryReplacesTheTable) {
    WriteTempFile("first.mtl", "newmtl one\nnewmtl two\n");
    Read r = ReadWithLibrary(std::string("mtllib first.mtl\nmtllib lib.mtl\n") + kTriangle, "newmtl three\n");
    EXPECT_EQ(r.model->materialCount, 2u);
    EXPECT_STREQ(r.model->libraryName, "lib.mtl");
    EXPECT_STREQ(r.model->materialArray[1].name, "three");
    glmDelete(r.model);
}

TEST(MtlReader, LibraryIsFoundInTheModelsDirectory) {
    ASSERT_EQ(mkdir((TempDir() + "/sub").c_str(), 0755) == 0 || errno == EEXIST, true);
    WriteTempFile("sub/x.mtl", "newmtl inside\n");
    std::string path = WriteTempFile("nested.obj", "mtllib sub/x.mtl\n");
    GlmModel* m = glmReadOBJ(path.c_str());
    EXPECT_STREQ(m->materialArray[1].name, "inside");
    glmDelete(m);

    // a model path without a directory reads the library from the current directory
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(TempDir().c_str()), 0);
    m = glmReadOBJ("nested.obj");
    EXPECT_STREQ(m->materialArray[1].name, "inside");
    glmDelete(m);
    ASSERT_EQ(chdir(cwd), 0);
}

TEST(MtlReader, MissingLibraryIsAWarningAndTheModelIsShownWithoutIt) {
    // each name on a line is a library; none there: one line, and usemtl names pass silently
    Read r = ReadWithLibrary(std::string("mtllib absent.mtl other.mtl\nusemtl red\n") + kTriangle + "f 1 2 3\n", "", "x.mtl");
    EXPECT_EQ(r.err, "_glmReadMTL() failed: can't open material file \"" + TempDir() + "/absent.mtl\".\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.model->triangleCount, 1u);
    EXPECT_EQ(r.model->materialCount, 0u);
    EXPECT_EQ(r.model->triangleArray[0].materialIndex, 0);
    glmDelete(r.model);
    // nor are a directory, a FIFO without a writer (never opened, so never waited on) or a device
    ASSERT_EQ(mkdir((TempDir() + "/dir.mtl").c_str(), 0755) == 0 || errno == EEXIST, true);
    ASSERT_EQ(mkfifo((TempDir() + "/fifo.mtl").c_str(), 0644) == 0 || errno == EEXIST, true);
    for (const char* name : {"dir.mtl", "fifo.mtl", "/dev/zero"}) {
        r = ReadWithLibrary(std::string("mtllib ") + name + "\n", "", "y.mtl");
        EXPECT_EQ(r.err, "_glmReadMTL() failed: can't open material file \"" + (name[0] == '/' ? "" : TempDir() + "/") + name + "\".\n");
        glmDelete(r.model);
    }
}

TEST(MtlReader, LibrariesAreFoundWhereUsersKeepThem) {
    // a folder path from the author's machine, the library beside the model; a name with a
    // space; two libraries on one line make one table
    WriteTempFile("two.mtl", "newmtl b\n");
    const char* lines[][2] = {{"mtllib C:\\Users\\me\\models\\Lib.mtl", "a"}, {"mtllib my lib.mtl", "a"},
                              {"mtllib lib.mtl two.mtl", "b"}};
    for (auto& line : lines) {
        Read r = ReadWithLibrary(std::string(line[0]) + "\n", "newmtl a\n", line[1][0] == 'a' && line[0][8] == 'y' ? "my lib.mtl" : "lib.mtl");
        ASSERT_GE(r.model->materialCount, 2u) << line[0];
        EXPECT_STREQ(r.model->materialArray[r.model->materialCount - 1].name, line[1]) << line[0];
        EXPECT_EQ(r.err, "") << line[0];
        glmDelete(r.model);
    }
    // a comment after a blank ends the line: what is before it is one name with a space
    Read r = ReadWithLibrary("mtllib my own.mtl # exported by a program\n", "newmtl c\n", "my own.mtl");
    ASSERT_EQ(r.model->materialCount, 2u);
    EXPECT_STREQ(r.model->materialArray[1].name, "c");
    EXPECT_EQ(r.err, "");
    glmDelete(r.model);
}

TEST(MtlReader, MapsAreFoundInATexturesFolderBesideTheLibraryOrAboveIt) {
    // named by a folder of the author's machine, kept in textures/ above the library's folder
    // and in Textures/ beside it
    for (const char* folder : {"/textures", "/models", "/models/Textures"}) mkdir((TempDir() + folder).c_str(), 0755);
    WriteTempFile("textures/above.png", "x");
    WriteTempFile("models/Textures/beside.png", "x");
    WriteTempFile("models/lib.mtl", "newmtl a\nmap_Kd C:\\work\\maps\\above.png\nnewmtl b\nmap_Kd gone/beside.png\n");
    Read r = ReadWithLibrary("mtllib models/lib.mtl\n", "");
    ASSERT_EQ(r.model->materialCount, 3u);
    EXPECT_EQ(std::string(r.model->materialArray[1].textureMap), TempDir() + "/models/../textures/above.png");
    EXPECT_EQ(std::string(r.model->materialArray[2].textureMap), TempDir() + "/models/Textures/beside.png");
    glmDelete(r.model);
}

TEST(MtlReader, ShortColourLinesStayOnTheirLine) {
    // one value: green and blue follow red; two: blue follows red; the next line's keyword
    // is never read as a number
    Read r = ReadWithLibrary(std::string("mtllib lib.mtl\n") + kTriangle,
                             "newmtl a\nKd 0.5\nnewmtl b\nKa 0.25 0.75\nnewmtl c\nKs 1 0.5\r\nNs\nnewmtl d\n");
    GlmModel* m = r.model;
    ASSERT_EQ(m->materialCount, 5u);
    EXPECT_STREQ(m->materialArray[2].name, "b");
    EXPECT_STREQ(m->materialArray[4].name, "d");
    EXPECT_EQ(std::vector<float>(m->materialArray[1].diffuse, m->materialArray[1].diffuse + 4),
              std::vector<float>({0.5f, 0.5f, 0.5f, 1.0f}));
    EXPECT_EQ(std::vector<float>(m->materialArray[2].ambient, m->materialArray[2].ambient + 4),
              std::vector<float>({0.25f, 0.75f, 0.25f, 1.0f}));
    EXPECT_EQ(std::vector<float>(m->materialArray[3].specular, m->materialArray[3].specular + 4),
              std::vector<float>({1.0f, 0.5f, 1.0f, 1.0f}));
    EXPECT_EQ(r.out + r.err, "");
    glmDelete(m);
}

TEST(MtlReader, ALibrarysOwnDefaultSetsSlotZero) {
    // the only material is "default", as one exporter writes it: no second slot
    Read r = ReadWithLibrary(std::string("mtllib lib.mtl\nusemtl default\n") + kTriangle + "f 1 2 3\n",
                             "newmtl default\nKd 0.9 0.1 0.2\nNs 500\nnewmtl other\nKd 0 1 0\n");
    GlmModel* m = r.model;
    ASSERT_EQ(m->materialCount, 2u);
    EXPECT_STREQ(m->materialArray[0].name, "default");
    EXPECT_FLOAT_EQ(m->materialArray[0].diffuse[0], 0.9f);
    EXPECT_FLOAT_EQ(m->materialArray[0].diffuse[2], 0.2f);
    EXPECT_FLOAT_EQ(m->materialArray[0].shininess, 64.0f);
    EXPECT_STREQ(m->materialArray[1].name, "other");
    EXPECT_EQ(m->triangleArray[0].materialIndex, 0);
    EXPECT_EQ(r.out + r.err, "");
    glmDelete(m);
}

TEST(MtlReaderDeath, LibraryThatReadsDifferentlyIsRefused) {
    // a number that starts like "nan" on the line of a newmtl keyword swallows its "ne"
    WriteTempFile("swallow.mtl", "newmtl a\nKd 1 2 n newmtl b\nnewmtl c\n");
    std::string path = WriteTempFile("swallow.obj", "mtllib swallow.mtl\n");
    EXPECT_EXIT(glmReadOBJ(path.c_str()), ::testing::ExitedWithCode(1),
                "^_glmReadMTL\\(\\) failed: malformed material file \".*swallow.mtl\"");
}

}  // namespace

namespace {

std::string FileText(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    std::string text;
    char block[4096];
    for (size_t n; f && (n = fread(block, 1, sizeof block, f)) > 0;) text.append(block, n);
    if (f) fclose(f);
    return text;
}

}  // namespace

TEST(MtlReader, MapsAreDecodedBottomRowFirstAndHostileOnesRefusedBeforeTheyTakeMemory) {
    std::string textures = FixturePath("exporters/textures/");
    std::string jpeg = FileText(textures + "Brick.jpg"), sof = std::string("\xff\xc0", 2);
    std::string huge = jpeg;
    huge.replace(huge.find(sof) + 5, 4, "\xfd\xe8\xfd\xe8");  // 65000 x 65000
    std::string progressive = huge;  // takes every coefficient at its start
    progressive[progressive.find(sof) + 1] = '\xc2';
    std::string bmp = "BM" + std::string(16, '\0') + std::string("\xa0\x86\x01\x00\xa0\x86\x01\x00", 8) + std::string(40, '\0');
    const char* maps[][2] = {{"leaf.png", ""}, {"brick.jpg", ""}, {"huge.jpg", "larger than 16384 x 16384 texels"},
                             {"huge.bmp", "larger than 16384 x 16384 texels"},
                             {"cut.png", "not a PNG picture it can decode"},
                             {"notes.png", "not a PNG, JPEG, TGA, BMP or GIF picture"},
                             {"progressive.jpg", "larger than 16384 x 16384 texels"}, {"cmyk.jpg", ""},
                             {"cut.tga", "not a TGA picture it can decode"}, {"cut.gif", "not a GIF picture it can decode"}};
    WriteTempFile("leaf.png", FileText(textures + "leaf.png"));
    WriteTempFile("brick.jpg", jpeg);
    WriteTempFile("huge.jpg", huge);
    WriteTempFile("huge.bmp", bmp);
    WriteTempFile("cut.png", FileText(textures + "leaf.png").substr(0, 60));
    WriteTempFile("notes.png", "not a picture\n");
    WriteTempFile("progressive.jpg", progressive);
    WriteTempFile("cmyk.jpg", FileText(textures + "cmyk.jpg"));  // red, as a print shop keeps it
    // a 4 x 4 TGA without its last row, and a 1 x 1 GIF without its trailer
    const char tga[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0};
    WriteTempFile("cut.tga", std::string(tga, 18) + std::string(36, '\x7f'));
    WriteTempFile("cut.gif", std::string("GIF89a\x01\0\x01\0\x80\0\0\xff\xff\xff\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02D\x01", 33));
    std::string library;
    for (auto& m : maps) library += std::string("newmtl ") + m[0] + "\nmap_Kd " + m[0] + "\n";
    Read r = ReadWithLibrary("mtllib lib.mtl\n", library);
    GlmImage* images = _glmWaitImages(r.model);
    ASSERT_NE(images, nullptr);
    for (uint32_t i = 1; i < r.model->materialCount; i++) EXPECT_STREQ(images[i].failure, maps[i - 1][1]) << maps[i - 1][0];
    // the PNG's lower half is transparent, the JPEG's blue: the first rows are the bottom
    const GlmImage& leaf = images[1];
    ASSERT_EQ(leaf.channels, 4);
    EXPECT_EQ(leaf.pixels[3], 0);
    const unsigned char* top = leaf.pixels + static_cast<size_t>(leaf.height - 1) * leaf.width * 4;
    EXPECT_EQ(std::vector<int>(top, top + 4), (std::vector<int>{255, 0, 0, 255}));
    const GlmImage& brick = images[2];
    ASSERT_EQ(brick.channels, 3);
    EXPECT_GT(brick.pixels[2], 200);
    EXPECT_GT(brick.pixels[static_cast<size_t>(brick.height - 1) * brick.width * 3 + 1], 200);
    const GlmImage& cmyk = images[8];
    ASSERT_EQ(cmyk.channels, 3);
    EXPECT_GT(cmyk.pixels[0], 240);
    EXPECT_LT(cmyk.pixels[1] + cmyk.pixels[2], 20);
    glmDelete(r.model);
}

namespace {

uint32_t Fnv1a(uint32_t h, const std::string& text) {
    for (unsigned char c : text) h = (h ^ c) * 16777619u;
    return h;
}

// 2^blocks names with one FNV-1a hash: for each block, two strings that take the hash from
// where the blocks before left it to the same value (found by a birthday search), in every
// combination.
std::vector<std::string> CollidingNames(int blocks) {
    std::vector<std::string> names = {""};
    uint32_t state = 2166136261u;
    srand(7);
    for (int b = 0; b < blocks; b++) {
        std::unordered_map<uint32_t, std::string> seen;
        std::string pair[2];
        while (pair[1].empty()) {
            std::string s;
            for (int i = 0; i < 7; i++) s += static_cast<char>('a' + rand() % 26);
            auto [at, added] = seen.emplace(Fnv1a(state, s), s);
            if (!added && at->second != s) pair[0] = at->second, pair[1] = s;
        }
        state = Fnv1a(state, pair[0]);
        std::vector<std::string> longer;
        for (const std::string& n : names)
            for (const std::string& p : pair) longer.push_back(n + p);
        names.swap(longer);
    }
    return names;
}

}  // namespace

TEST(MtlReader, NamesMadeToCollideSpreadOverTheTables) {
    // names an unkeyed FNV-1a puts in one slot, as a hostile file would name its materials
    std::vector<std::string> names = CollidingNames(12);
    std::vector<bool> slots(names.size());
    size_t spread = 0;
    for (const std::string& n : names) {
        EXPECT_EQ(Fnv1a(2166136261u, n), Fnv1a(2166136261u, names[0]));
        uint32_t slot = _glmNameHash(n.c_str()) % names.size();
        spread += !slots[slot];
        slots[slot] = true;
    }
    EXPECT_GT(spread, names.size() / 2);
}

TEST(MtlReader, AMapNamedManyWaysIsDecodedOnceAndMapsStayWithinTheirBudget) {
    // run-length TGAs of a few kB that claim 512 x 512 texels: one named four ways (one of them
    // a link), and three others; the maps together may hold 1.5 MB, less than the four need
    auto tga = [](unsigned char grey) {
        const char header[18] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 24, 0};
        std::string runs;
        for (int i = 0; i < 512 * 512 / 128; i++) runs += std::string{'\xff', static_cast<char>(grey), static_cast<char>(grey), 0};
        return std::string(header, 18) + runs;
    };
    WriteTempFile("r.tga", tga(40));
    unlink((TempDir() + "/s.tga").c_str());
    ASSERT_EQ(symlink((TempDir() + "/r.tga").c_str(), (TempDir() + "/s.tga").c_str()), 0);
    std::string library;
    const char* names[] = {"r.tga", "./r.tga", "././r.tga", "s.tga", "a.tga", "b.tga", "c.tga"};
    for (int i = 0; i < 7; i++) {
        if (i >= 4) WriteTempFile(names[i], tga(static_cast<unsigned char>(80 + 40 * i)));
        library += "newmtl m" + std::to_string(i) + "\nmap_Kd " + names[i] + "\n";
    }
    _glmMapBudget = 3 << 19;
    Read r = ReadWithLibrary("mtllib lib.mtl\n", library);
    _glmMapBudget = 0;
    GlmImage* images = _glmWaitImages(r.model);
    ASSERT_NE(images, nullptr);
    size_t held = 0, reduced = 0;
    for (uint32_t i = 1; i <= 7; i++) {
        EXPECT_EQ(images[i].duplicateOf, i >= 2 && i <= 4 ? 1 : -1) << names[i - 1];
        if (images[i].duplicateOf >= 0) continue;
        ASSERT_NE(images[i].pixels, nullptr) << images[i].failure;
        held += _glmMipmapBytes(images[i].width, images[i].height, images[i].channels);
        reduced += images[i].width < 512;
    }
    EXPECT_LE(held, 3u << 19);
    EXPECT_GE(reduced, 1u);
    EXPECT_EQ(_glmReducedMapBudget(r.model), 3u << 19);
    glmDelete(r.model);
}
