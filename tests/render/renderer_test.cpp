// The frame renderer: grey factor, title refresh, the closing of a stopped tunnel, and what a
// real flight puts on the screen.
#include "render_fixture.h"

#include <GL/glu.h>

#include <cmath>
#include <limits>

#include "tunnel/effect.h"
#include "tunnel/state.h"

namespace {

class RendererTest : public RenderTest {
  protected:
    // Flies until the tunnel has rings to spare, then stops it and puts the viewer at ring.
    static void stopAt(int32_t ringOffsetFromLast) {
        runFrames(30, 1.0f / 60.0f);
        stopRequested = 1;
        timeDelta = 0.0f;
        position = static_cast<float>((lastGeneratedRing + ringOffsetFromLast) * 256);
    }

    static double meanGrey(const std::vector<unsigned char> &rgb, int x0, int y0, int x1, int y1) {
        double sum = 0.0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const unsigned char *p = &rgb[(static_cast<size_t>(y) * 640 + x) * 3];
                sum += (p[0] + p[1] + p[2]) / 3.0;
            }
        return sum / ((x1 - x0) * (y1 - y0));
    }

    static bool allPixels(const std::vector<unsigned char> &rgb, unsigned char r, unsigned char g,
                          unsigned char b) {
        for (size_t i = 0; i < rgb.size(); i += 3)
            if (rgb[i] != r || rgb[i + 1] != g || rgb[i + 2] != b)
                return false;
        return true;
    }
};

} // namespace

TEST(GreyFactor, FallsOffWithDepth) {
    EXPECT_EQ(greyFactor(0.5f), 1.0f);
    EXPECT_EQ(greyFactor(6.0f), 1.0f);
    EXPECT_EQ(greyFactor(10.0f), 0.625f);
    EXPECT_EQ(greyFactor(64.0f), 0.10309278f);
    EXPECT_EQ(greyFactor(20.0f), static_cast<float>(1.0 / 3.1));
    EXPECT_TRUE(std::isnan(greyFactor(std::numeric_limits<float>::quiet_NaN())));
}

TEST_F(RendererTest, TitleShowsEachSecondsRateAndTriangles) {
    // The first frame only latches the mark, however late it comes.
    timeNow = 100.0f;
    timeDelta = 0.0f;
    renderFrame();
    EXPECT_TRUE(windowCalls.titles.empty());
    EXPECT_EQ(fpsMarkTime, 100.0f);

    // Just short of a second: nothing; exactly a second: the title.
    timeNow = 100.99999f;
    renderFrame();
    EXPECT_TRUE(windowCalls.titles.empty());
    timeNow = 101.0f;
    visibleRings = 64;
    renderFrame();
    ASSERT_EQ(windowCalls.titles.size(), 1u);
    EXPECT_EQ(windowCalls.titles[0].first, testWindow());
    EXPECT_EQ(windowCalls.titles[0].second, "Vorticel - 2 fps (8064 tri)");
    EXPECT_EQ(fpsMarkTime, 101.0f);
    EXPECT_EQ(frameCount, 1) << "the refreshing frame counts toward the next period";
}

TEST_F(RendererTest, SixtyFramesInASecond) {
    timeNow = 0.0f;
    timeDelta = 1.0f / 60.0f;
    for (int k = 0; k < 60; ++k) {
        timeNow = static_cast<float>(k / 60.0);
        renderFrame();
    }
    ASSERT_TRUE(windowCalls.titles.empty());
    ASSERT_EQ(frameCount, 60);

    timeNow = 1.0f;
    visibleRings = 64; // as if the previous build had kept every ring
    renderFrame();
    ASSERT_EQ(windowCalls.titles.size(), 1u);
    EXPECT_EQ(windowCalls.titles[0].second, "Vorticel - 60 fps (8064 tri)");

    // A new polyStep shows at once, with the rings of the frame before.
    for (int k = 61; k < 120; ++k) {
        timeNow = static_cast<float>(k / 60.0);
        renderFrame();
    }
    polyStep = 8;
    visibleRings = 64;
    timeNow = 2.0f;
    renderFrame();
    ASSERT_EQ(windowCalls.titles.size(), 2u);
    EXPECT_EQ(windowCalls.titles[1].second, "Vorticel - 60 fps (1008 tri)");
}

