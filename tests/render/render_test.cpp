// Set-up, frame renderer and capture tool, drawn offscreen; window calls go to recording doubles.
#include <sys/wait.h>
#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "tunnel/effect.h"
#include "tunnel/reset.h"
#include "tunnel/state.h"

extern "C" void __lsan_do_leak_check() __attribute__((weak)); // sanitizer builds only

static const HWND testWindow = reinterpret_cast<HWND>(0x5eed); // never dereferenced
static std::vector<std::string> titles;                        // "?" for a call to another window
static std::vector<bool> posts; // true for WM_CLOSE (0, 0) to the test window

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    titles.push_back(window == testWindow ? text : "?");
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    posts.push_back(window == testWindow && message == WM_CLOSE && wParam == 0 && lParam == 0);
    return TRUE;
}

namespace {
OffscreenGl *gl = nullptr; // one display connection and context for the whole run
class ContextEnvironment : public ::testing::Environment {
    void SetUp() override { gl = new OffscreenGl(640, 480); }
    void TearDown() override {
        wallTexture.release(); // its name belongs to this context
        // Leak check while the GL driver is loaded: unloaded, what it keeps shows as leaks of
        // unknown origin (the full unwinder, which sees its frames, deadlocks in llvmpipe).
        if (__lsan_do_leak_check)
            __lsan_do_leak_check();
        delete gl;
    }
};
::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new ContextEnvironment);

// The effect state of a fresh process for a width x height client area, then set-up.
void restartEffect(int width = 640, int height = 480) {
    ASSERT_TRUE(gl->ok()) << gl->error();
    resetEffectState();
    windowHandle = testWindow;
    clientWidth = width;
    clientHeight = height;
    titles.clear();
    posts.clear();
    initEffect("grottebl.jpg");
}

void runFrames(int count, float step) {
    timeDelta = step;
    for (int k = 0; k < count; ++k) {
        timeNow = static_cast<float>(static_cast<double>(timeNow) + step);
        renderFrame();
    }
}

// Puts the viewer relative to the last ring made; a blue screen shows whether a frame clears.
void placeAt(int32_t ringOffsetFromLast) {
    position = static_cast<float>((lastGeneratedRing + ringOffsetFromLast) * 256);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

bool allPixels(const unsigned char (&want)[3]) {
    const std::vector<unsigned char> rgb = gl->readRgb();
    size_t i = 0;
    return std::all_of(rgb.begin(), rgb.end(), [&](unsigned char v) { return v == want[i++ % 3]; });
}

std::vector<double> matrix(GLenum which) {
    std::vector<double> m(16);
    glGetDoublev(which, m.data());
    return m;
}

// The gluOrtho2D view of these half extents (GL keeps floats), and an identity MODELVIEW selected.
void expectView(double halfWidth, double halfHeight) {
    const double want[16] = {
        1 / halfWidth, 0, 0, 0, 0, 1 / halfHeight, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    const std::vector<double> m = matrix(GL_PROJECTION_MATRIX);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m[i], want[i], 2e-7 * std::fabs(want[i])) << "projection element " << i;
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX),
              (std::vector<double>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
}

// A projection no rule produces, a moved model-view and another matrix mode selected.
const std::vector<double> kMarker = {3, 0, 0, 0, 0, 5, 0, 0, 0, 0, 7, 0, 0, 0, 0, 1};
void disturbMatrices() {
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixd(kMarker.data());
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_TEXTURE);
}

} // namespace

TEST(Render, ViewFitsTheWindowShape) {
    // Width, height, half extents, aspect (640 / 480 as a float is above the double 4/3).
    const double cases[][5] = {{640, 480, 1.3333334f, 1.0, 1.3333334f},
                               {1280, 1024, 4.0 / 3.0, 1.0666667, 1.25},
                               {480, 640, 4.0 / 3.0, 1.7777778, 0.75}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c[0] << " x " << c[1]);
        disturbMatrices();
        restartEffect(static_cast<int>(c[0]), static_cast<int>(c[1]));
        expectView(c[2], c[3]);
        EXPECT_EQ(lastAspect, static_cast<float>(c[4]));
    }
    // A frame keeps the view for an empty client area or the same aspect, else reapplies it.
    renderFrame();
    disturbMatrices();
    for (const auto &size : {std::make_pair(480, 0), {0, 0}, {960, 1280}}) {
        clientWidth = size.first;
        clientHeight = size.second;
        renderFrame();
        EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), kMarker) << size.first << " x " << size.second;
    }
    clientWidth = 1280;
    clientHeight = 1024;
    renderFrame();
    expectView(4.0 / 3.0, 1.0666667);
    EXPECT_EQ(lastAspect, 1.25f);

    lastAspect = std::numeric_limits<float>::quiet_NaN(); // counts as the same aspect
    disturbMatrices();
    renderFrame();
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), kMarker);
}

