// stereo_test.cpp: the stereo camera: frustum bounds, tuning, and where each eye's picture
// lands in the emulated eye buffers of a real Mesa context.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <dirent.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <string>
#include "resources/resources.h"
#include "shell/platform_test.h"
#include "shell/output.h"
#include "shell/stereo_keys.h"
#include "shell/command_line.h"
#include "shell/folders.h"
#include "shell/glcontext.h"
#include "shell/snapshot.h"
#include "shell/stereo.h"
#include "shell/window.h"
#include "tests/gl_test_env.h"
#include "tests/stereo_output_check.h"
#include "tests/shell_test_program.h"
#include "tests/test_util.h"

namespace {

uint32_t Bits(float f) {
    uint32_t b;
    memcpy(&b, &f, sizeof b);
    return b;
}

void ExpectBounds(const ProgramInfo& info, int eye, float aspect, double left, double right) {
    double b[6];
    StereoFrustumBounds(&info.projection, eye, aspect, startFrustumShift, b);
    EXPECT_NEAR(b[0], left, 1e-7) << info.programName << " eye " << eye << " aspect " << aspect;
    EXPECT_NEAR(b[1], right, 1e-7);
    EXPECT_EQ(b[2], info.projection.bottom);
    EXPECT_EQ(b[3], info.projection.top);
    EXPECT_EQ(b[4], info.projection.nearPlane);
    EXPECT_EQ(b[5], info.projection.farPlane);
}

TEST(StereoCamera, FrustumBoundsOfBothProgramsAndEyes) {
    const double s = -0.0123611;
    for (float aspect : {1.0f, 2.0f, 0.5f}) {
        ExpectBounds(tavrinInfo, 0, aspect, -0.5 * aspect - s, 0.5 * aspect - s);
        ExpectBounds(tavrinInfo, 1, aspect, s - 0.5 * aspect, s + 0.5 * aspect);
        ExpectBounds(ondrelInfo, 0, aspect, -0.75 * aspect - s, 0.75 * aspect - s);
        ExpectBounds(ondrelInfo, 1, aspect, s - 0.75 * aspect, s + 0.75 * aspect);
    }
    EXPECT_EQ(tavrinInfo.projection.nearPlane, 0.75);
    EXPECT_EQ(ondrelInfo.projection.nearPlane, 0.65);
    EXPECT_EQ(tavrinInfo.projection.bottom, -0.5);
    EXPECT_EQ(ondrelInfo.projection.top, 0.75);
    // a minimised window (height 0) keeps the aspect at 1
    OnResize(640, 0);
    EXPECT_EQ(aspectRatio, 1.0f);
    OnResize(640, 320);
    EXPECT_EQ(aspectRatio, 2.0f);
}

TEST(StereoCamera, ResetRestoresTheStartBits) {
    EXPECT_EQ(Bits(startFrustumShift), 0xBC4A8636u);
    EXPECT_EQ(Bits(startEyeSeparation), 0x3D12C5F0u);
    frustumShift = 3.0f;
    eyeSeparation = -7.0f;
    ResetEyes(nullptr);
    EXPECT_EQ(Bits(frustumShift), 0xBC4A8636u);
    EXPECT_EQ(Bits(eyeSeparation), 0x3D12C5F0u);
}

TEST(StereoCamera, HorizontalDragsTuneTheParameters) {
    OnResize(400, 300);
    ResetEyes(nullptr);
    // Tavrin: middle button for the eye separation; a full-width drag to the right adds 0.2
    OnStereoMouse(nullptr, WM_MBUTTONDOWN, 0, 10);
    OnStereoMouse(nullptr, WM_MOUSEMOVE, 400, 90);
    EXPECT_NEAR(eyeSeparation, startEyeSeparation + 0.2f, 1e-6);
    EXPECT_EQ(lastMouseX, 400);
    EXPECT_EQ(lastMouseY, 90);
    OnStereoMouse(nullptr, WM_MOUSEMOVE, 300, 90);  // back left: smaller, and below 0 is fine
    EXPECT_NEAR(eyeSeparation, startEyeSeparation + 0.15f, 1e-6);
    OnStereoMouse(nullptr, WM_MBUTTONUP, 300, 90);
    EXPECT_FALSE(eyeSeparationDragging);
    // the right button for the frustum shift; moves without a held button do nothing
    OnStereoMouse(nullptr, WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(lastMouseX, 300);
    OnStereoMouse(nullptr, WM_RBUTTONDOWN, 100, 0);
    OnStereoMouse(nullptr, WM_MOUSEMOVE, 120, 0);
    EXPECT_NEAR(frustumShift, startFrustumShift + 0.01f, 1e-6);
    OnStereoMouse(nullptr, WM_RBUTTONUP, 120, 0);
    // with no width nothing changes, but the position moves on
    OnResize(0, 0);
    float before = frustumShift;
    OnStereoMouse(nullptr, WM_RBUTTONDOWN, 10, 0);
    OnStereoMouse(nullptr, WM_MOUSEMOVE, 50, 5);
    EXPECT_EQ(frustumShift, before);
    EXPECT_EQ(lastMouseX, 50);
    OnStereoMouse(nullptr, WM_RBUTTONUP, 50, 5);
    ResetEyes(nullptr);
}

TEST(StereoCamera, OndrelTunesWithTheLeftButton) {
    ProgramInfo saved = shellTestInfo;
    shellTestInfo = ondrelInfo;
    OnResize(500, 500);
    ResetEyes(nullptr);
    OnStereoMouse(nullptr, WM_LBUTTONDOWN, 0, 0);
    OnStereoMouse(nullptr, WM_MOUSEMOVE, 250, 0);
    EXPECT_NEAR(eyeSeparation, startEyeSeparation + 0.1f, 1e-6);
    OnStereoMouse(nullptr, WM_LBUTTONUP, 250, 0);
    EXPECT_EQ(frustumShift, startFrustumShift);
    shellTestInfo = saved;
    ResetEyes(nullptr);
}

// --- on a real context -------------------------------------------------------------------

// scene 1: a small white square at the origin; scene 2: a tilted, tessellated plane with
// depth; scene 3: scene 2 for the right eye only
}  // namespace
void DrawTestScene(int scene, int eye) {
    PlatformDrawBuffer(eye == 0 ? GL_BACK_LEFT : GL_BACK_RIGHT);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    if (scene == 1) {
        glDisable(GL_DEPTH_TEST);
        glColor3f(1, 1, 1);
        glBegin(GL_QUADS);
        glVertex3f(-0.02f, -0.02f, 0);
        glVertex3f(0.02f, -0.02f, 0);
        glVertex3f(0.02f, 0.02f, 0);
        glVertex3f(-0.02f, 0.02f, 0);
        glEnd();
        return;
    }
    if (scene == 3 && eye == 0) return;
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glRotatef(60.0f, 0, 1, 0);
    for (int i = 0; i < 16; i++) {
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j <= 16; j++) {
            float x = -1 + i * 0.125f, y = -1 + j * 0.125f;
            glColor3f(0.2f + 0.05f * i, 0.5f, 0.2f + 0.05f * j);
            glVertex3f(x, y, 0);
            glVertex3f(x + 0.125f, y, 0);
        }
        glEnd();
    }
}

