// viewer_test.cpp: files in the styles real exporters write, opened by the real viewer code
// on a Mesa context, and checked as a user would look at them: the right colour on the right
// faces, no highlight washing the colours out, the model filling the view.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <string>
#include <vector>
#include "resources/resources.h"
#include "shell/glcontext.h"
#include "shell/stereo.h"
#include "shell/stereo_keys.h"
#include "shell/command_line.h"
#include "shell/window.h"
#include "tests/gl_test_env.h"
#include "tests/test_util.h"
#include "shell/settings.h"
#include "viewer/file_watch.h"
#include "viewer/light.h"
#include "viewer/viewer.h"

const ProgramInfo& programInfo = tavrinInfo;

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;  // bottom row first
    int left = 0, right = -1, bottom = 0, top = -1;  // bounds of the lit pixels
};

// One eye of the frame on screen, with the bounds of its lit pixels.
Picture ReadPicture(int eye) {
    Picture p;
    EyePicture e = ReadEyePicture(eye);
    p.width = e.width;
    p.height = e.height;
    p.rgba = std::move(e.rgba);
    p.left = p.width;
    p.bottom = p.height;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            const unsigned char* c = &p.rgba[(static_cast<size_t>(y) * p.width + x) * 4];
            if (c[0] > 10 || c[1] > 10 || c[2] > 10) {
                p.left = std::min(p.left, x), p.right = std::max(p.right, x);
                p.bottom = std::min(p.bottom, y), p.top = std::max(p.top, y);
            }
        }
    return p;
}

// The left eye of the first frame of Tavrin showing `file`, and what the reader printed.
Picture Show(const std::string& file, std::string* printed) {
    static bool registered = false;
    if (!registered) registered = RegisterMainClass(&tavrinResources) != 0;
    PlatformTestDefaultWindowSize(240, 180);
    snprintf(modelFileName, sizeof modelFileName, "%s", FixturePath("exporters/" + file).c_str());
    CapturedOutput captured;
    int created = CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT);
    captured.Restore();
    EXPECT_EQ(created, 1);
    *printed = captured.out + captured.err;
    DrawStereoFrame();
    return ReadPicture(0);
}

void Close() {
    // the viewer keeps its model for the whole run; a test frees it
    glmDelete(viewerModel);
    viewerModel = nullptr;
    modelList = 0;
    DestroyWindow(windowDC);
    TakeQuitMessage();
}

// Mean colour of a box of the lit area, between fractions of its width (and of its height:
// the middle band unless told).
std::vector<int> Colour(const Picture& p, double from, double to, double low = 0.3, double high = 0.7) {
    long sum[3] = {0, 0, 0}, n = 0;
    int w = p.right - p.left, h = p.top - p.bottom;
    for (int y = p.bottom + static_cast<int>(h * low); y <= p.bottom + static_cast<int>(h * high); y++)
        for (int x = p.left + static_cast<int>(w * from); x <= p.left + static_cast<int>(w * to); x++, n++)
            for (int c = 0; c < 3; c++) sum[c] += p.rgba[(static_cast<size_t>(y) * p.width + x) * 4 + c];
    return {static_cast<int>(sum[0] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[2] / n)};
}

// What a user names the colour: the channel (0 red, 1 green, 2 blue) well above the other
// two, 3 for magenta, 4 for a grey; -1 for none of these.
int Named(const std::vector<int>& c) {
    for (int k = 0; k < 3; k++)
        if (c[k] > c[(k + 1) % 3] + 60 && c[k] > c[(k + 2) % 3] + 60) return k;
    if (c[0] > c[1] + 60 && c[2] > c[1] + 60) return 3;
    if (std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]}) < 50 && c[1] > 100) return 4;
    return -1;
}

struct Case {
    const char* file;
    std::vector<int> colours;  // named colour of each equal slice of the model, left to right
};

