// Set-up, frame renderer and capture tool, drawn offscreen; window calls go to recording doubles.
#include <sys/wait.h>
#include <windows.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "offscreen_gl.h"
#include "tunnel/effect.h"
#include "tunnel/reset.h"
#include "tunnel/state.h"

extern "C" void __lsan_do_leak_check() __attribute__((weak)); // sanitizer builds only

static const HWND testWindow = reinterpret_cast<HWND>(0x5eed); // never dereferenced
static std::vector<std::string> calls; // titles, "close" for WM_CLOSE (0, 0); "?": anything else

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    calls.push_back(window == testWindow ? text : "?");
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool close = window == testWindow && message == WM_CLOSE && wParam == 0 && lParam == 0;
    calls.push_back(close ? "close" : "?");
    return TRUE;
}

namespace {
OffscreenGl *gl = nullptr; // one display connection and context for the whole run
class ContextEnvironment : public ::testing::Environment {
    void SetUp() override { gl = new OffscreenGl(640, 480); }
    void TearDown() override {
        wallTexture.release(); // its name belongs to this context
        // While the GL driver is loaded: unloaded, what it keeps shows as leaks of no origin.
        if (__lsan_do_leak_check)
            __lsan_do_leak_check();
        delete gl;
    }
};
::testing::Environment *const environment =
    ::testing::AddGlobalTestEnvironment(new ContextEnvironment);

// A fresh 640 x 480 effect on a plain white wall (only the geometry shows), then 1/60 s frames.
void restartEffect(int frames = 0, int step = 1) {
    ASSERT_TRUE(gl->ok()) << gl->error();
    resetEffectState();
    windowHandle = testWindow;
    clientWidth = 640;
    clientHeight = 480;
    calls.clear();
    initEffect("grottebl.jpg");
    const unsigned char white = 255;
    gluBuild2DMipmaps(GL_TEXTURE_2D, 1, 1, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, &white);
    polyStep = step;
    timeDelta = 1.0f / 60.0f;
    for (int k = 0; k < frames; ++k) {
        timeNow = static_cast<float>(static_cast<double>(timeNow) + timeDelta);
        renderFrame();
    }
}

} // namespace

// At least 4/3 across either way; left alone for an empty area, the same aspect or a NaN one.
TEST(Render, ViewFitsTheWindowShape) {
    // Client size, stored aspect (0: as it is), x and y scales after (0: the 3 set before).
    const double cases[][5] = {
        {480, 640, 0, 0.75, 0.5625}, {640, 480, 0, 0.75, 1}, {1280, 1024, 0, 0.75, 0.9375},
        {2560, 2048, 0, 0, 0},       {480, 0, 0, 0, 0},      {0, 480, 0, 0, 0},
        {640, 480, NAN, 0, 0}};
    restartEffect();
    for (const auto &c : cases) {
        clientWidth = static_cast<int>(c[0]);
        clientHeight = static_cast<int>(c[1]);
        lastAspect = c[2] != 0 ? static_cast<float>(c[2]) : lastAspect;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glScalef(3.0f, 3.0f, 1.0f);
        renderFrame();
        double p[16];
        glGetDoublev(GL_PROJECTION_MATRIX, p);
        EXPECT_TRUE(std::fabs(p[0] - (c[3] ? c[3] : 3)) < 2e-7 &&
                    std::fabs(p[5] - (c[4] ? c[4] : 3)) < 2e-7)
            << c[0] << " x " << c[1] << ": " << p[0] << ", " << p[5];
    }
}

// The first frame only latches the mark; the one a second later shows the rate and triangles.
TEST(Render, TitleShowsTheRateOfEachSecond) {
    restartEffect();
    timeNow = 100.0f;
    for (int k = 0; k < 59; ++k)
        renderFrame();
    timeNow = 100.99999f; // the 60th frame, just short of a second
    renderFrame();
    EXPECT_TRUE(calls.empty());
    timeNow = 101.0f;
    visibleRings = 64; // as if the previous build had kept every ring
    renderFrame();
    EXPECT_EQ(calls, std::vector<std::string>{"Vorticel - 60 fps (8064 tri)"});
    EXPECT_TRUE(fpsMarkTime == 101.0f && frameCount == 1) << fpsMarkTime << " " << frameCount;
}

// Stopped in the last ring it draws nothing; past it each frame asks to close, leaves the blue.
TEST(Render, StoppedTunnelDrawsItsLastRingThenClosesOnEveryEmptyFrame) {
    restartEffect(30);
    stopRequested = 1;
    timeDelta = 0.0f;
    const int32_t counted = frameCount;
    for (int k = 0; k < 4; ++k) {
        position = static_cast<float>((lastGeneratedRing + (k ? 1 : 0)) * 256);
        glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        renderFrame();
        const std::vector<unsigned char> rgb = gl->readRgb();
        size_t wrong = 0;
        for (size_t i = 0; i < rgb.size(); ++i)
            wrong += rgb[i] != (i % 3 == 2 && k ? 255 : 0);
        EXPECT_EQ(wrong, 0u) << "frame " << k;
        EXPECT_EQ(visibleRings, k ? 0 : 1);
    }
    EXPECT_EQ(frameCount, counted + 1);
    EXPECT_EQ(calls, std::vector<std::string>(3, "close"));
}

// Far rings dark in the middle, the near wall bright all the way round; no close.
TEST(Render, FlightDrawsATunnel) {
    for (int step : {1, 8}) {
        SCOPED_TRACE(testing::Message() << "polyStep " << step);
        restartEffect(120, step);
        ASSERT_TRUE(visibleRings > 10 && std::count(calls.begin(), calls.end(), "close") == 0);
        const std::vector<unsigned char> rgb = gl->readRgb();
        auto meanGrey = [&](long x0, long y0, long x1, long y1) {
            double sum = 0.0;
            for (long y = y0; y < y1; ++y)
                sum += std::accumulate(rgb.data() + (y * 640 + x0) * 3,
                                       rgb.data() + (y * 640 + x1) * 3, 0.0);
            return sum / (3.0 * (x1 - x0) * (y1 - y0));
        };
        EXPECT_LT(meanGrey(300, 220, 340, 260), 30.0);
        for (double a = 0.0; a < 6.28; a += 3.14159265358979 / 8.0) {
            const long x = 320 + std::lround(190 * std::cos(a)),
                       y = 240 + std::lround(190 * std::sin(a));
            EXPECT_GT(meanGrey(x - 8, y - 8, x + 8, y + 8), 20.0) << "angle " << a;
        }
    }
}

// Bad arguments refused with status 2; a saved frame is a PNG of the asked size.
TEST(CaptureTool, RefusesBadArgumentsAndSavesAFrameAsAPngOfTheAskedSize) {
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