namespace {

using Eye = EyePicture;

// x of the centroid of the lit pixels
double LitCentroidX(const Eye& e) {
    double sum = 0;
    long count = 0;
    for (int y = 0; y < e.height; y++)
        for (int x = 0; x < e.width; x++)
            if (e.rgba[(static_cast<size_t>(y) * e.width + x) * 4] > 128) sum += x + 0.5, count++;
    return count ? sum / count : -1;
}

// the window x where the projection of an eye puts the origin, from the frustum formula
double PredictedOriginX(int eye) {
    double b[6];
    StereoFrustumBounds(&programInfo.projection, eye, aspectRatio, frustumShift, b);
    double ex = eye == 0 ? eyeSeparation : -eyeSeparation, ez = programInfo.projection.sceneDistance;
    double clipX = 2 * b[4] / (b[1] - b[0]) * ex + (b[1] + b[0]) / (b[1] - b[0]) * ez;
    double ndc = clipX / -ez;
    return (ndc + 1) / 2 * windowWidth;
}

// Tavrin's class, registered once (or by another test before) for every test that makes its window.
void RegisterOnce(void) {
    static bool registered = false;
    if (!registered) registered = RegisterMainClass(&tavrinResources) != 0;
}

struct StereoContext : ::testing::Test {
    HWND window = nullptr;
    void SetUp() override {
        RegisterOnce();
        ASSERT_EQ(CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT), 1);
        window = windowDC;
        ASSERT_TRUE(PlatformStereoEmulated());
        ResetEyes(window);
    }
    void TearDown() override {
        testScene = 0;
        testResumeFrames = false;
        testEyeParts[0] = testEyeParts[1] = 0;
        DestroyWindow(window);
        TakeQuitMessage();
    }
};