const Case kCases[] = {
    {"blender27.obj", {0, 1}},       // o + usemtl per object, no g; Ni after Ns
    {"blender4.obj", {0, 2, 1}},     // the same in the 4.x layout
    {"max.obj", {0, 2}},             // one g with two usemtl (multi/sub-object material)
    {"cornell.obj", {0, 4, 1}},      // o per wall, negative indices
    {"wings.obj", {3}},              // the only material is named "default"
    {"cad_part.obj", {4, 4}},        // far from the origin, no library
    {"scan_crlf.obj", {-1, 1}},      // long header and group line, CRLF
    {"lamp.obj", {0, 2}},            // Ke: a shade of Kd 0 glows orange, the panel after it does not
    {"vcolors.obj", {0, 2}},         // vertex colours, no library
    {"inward.obj", {0}},             // a scan wound inward against its normals: its red front shows
    {"glass.obj", {0, 3}},           // glass written before the wall behind it: blended over it
    {"signs.obj", {1, 3}},           // map_Ke lights a black screen; map_d lets blue through a red decal
};

TEST(ExporterFiles, LookAsTheirAuthorsMeantThem) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        std::string printed;
        Picture p = Show(c.file, &printed);
        // nothing to complain about: only the count of generated normals
        EXPECT_EQ(printed.find("glmVertexNormals(): "), 0u) << printed;
        EXPECT_EQ(printed.find('\n'), printed.size() - 1) << printed;
        // the widest axis spans the unit cube: about half the width of a 4:3 window
        EXPECT_GT(p.right - p.left, p.width * 45 / 100);
        size_t slices = c.colours.size();
        for (size_t i = 0; i < slices; i++) {
            // the middle of each slice, clear of the gaps between the parts
            std::vector<int> colour = Colour(p, (i + 0.3) / slices, (i + 0.7) / slices);
            if (c.colours[i] < 0) continue;
            EXPECT_EQ(Named(colour), c.colours[i])
                << "slice " << i << ": " << colour[0] << " " << colour[1] << " " << colour[2];
            // a coloured part keeps its weakest channel dark: no highlight over the whole face
            if (c.colours[i] < 4) {
                EXPECT_LT(std::min({colour[0], colour[1], colour[2]}), 100) << "slice " << i;
            }
        }
        Close();
    }
}

// Pixels of each named colour: red, green, blue.
std::vector<int> CountNamed(const Picture& p) {
    std::vector<int> counts(3, 0);
    for (size_t i = 0; i < p.rgba.size(); i += 4) {
        const int named = Named({p.rgba[i], p.rgba[i + 1], p.rgba[i + 2]});
        if (named >= 0 && named < 3) counts[named]++;
    }
    return counts;
}

TEST(ExporterFiles, LinesPointsAndVerticesAloneAreDrawn) {
    // a red outline of segments and a blue row of points, unlit, in their materials' colours
    std::string printed;
    Picture p = Show("wire.obj", &printed);
    EXPECT_EQ(printed, "");
    std::vector<int> named = CountNamed(p);
    EXPECT_GT(named[0], 300) << "the outline, one pixel wide all round";
    EXPECT_GT(named[2], 9 * 4) << "nine points a few pixels across";
    EXPECT_GT(p.right - p.left, p.width * 45 / 100);
    Close();
    // vertices alone: their points, in the grey of a model without materials
    p = Show("cloud.obj", &printed);
    EXPECT_EQ(printed, "");
    long lit = 0;
    for (size_t i = 0; i < p.rgba.size(); i += 4) lit += p.rgba[i] > 100;
    EXPECT_GT(lit, 30 * 4);
    Close();
}