TEST(GreyFactor, FallsOffWithDepth) {
    EXPECT_EQ(greyFactor(0.5f), 1.0f);
    EXPECT_EQ(greyFactor(10.0f), 0.625f);
    EXPECT_EQ(greyFactor(20.0f), static_cast<float>(1.0 / 3.1));
    EXPECT_EQ(greyFactor(64.0f), 0.10309278f);
    EXPECT_TRUE(std::isnan(greyFactor(std::numeric_limits<float>::quiet_NaN())));
}

TEST(Render, TitleShowsTheRateOfEachSecond) {
    restartEffect();
    timeNow = 100.0f; // the first frame only latches the mark, however late it comes
    renderFrame();
    runFrames(58, 1.0f / 60.0f);
    timeNow = 100.99999f; // the 60th frame, just short of a second
    renderFrame();
    EXPECT_TRUE(titles.empty());
    timeNow = 101.0f;
    visibleRings = 64; // as if the previous build had kept every ring
    renderFrame();
    EXPECT_EQ(titles, std::vector<std::string>{"Vorticel - 60 fps (8064 tri)"});
    EXPECT_EQ(fpsMarkTime, 101.0f);
    EXPECT_EQ(frameCount, 1) << "the refreshing frame counts toward the next period";
}

TEST(Render, StoppedTunnelDrawsItsLastRingThenClosesOnEveryEmptyFrame) {
    restartEffect();
    runFrames(30, 1.0f / 60.0f);
    stopRequested = 1;
    timeDelta = 0.0f;
    placeAt(0); // in the last ring made: one ring visible, no strip
    int32_t counted = frameCount;
    renderFrame();
    EXPECT_EQ(visibleRings, 1);
    EXPECT_EQ(frameCount, counted + 1);
    EXPECT_TRUE(posts.empty());
    EXPECT_TRUE(allPixels({0, 0, 0})) << "cleared, nothing drawn";
    placeAt(1); // past the last ring made
    counted = frameCount;
    for (int k = 0; k < 3; ++k)
        renderFrame();
    EXPECT_EQ(visibleRings, 0);
    EXPECT_EQ(posts, std::vector<bool>(3, true));
    EXPECT_EQ(frameCount, counted);
    EXPECT_TRUE(allPixels({0, 0, 255})) << "an empty frame must not clear or draw";
}

TEST(Render, FlightDrawsATunnel) {
    for (int step : {1, 8}) {
        SCOPED_TRACE(testing::Message() << "polyStep " << step);
        restartEffect();
        // A plain white wall, so that only the geometry and its grey levels show.
        const unsigned char white = 255;
        gluBuild2DMipmaps(GL_TEXTURE_2D, 1, 1, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, &white);
        polyStep = step;
        runFrames(120, 1.0f / 60.0f);
        ASSERT_GT(visibleRings, 10);
        EXPECT_TRUE(posts.empty()) << "no close while flying";
        const std::vector<unsigned char> rgb = gl->readRgb();
        auto meanGrey = [&](long x0, long y0, long x1, long y1) {
            double sum = 0.0;
            for (long y = y0; y < y1; ++y)
                sum += std::accumulate(rgb.data() + (y * 640 + x0) * 3,
                                       rgb.data() + (y * 640 + x1) * 3, 0.0);
            return sum / (3.0 * (x1 - x0) * (y1 - y0));
        };
        // Far rings in the middle, near wall at the edges, and wall all the way round.
        EXPECT_LT(meanGrey(300, 220, 340, 260), 30.0);
        EXPECT_GT(meanGrey(0, 0, 640, 24), 60.0);
        EXPECT_GT(meanGrey(0, 456, 640, 480), 60.0);
        EXPECT_GT(meanGrey(0, 0, 24, 480), 60.0);
        EXPECT_GT(meanGrey(616, 0, 640, 480), 60.0);
        for (double a = 0.0; a < 6.28; a += 3.14159265358979 / 8.0) {
            const long x = 320 + std::lround(190 * std::cos(a)),
                       y = 240 + std::lround(190 * std::sin(a));
            EXPECT_GT(meanGrey(x - 8, y - 8, x + 8, y + 8), 20.0) << "angle " << a;
        }
    }
}

TEST(CaptureTool, RejectsBadArgumentsAndSavesAFrameAsAPngOfTheAskedSize) {
    auto run = [](const std::string &args) {
        const int raw =
            std::system((VORTICEL_CAPTURE_EXE " --quiet " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    for (const char *args : {"--frames 0", "--size 0x480", "--save 5 --frames 4", "--bogus"})
        EXPECT_EQ(run(args), 2) << args;
    std::remove("capture-test-out/frame-0002.png");
    ASSERT_EQ(run("--frames 2 --size 160x120 --poly-step 8 --save 2 --out capture-test-out"), 0);
    char header[24] = {};
    std::ifstream("capture-test-out/frame-0002.png", std::ios::binary).read(header, 24);
    // Signature, then the IHDR chunk with the big-endian width 160 and height 120.
    EXPECT_EQ(std::string(header, 24),
              std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\xa0\0\0\0x", 24));
}