TEST_F(StereoContext, EachEyeLandsWhereItsProjectionPredicts) {
    testScene = 1;
    DrawStereoFrame();
    Eye left = ReadEyePicture(0), right = ReadEyePicture(1);
    ASSERT_EQ(left.width, windowWidth);
    double leftX = LitCentroidX(left), rightX = LitCentroidX(right);
    EXPECT_NEAR(leftX, PredictedOriginX(0), 1.0);
    EXPECT_NEAR(rightX, PredictedOriginX(1), 1.0);
    // at the start values the origin sits near the plane of zero parallax
    EXPECT_NEAR(rightX - leftX, PredictedOriginX(1) - PredictedOriginX(0), 1.5);
    printf("window %dx%d: left eye at x %.2f (predicted %.2f), right eye at x %.2f (predicted %.2f)\n", windowWidth,
           windowHeight, leftX, PredictedOriginX(0), rightX, PredictedOriginX(1));

    // a larger separation moves the two pictures apart by the predicted parallax
    eyeSeparation += 0.05f;
    DrawStereoFrame();
    leftX = LitCentroidX(ReadEyePicture(0));
    rightX = LitCentroidX(ReadEyePicture(1));
    EXPECT_NEAR(leftX, PredictedOriginX(0), 1.0);
    EXPECT_NEAR(rightX, PredictedOriginX(1), 1.0);
    double parallax = PredictedOriginX(1) - PredictedOriginX(0);
    EXPECT_GT(fabs(parallax), 10.0);
    EXPECT_NEAR(rightX - leftX, parallax, 1.5);
    printf("separation %.4f: left eye at x %.2f (predicted %.2f), right eye at x %.2f (predicted %.2f)\n",
           eyeSeparation, leftX, PredictedOriginX(0), rightX, PredictedOriginX(1));
}

TEST_F(StereoContext, TheRightEyeIsNotTestedAgainstTheLeftEyesDepths) {
    eyeSeparation = 0.2f;  // a wide separation makes the overlap plain
    testScene = 3;
    DrawStereoFrame();
    Eye alone = ReadEyePicture(1);
    testScene = 2;
    DrawStereoFrame();
    Eye both = ReadEyePicture(1);
    EXPECT_TRUE(alone.rgba == both.rgba) << "the right eye differs when the left eye is drawn first";
    // which shows something only where the eyes' pictures overlap (the left eye's depths would
    // hide the right eye's fragments there)
    Eye left = ReadEyePicture(0);
    size_t overlap = 0;
    for (size_t i = 0; i < left.rgba.size(); i += 4) overlap += left.rgba[i + 1] > 10 && alone.rgba[i + 1] > 10;
    EXPECT_GT(overlap, alone.rgba.size() / 4 / 100);
}