TEST(ExporterFiles, TheStudioLightLightsTheWallsTheHeadLightLeavesDark) {
    // a room open to the eyes: its red and green walls side on, near black under the head light
    std::string printed;
    Picture head = Show("room.obj", &printed);
    studioLight = true;
    SendLight();
    DrawStereoFrame();
    Picture studio = ReadPicture(0);
    studioLight = false;
    SendLight();
    // red and green lit to half of their colour or more
    auto walls = [](const Picture& p) {
        int red = 0, green = 0;
        for (size_t i = 0; i < p.rgba.size(); i += 4) {
            red += p.rgba[i] > 80 && p.rgba[i] > 3 * p.rgba[i + 1];
            green += p.rgba[i + 1] > 57 && p.rgba[i + 1] > 2 * p.rgba[i];
        }
        return std::vector<int>{red, green};
    };
    EXPECT_EQ(walls(head), (std::vector<int>{0, 0}));
    std::vector<int> lit = walls(studio);
    EXPECT_GT(lit[0], 1000);
    EXPECT_GT(lit[1], 1000);
    EXPECT_GT(Colour(studio, 0.4, 0.6)[1], Colour(head, 0.4, 0.6)[1] * 6 / 10) << "the back wall stays lit";
    Close();
}

TEST(ExporterFiles, LongLinesAddNothing) {
    std::string printed;
    Picture p = Show("scan_crlf.obj", &printed);
    // two quads; the header's tail ("faces 1 2 3") and the group line's (" v 9 9 9") are no data
    EXPECT_EQ(viewerModel->triangleCount, 4u);
    EXPECT_EQ(viewerModel->vertexCount, 8u);
    EXPECT_EQ(strlen(viewerModel->groupList->name), 126u);
    // the warm grey of stone on the left: red above blue
    std::vector<int> stone = Colour(p, 0.1, 0.4);
    EXPECT_GT(stone[0], stone[2] + 25);
    Close();
}

TEST(ExporterFiles, TexturesAsTheirAuthorsMadeThem) {
    // each panel's map has one colour above and one below (the PNG's lower half transparent);
    // the fifth panel's map is missing, and its material's magenta shows; the last, with the
    // JPEG's material but no texture coordinates, is its plain white
    std::string printed;
    Picture p = Show("textured.obj", &printed);
    EXPECT_TRUE(useTextures);
    EXPECT_EQ(printed, "glmVertexNormals(): 24 normals generated\n_glmReadMTL() warning: can't open texture map \"" +
                           FixturePath("exporters/") + "textures/absent.png\" of material \"missing\".\n");
    const int above[6] = {0, 1, 2, 0, 3, 4}, below[6] = {-1, 2, 0, 1, 3, 4};
    for (int i = 0; i < 6; i++) {
        std::vector<int> top = Colour(p, (i + 0.3) / 6, (i + 0.7) / 6, 0.65, 0.9);
        std::vector<int> bottom = Colour(p, (i + 0.3) / 6, (i + 0.7) / 6, 0.1, 0.35);
        EXPECT_EQ(Named(top), above[i]) << "panel " << i << ": " << top[0] << " " << top[1] << " " << top[2];
        if (below[i] >= 0)
            EXPECT_EQ(Named(bottom), below[i]) << "panel " << i << ": " << bottom[0] << " " << bottom[1] << " " << bottom[2];
        else
            EXPECT_LT(std::max({bottom[0], bottom[1], bottom[2]}), 8) << "the cut-out shows the background";
    }
    Close();
}

TEST(ExporterFiles, ConcaveFacesBoxesAndModelsWithoutTheirLibrary) {
    // a U-shaped polygon keeps its notch open
    std::string printed;
    Picture p = Show("concave.obj", &printed);
    EXPECT_LT(Colour(p, 0.45, 0.55, 0.75, 0.9)[0], 8);
    EXPECT_GT(Colour(p, 0.05, 0.2, 0.75, 0.9)[0], 100);
    EXPECT_GT(Colour(p, 0.45, 0.55, 0.05, 0.2)[0], 100);
    Close();
    // a cube's front face no longer fills the window: both eyes keep a margin all round, and
    // its library, shipped elsewhere, is one warning
    p = Show("box.obj", &printed);
    EXPECT_EQ(printed, "glmVertexNormals(): 32 normals generated\n_glmReadMTL() failed: can't open material file \"" +
                           FixturePath("exporters/") + "cube_materials.mtl\".\n");
    for (int eye = 0; eye < 2; eye++) {
        Picture e = ReadPicture(eye);
        EXPECT_GT(e.left, 2) << eye;
        EXPECT_LT(e.right, e.width - 3) << eye;
        EXPECT_GT(e.bottom, 2) << eye;
        EXPECT_LT(e.top, e.height - 3) << eye;
        EXPECT_GT(e.top - e.bottom, e.height * 8 / 10) << "not smaller than it must be";
    }
    Close();
}