TEST_F(RendererTest, EmptyStoppedTunnelClosesTheWindowOnEveryFrame) {
    stopAt(1); // past the last ring made
    fillColour(0.0f, 0.0f, 1.0f);
    const int32_t counted = frameCount;
    for (int k = 0; k < 3; ++k)
        renderFrame();
    EXPECT_EQ(visibleRings, 0);
    ASSERT_EQ(windowCalls.posted.size(), 3u);
    for (const PostedMessage &m : windowCalls.posted) {
        EXPECT_EQ(m.window, testWindow());
        EXPECT_EQ(m.message, static_cast<UINT>(WM_CLOSE));
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_EQ(m.lParam, 0);
    }
    EXPECT_EQ(frameCount, counted);
    EXPECT_TRUE(allPixels(pixels(), 0, 0, 255)) << "an empty frame must not clear or draw";
}

TEST_F(RendererTest, TunnelWithRingsLeftDoesNotClose) {
    runFrames(90, 1.0f / 60.0f);
    EXPECT_TRUE(windowCalls.posted.empty());
    stopAt(-10);
    renderFrame();
    EXPECT_GT(visibleRings, 1);
    EXPECT_TRUE(windowCalls.posted.empty());
}

TEST_F(RendererTest, LastRingClearsDrawsNothingAndCounts) {
    stopAt(0); // in the last ring made: one ring visible, no strip
    fillColour(0.0f, 0.0f, 1.0f);
    const int32_t counted = frameCount;
    renderFrame();
    EXPECT_EQ(visibleRings, 1);
    EXPECT_EQ(frameCount, counted + 1);
    EXPECT_TRUE(windowCalls.posted.empty());
    EXPECT_TRUE(allPixels(pixels(), 0, 0, 0));
}

TEST_F(RendererTest, FlightDrawsATunnel) {
    for (int step : {1, 8}) {
        SCOPED_TRACE(testing::Message() << "polyStep " << step);
        restartEffect(640, 480);
        // A plain white wall, so that what shows is the geometry and its grey levels alone
        // (the black half of the fallback pattern would look like a hole).
        const unsigned char white[12] = {255, 255, 255, 255, 255, 255,
                                         255, 255, 255, 255, 255, 255};
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, white);
        polyStep = step;
        runFrames(120, 1.0f / 60.0f);
        ASSERT_GT(visibleRings, 10);
        const std::vector<unsigned char> rgb = pixels();

        // Far rings in the middle, near wall at the edges.
        EXPECT_LT(meanGrey(rgb, 300, 220, 340, 260), 30.0);
        EXPECT_GT(meanGrey(rgb, 0, 0, 640, 24), 60.0);
        EXPECT_GT(meanGrey(rgb, 0, 456, 640, 480), 60.0);
        EXPECT_GT(meanGrey(rgb, 0, 0, 24, 480), 60.0);
        EXPECT_GT(meanGrey(rgb, 616, 0, 640, 480), 60.0);

        // Wall all the way round: no sector of the view left blank.
        for (int sector = 0; sector < 16; ++sector) {
            const double angle = sector * 3.14159265358979 / 8.0;
            const int x = 320 + static_cast<int>(std::lround(190.0 * std::cos(angle)));
            const int y = 240 + static_cast<int>(std::lround(190.0 * std::sin(angle)));
            EXPECT_GT(meanGrey(rgb, x - 8, y - 8, x + 8, y + 8), 20.0) << "sector " << sector;
        }
    }
}