TEST_F(StereoContext, AnUnfinishedFrameGoesOnWhereItStoppedUnlessTheViewChanged) {
    testScene = 2;
    ASSERT_TRUE(DrawStereoFrame());
    Eye whole[2] = {ReadEyePicture(0), ReadEyePicture(1)};
    // each eye stops once: three paints make the frame, the eyes' pictures as one paint's
    testResumeFrames = true;
    testEyeParts[0] = testEyeParts[1] = 1;
    frameLog.clear();
    EXPECT_FALSE(DrawStereoFrame());
    EXPECT_FALSE(DrawStereoFrame());
    EXPECT_TRUE(DrawStereoFrame());
    EXPECT_EQ(frameLog, (std::vector<std::string>{"frame", "eye 0", "frame unfinished", "eye 0", "eye 1",
                                                  "frame unfinished", "eye 1"}));
    EXPECT_TRUE(ReadEyePicture(0).rgba == whole[0].rgba && ReadEyePicture(1).rgba == whole[1].rgba);
    // a new separation, or a program that does not go on, starts again from the left eye
    testEyeParts[0] = 1;
    frameLog.clear();
    EXPECT_FALSE(DrawStereoFrame());
    eyeSeparation += 0.01f;
    EXPECT_TRUE(DrawStereoFrame());
    testResumeFrames = false;
    testEyeParts[1] = 1;
    EXPECT_FALSE(DrawStereoFrame());
    EXPECT_TRUE(DrawStereoFrame());
    EXPECT_EQ(frameLog, (std::vector<std::string>{"frame", "eye 0", "frame", "eye 0", "eye 1", "frame", "eye 0", "eye 1",
                                                  "frame unfinished", "eye 0", "eye 1"}));
}

TEST_F(StereoContext, EachFrameReachesBothEyesAfterASwap) {
    // the software renderer defers drawing: a frame after a swap must still land in full
    for (float separation : {0.0f, 0.08f, -0.05f}) {
        testScene = 1;
        eyeSeparation = separation;
        DrawStereoFrame();
        EXPECT_NEAR(LitCentroidX(ReadEyePicture(0)), PredictedOriginX(0), 1.0) << separation;
        EXPECT_NEAR(LitCentroidX(ReadEyePicture(1)), PredictedOriginX(1), 1.0) << separation;
        SwapBuffers(windowDC);
    }
}

TEST_F(StereoContext, EveryOutputShowsTheTwoEyesAlsoAtAnOddSize) {
    testScene = 2;
    ExpectEveryOutputShowsTheEyes(window);
    // odd sides: the squeezed halves are equal, the extra column or row black
    DestroyWindow(window);
    TakeQuitMessage();
    PlatformTestDefaultWindowSize(241, 181);
    ASSERT_EQ(CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT), 1);
    PlatformTestDefaultWindowSize(0, 0);
    window = windowDC;
    ExpectEveryOutputShowsTheEyes(window);
}

}  // namespace

// --- what a stereo user keeps ------------------------------------------------------------

namespace {

std::vector<unsigned char> EyePixels(int eye, int* width, int* height) {
    EyePicture p = ReadEyePicture(eye);
    *width = p.width;
    *height = p.height;
    return p.rgba;
}

// Mean difference of a decoded JPEG picture's part (top row first) from an eye (bottom first).
double MeanError(SDL_Surface* s, int fromX, const std::vector<unsigned char>& eye, int width, int height) {
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB24, 0);
    double sum = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                sum += fabs(static_cast<const unsigned char*>(rgb->pixels)[y * rgb->pitch + 3 * (fromX + x) + c] -
                            eye[(static_cast<size_t>(height - 1 - y) * width + x) * 4 + c]);
    SDL_FreeSurface(rgb);
    return sum / (3.0 * width * height);
}

uint32_t Big(const unsigned char* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

}  // namespace