TEST(ViewerSession, ChangesOnDiskPostOneMessageUntilTheWindowTakesIt) {
    // a model saved again and again while the window takes no message (a box is open)
    std::string printed;
    Show("box.obj", &printed);
    std::string path = WriteTempFile("watched.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    WatchModelFiles(windowDC, path.c_str(), viewerModel);
    auto changesQueued = [&](int saves) {
        for (int i = 0; i < saves; i++) WriteTempFile("watched.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        usleep(300000);
        PostMessage(windowDC, WM_APP + 99, 0, 0);
        int changes = 0;
        for (MSG msg; GetMessage(&msg, nullptr, 0, 0) && msg.message != WM_APP + 99;)
            changes += msg.message == WM_APP_FILE_CHANGED;
        return changes;
    };
    EXPECT_EQ(changesQueued(500), 1);
    EXPECT_EQ(changesQueued(3), 0) << "nothing more while the first is not taken";
    EXPECT_TRUE(TakeFileChange()) << "the last save was closed";
    EXPECT_EQ(changesQueued(1), 1);
    Close();
}

TEST(ViewerScene, LightingCullingAndTheGreyOfAModelWithoutMaterials) {
    std::string printed;
    Picture p = Show("cad_part.obj", &printed);
    EXPECT_FALSE(useMaterials);
    EXPECT_NE(modelList, 0u);
    GLint value = 0;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &value);
    EXPECT_EQ(value, GL_TRUE);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    // the frame leaves colour material on with the grey of the eye routine
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.75f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    // the current material set outside the list, for both sides
    float shininess[2] = {0, 0};
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess[0]);
    glGetMaterialfv(GL_BACK, GL_SHININESS, &shininess[1]);
    EXPECT_EQ(shininess[0], 65.0f);
    EXPECT_EQ(shininess[1], 65.0f);
    // a lit, even grey
    std::vector<int> grey = Colour(p, 0.3, 0.45);
    EXPECT_GT(grey[0], 100);
    EXPECT_LE(std::max({grey[0], grey[1], grey[2]}) - std::min({grey[0], grey[1], grey[2]}), 3);
    Close();
}

// --- the viewer's controls, driven through its window procedure --------------------------

struct ViewerControls : ::testing::Test {
    HWND window = nullptr;
    void SetUp() override {
        std::string printed;
        Show("blender27.obj", &printed);
        window = windowDC;
        ResetEyes(window);
    }
    void TearDown() override { Close(); }
    void Send(UINT message, int x = 100, int y = 80) { StereoWndProc(window, message, 0, MAKELPARAM(x, y)); }
    void Command(int id) { StereoWndProc(window, WM_COMMAND, MAKEWPARAM(id, 1), 0); }
    // a drag that moved, then the release that starts the spin
    void Spin() {
        Send(WM_LBUTTONDOWN, 100, 80);
        Send(WM_MOUSEMOVE, 120, 80);
        Send(WM_LBUTTONUP, 120, 80);
        ASSERT_NE(spinTimer, 0u);
    }
};