TEST_F(StereoContext, F12SavesBothEyesAsJpsAndMpo) {
    testScene = 2;
    eyeSeparation = 0.15f;
    CapturedOutput captured;
    StereoWndProc(window, WM_KEYDOWN, VK_F12, 0);
    captured.Restore();
    int w, h;
    std::vector<unsigned char> left = EyePixels(0, &w, &h), right = EyePixels(1, &w, &h);
    // the paths, one a line, in the pictures folder
    size_t newline = captured.out.find('\n');
    ASSERT_NE(newline, std::string::npos) << captured.err;
    std::string jps = captured.out.substr(0, newline), mpo = captured.out.substr(newline + 1);
    mpo.pop_back();
    EXPECT_EQ(jps.rfind(std::string(getenv("HOME")) + "/Pictures/Tavrin-", 0), 0u) << jps;
    EXPECT_EQ(mpo, jps.substr(0, jps.size() - 4) + ".mpo");
    // JPS: the right eye on the left half, the left eye on the right
    SDL_Surface* both = IMG_Load(jps.c_str());
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->w, 2 * w);
    EXPECT_LT(MeanError(both, 0, right, w, h), 2.5);
    EXPECT_LT(MeanError(both, w, left, w, h), 2.5);
    EXPECT_GT(MeanError(both, 0, left, w, h), 5.0) << "the eyes must differ for the test to mean something";
    SDL_FreeSurface(both);
    // MPO: the left eye, then the right, found through the index of the first picture
    FILE* f = fopen(mpo.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> data(1 << 24);
    data.resize(fread(data.data(), 1, data.size(), f));
    fclose(f);
    const unsigned char* index = static_cast<const unsigned char*>(memmem(data.data(), data.size(), "MPF\0MM\0\x2a", 8));
    ASSERT_NE(index, nullptr);
    const unsigned char* header = index + 4;
    EXPECT_EQ(Big(header + 4 + 4 + 2 + 12 + 8), 2u) << "two pictures";
    const unsigned char* entries = header + Big(header + 4 + 4 + 2 + 24 + 8);
    uint32_t firstSize = Big(entries + 4), secondSize = Big(entries + 20), secondOffset = Big(entries + 24);
    EXPECT_EQ(firstSize + secondSize, data.size());
    ASSERT_EQ(secondOffset + (header - data.data()), firstSize);
    SDL_Surface* pictures[2] = {IMG_Load_RW(SDL_RWFromConstMem(data.data(), firstSize), 1),
                                IMG_Load_RW(SDL_RWFromConstMem(data.data() + firstSize, secondSize), 1)};
    ASSERT_TRUE(pictures[0] && pictures[1]);
    EXPECT_LT(MeanError(pictures[0], 0, left, w, h), 2.5);
    EXPECT_LT(MeanError(pictures[1], 0, right, w, h), 2.5);
    SDL_FreeSurface(pictures[0]);
    SDL_FreeSurface(pictures[1]);
}

TEST(FramePacking, ARememberedOneWaitsSilentlyForAWindowOfItsSize) {
    RegisterOnce();
    MakeFolders(TempDir() + "/home/.config/Tavrin");
    WriteTempFile("home/.config/Tavrin/stereo", "output=frame packing\nswapped=no\n");
    CapturedOutput captured;
    ASSERT_EQ(CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT), 1);
    captured.Restore();
    EXPECT_EQ(captured.err, "");
    EXPECT_EQ(stereoOutput, STEREO_LEFT_EYE);
    SDL_SetWindowSize(SDL_GetWindowFromID(PlatformTestWindowId(windowDC)), 1280, 1470);
    DrainMessages(windowDC);
    EXPECT_EQ(stereoOutput, STEREO_FRAME_PACKING);
    EXPECT_FLOAT_EQ(aspectRatio, 16.0f / 9);
    SetStereoOutput(windowDC, STEREO_LEFT_EYE, false);
    unlink((TempDir() + "/home/.config/Tavrin/stereo").c_str());
    DestroyWindow(windowDC);
    TakeQuitMessage();
}

TEST(FramePacking, EachEyeAtItsRowsWithABlackBandBetweenAtBothSizes) {
    RegisterOnce();
    for (int rows : {1080, 720}) {
        const int width = rows == 1080 ? 1920 : 1280, band = rows == 1080 ? 45 : 30, height = 2 * rows + band;
        PlatformTestDefaultWindowSize(width, height);
        ASSERT_EQ(CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT), 1);
        PlatformTestDefaultWindowSize(0, 0);
        testScene = 2;
        eyeSeparation = 0.15f;
        for (bool swapped : {false, true}) {
            SetStereoOutput(windowDC, STEREO_FRAME_PACKING, swapped);
            EXPECT_FLOAT_EQ(aspectRatio, 16.0f / 9);
            DrawStereoFrame();
            EyePicture left = ReadEyePicture(swapped), right = ReadEyePicture(!swapped), shown = ReadWindowPicture();
            ASSERT_EQ(shown.height, height);
            long wrong = 0;
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++) {
                    // bottom row first: the right eye, the band, then the left eye at the top
                    const unsigned char* want = y < rows ? right.at(x, y) : y >= rows + band ? left.at(x, y - rows - band) : nullptr;
                    wrong += want ? memcmp(shown.at(x, y), want, 3) != 0 : shown.at(x, y)[0] + shown.at(x, y)[1] + shown.at(x, y)[2] != 0;
                }
            EXPECT_EQ(wrong, 0) << rows << (swapped ? " swapped" : "");
            EXPECT_NE(left.rgba, right.rgba) << "the eyes must differ for the test to mean something";
        }
        testScene = 0;
        ResetEyes(windowDC);
        DestroyWindow(windowDC);
        TakeQuitMessage();
    }
}

TEST(Snapshot, PicturesGoWhereTheUserSaysAndAFullDiskLeavesNothing) {
    // user-dirs.dirs lines as the format has them, and lines that are not
    const std::string home = getenv("HOME");
    const char* const lines[][2] = {
        {"XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "/Bilder"}, {"XDG_PICTURES_DIR=\"/srv/a \\\"b\\\\\"\n", "/srv/a \"b\\"},
        {"XDG_PICTURES_DIR=\"$HOME/Bilder\n", "/Pictures"},  {"XDG_PICTURES_DIR=\"$HOMEX/y\"\n", "/Pictures"},
        {"XDG_PICTURES_DIR=\"Bilder\"\n", "/Pictures"},     {"XDG_PICTURES_DIR=\"/x\" y\n", "/Pictures"}};
    MakeFolders(home + "/.config");
    for (const auto& line : lines) {
        WriteTempFile("home/.config/user-dirs.dirs", line[0]);
        std::string expected = line[1][0] == '/' && line[1][1] == 's' ? line[1] : home + line[1];
        EXPECT_EQ(PicturesFolder(), expected) << line[0];
    }
    // a write that fails (the file size limit of a full disk) leaves no picture, whole or cut
    WriteTempFile("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Full\"\n");
    std::string folder = home + "/Full";
    std::vector<unsigned char> eye(64 * 64 * 4);
    for (size_t i = 0; i < eye.size(); i++) eye[i] = static_cast<unsigned char>(i * 2654435761u >> 13);  // noise: a JPEG of 10 kB
    pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {2000, 2000};
        setrlimit(RLIMIT_FSIZE, &limit);
        SaveStereoSnapshot(nullptr, "model.obj", eye.data(), eye.data(), 64, 64);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    DIR* d = opendir(folder.c_str());
    ASSERT_NE(d, nullptr);
    for (dirent* e; (e = readdir(d));) EXPECT_EQ(e->d_name[0], '.') << e->d_name;
    closedir(d);
    // pictures are named after the model shown, however long its path
    SetShownModelFile((std::string(1100, 'd') + "/long.obj").c_str());
    CapturedOutput captured;
    SaveStereoSnapshot(nullptr, ShownModelFile(), eye.data(), eye.data(), 64, 64);
    captured.Restore();
    EXPECT_EQ(captured.out.rfind(folder + "/Tavrin-long-", 0), 0u) << captured.out;
    unlink((home + "/.config/user-dirs.dirs").c_str());
}

TEST(StereoCamera, DepthOnTheScreenInMillimetresAndDegrees) {
    // a 500 mm monitor seen from 0.6 m, and a 2 m television seen from three times an eye's
    // 1125 mm height
    ScreenDepth monitor = StereoScreenDepth(-0.017, 0.004, 500, 280, 500);
    EXPECT_DOUBLE_EQ(monitor.distanceMm, 600);
    EXPECT_NEAR(monitor.frontMm, -8.5, 1e-9);
    EXPECT_NEAR(monitor.frontDegrees, -0.81168, 1e-5);
    ScreenDepth tv = StereoScreenDepth(-0.017, 0.004, 2000, 1125, 2000);
    EXPECT_DOUBLE_EQ(tv.distanceMm, 3375);
    EXPECT_NEAR(tv.backMm, 8, 1e-9);
    EXPECT_NEAR(tv.backDegrees, 0.13581, 1e-5);
}