TEST_F(ViewerControls, OnlyLeftPressMiddleOrRightReleaseAndSpaceStopTheSpin) {
    // what must not stop it
    Spin();
    float before[16];
    memcpy(before, rotationMatrix, sizeof before);
    StereoWndProc(window, WM_TIMER, 1, 0);
    EXPECT_NE(memcmp(before, rotationMatrix, sizeof before), 0) << "a tick turns the model";
    const UINT keepers[] = {WM_MBUTTONDOWN, WM_RBUTTONDOWN, WM_MOUSEMOVE};
    for (UINT message : keepers) {
        Send(message);
        EXPECT_NE(spinTimer, 0u) << std::hex << message;
    }
    Send(WM_MBUTTONUP);
    Send(WM_RBUTTONUP);
    for (int id : {40042, 40007, 40008, 40036}) {
        Spin();
        Command(id);
        EXPECT_NE(spinTimer, 0u) << id;
    }
    // what must: each on a running spin
    Spin();
    Send(WM_LBUTTONDOWN);
    EXPECT_EQ(spinTimer, 0u);
    EXPECT_TRUE(leftDragging);
    Send(WM_LBUTTONUP);
    EXPECT_NE(spinTimer, 0u) << "every left release starts it, also without motion";
    for (UINT message : {WM_MBUTTONUP, WM_RBUTTONUP}) {
        Spin();
        Send(message - 1);
        Send(message);
        EXPECT_EQ(spinTimer, 0u) << std::hex << message;
    }
    Spin();
    Command(40041);
    EXPECT_EQ(spinTimer, 0u);
}

TEST_F(ViewerControls, TheFirstHeldButtonOfLeftMiddleRightActs) {
    float rotation[16];
    // left and middle held: the trackball turns, the eyes stay
    Send(WM_MBUTTONDOWN, 100, 80);
    Send(WM_LBUTTONDOWN, 100, 80);
    memcpy(rotation, rotationMatrix, sizeof rotation);
    Send(WM_MOUSEMOVE, 160, 80);
    EXPECT_NE(memcmp(rotation, rotationMatrix, sizeof rotation), 0);
    EXPECT_EQ(eyeSeparation, startEyeSeparation);
    Send(WM_LBUTTONUP, 160, 80);
    // middle and right held: the eye separation, not the frustum shift
    Send(WM_RBUTTONDOWN, 160, 80);
    memcpy(rotation, rotationMatrix, sizeof rotation);
    Send(WM_MOUSEMOVE, 160 + windowWidth / 10, 80);
    EXPECT_FLOAT_EQ(eyeSeparation, startEyeSeparation + 0.02f);
    EXPECT_EQ(frustumShift, startFrustumShift);
    EXPECT_EQ(memcmp(rotation, rotationMatrix, sizeof rotation), 0);
    // right alone: the frustum shift; to the left it falls
    Send(WM_MBUTTONUP);
    Send(WM_MOUSEMOVE, 160, 80);
    EXPECT_FLOAT_EQ(frustumShift, startFrustumShift - 0.02f);
    EXPECT_FLOAT_EQ(eyeSeparation, startEyeSeparation + 0.02f);
    Send(WM_RBUTTONUP);
    // no button: a move changes nothing
    Send(WM_MOUSEMOVE, 10, 10);
    EXPECT_FLOAT_EQ(frustumShift, startFrustumShift - 0.02f);
    // Enter puts both back
    Command(40042);
    EXPECT_EQ(frustumShift, startFrustumShift);
    EXPECT_EQ(eyeSeparation, startEyeSeparation);
}

TEST_F(ViewerControls, F1ListsTheKeysInAnInformationBox) {
    int boxes = platformLastMessageBox.count;
    StereoWndProc(window, WM_KEYDOWN, VK_F1, 0);
    ASSERT_EQ(platformLastMessageBox.count, boxes + 1);
    std::string text = platformLastMessageBox.text;
    EXPECT_STREQ(platformLastMessageBox.caption, "VOXA Tessan-9 OpenGL in Stereo");
    EXPECT_EQ(platformLastMessageBox.flags, static_cast<UINT>(MB_ICONINFORMATION));
    for (const char* line : {"Space: stop spinning\n", "F2 / Shift+F2: ", "F3: swap the eyes\n", "F5: read ", "F11: ",
                             "Showing the eyes as: left eye\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    // the platform's boxes draw no tab stops
    EXPECT_EQ(text.find('\t'), std::string::npos);
}

}  // namespace