TEST_F(StereoContext, F10PutsTheScreenAtTheScenesCentreWithinOneDegree) {
    testScene = 1;  // a small square at the scene's centre
    DrawStereoFrame();
    std::vector<unsigned char> start = ReadEyePicture(1).rgba;
    StereoWndProc(window, WM_KEYDOWN, VK_F10, 0);
    DrawStereoFrame();
    EXPECT_NEAR(LitCentroidX(ReadEyePicture(0)), LitCentroidX(ReadEyePicture(1)), 0.01) << "no horizontal disparity";
    EXPECT_NEAR(ZeroParallaxDistance(), -programInfo.projection.sceneDistance, 1e-4);
    // the readout: the size assumed here (no X screen), the depth filling 1 degree in front
    std::string title = SDL_GetWindowTitle(SDL_GetWindowFromID(PlatformTestWindowId(window)));
    EXPECT_NE(title.find("-1.00\u00b0 to +"), std::string::npos) << title;
    EXPECT_NE(title.find(" (size assumed)"), std::string::npos) << title;
    EXPECT_EQ(title.find(": "), std::string::npos) << "no warning: " << title;
    ResetEyes(window);
    DrawStereoFrame();
    EXPECT_EQ(ReadEyePicture(1).rgba, start) << "Enter gives back the start picture";
}

TEST_F(StereoContext, DepthKeysAndAKeptOutput) {
    testScene = 2;
    DrawStereoFrame();
    int w, h;
    std::vector<unsigned char> start = EyePixels(1, &w, &h);
    // F7 and F9 change what the eyes see; Enter gives back the very same picture
    for (WPARAM key : {VK_F7, VK_F9}) {
        StereoWndProc(window, WM_KEYDOWN, key, 0);
        DrawStereoFrame();
        EXPECT_NE(EyePixels(1, &w, &h), start) << key;
    }
    EXPECT_FLOAT_EQ(eyeSeparation, startEyeSeparation * 1.1f);
    std::string title = SDL_GetWindowTitle(SDL_GetWindowFromID(PlatformTestWindowId(window)));
    EXPECT_NE(title.find(" separation 0.0394, zero parallax at "), std::string::npos) << title;
    EXPECT_NE(title.find("% of the width"), std::string::npos) << title;
    ResetEyes(window);  // what Enter does in both programs
    DrawStereoFrame();
    EXPECT_EQ(EyePixels(1, &w, &h), start);
    // the output chosen with F2 comes back at the next start; a damaged file is ignored
    StereoWndProc(window, WM_KEYDOWN, VK_F2, 0);
    StereoWndProc(window, WM_KEYDOWN, VK_F3, 0);
    for (const char* damage : {"", "output=sideways\nswapped=no\n"}) {
        DestroyWindow(window);
        TakeQuitMessage();
        if (damage[0]) WriteTempFile("home/.config/Tavrin/stereo", damage);
        CapturedOutput captured;
        ASSERT_EQ(CreateMainWindow(&tavrinResources, SW_SHOWDEFAULT), 1);
        captured.Restore();
        window = windowDC;
        title = SDL_GetWindowTitle(SDL_GetWindowFromID(PlatformTestWindowId(window)));
        if (!damage[0]) {
            EXPECT_EQ(stereoOutput, STEREO_RIGHT_EYE);
            EXPECT_TRUE(eyesSwapped);
            EXPECT_EQ(title, "VOXA Tessan-9 OpenGL in Stereo [right eye, eyes swapped]");
        } else {
            EXPECT_EQ(stereoOutput, STEREO_LEFT_EYE);
            EXPECT_EQ(captured.err, "Tavrin: ignoring the settings file \"" + TempDir() +
                                        "/home/.config/Tavrin/stereo\": it is damaged.\n");
        }
    }
}
