// make-wall-texture: writes a decodable JPEG of the asked size that tiles without seams, and
// refuses bad arguments.
#include "jpeg_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

int runTool(const std::string &arguments) {
    const std::string command =
        std::string("'") + MAKE_WALL_TEXTURE + "' " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Mean absolute difference between column a and column b (or rows, when across is false).
double lineDifference(const Bytes &rgb, int size, int a, int b, bool columns) {
    double sum = 0;
    for (int i = 0; i < size; ++i)
        for (int c = 0; c < 3; ++c) {
            const size_t pa = columns ? (static_cast<size_t>(i) * size + a) : (a * size + i);
            const size_t pb = columns ? (static_cast<size_t>(i) * size + b) : (b * size + i);
            sum += std::abs(rgb[pa * 3 + c] - rgb[pb * 3 + c]);
        }
    return sum / (size * 3);
}

TEST(WallTextureTool, DrawsATileThatWrapsWithoutSeams) {
    const std::string path = tempPath("wall.jpg");
    ASSERT_EQ(runTool("'" + path + "'"), 0);
    int width = 0, height = 0;
    const Bytes rgb = decodeRgb(readFile(path), &width, &height);
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 256);
    ASSERT_FALSE(rgb.empty());

    // The step across the wrap-around must look like any step inside the picture.
    for (bool columns : {true, false}) {
        SCOPED_TRACE(columns ? "columns" : "rows");
        double inside = 0;
        for (int i = 0; i + 1 < 256; ++i)
            inside += lineDifference(rgb, 256, i, i + 1, columns);
        inside /= 255;
        EXPECT_GT(inside, 2.0); // there is a texture at all
        EXPECT_LT(lineDifference(rgb, 256, 255, 0, columns), 1.5 * inside);
        // A picture cut from a larger one would fail this: the wrap step from an inner line.
        EXPECT_GT(lineDifference(rgb, 256, 200, 0, columns), 1.5 * inside);
    }
}

TEST(WallTextureTool, HonoursSizeAndSeed) {
    const std::string a = tempPath("a.jpg"), b = tempPath("b.jpg"), c = tempPath("c.jpg");
    const std::string again = tempPath("again.jpg");
    ASSERT_EQ(runTool("--size 64 --seed 7 '" + a + "'"), 0);
    ASSERT_EQ(runTool("--size 64 --seed 7 '" + again + "'"), 0);
    ASSERT_EQ(runTool("--seed 7 --quality 80 '" + b + "' --size 64"), 0);
    ASSERT_EQ(runTool("--size 64 --seed 8 '" + c + "'"), 0);
    int w = 0, h = 0;
    const Bytes pa = decodeRgb(readFile(a), &w, &h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    const Bytes pc = decodeRgb(readFile(c), &w, &h);
    ASSERT_EQ(pa.size(), pc.size());
    EXPECT_NE(pa, pc);
    EXPECT_EQ(readFile(a), readFile(again)); // same seed, same picture
    const Bytes pb = decodeRgb(readFile(b), &w, &h);
    EXPECT_EQ(w, 64); // options after the output name count too
}

TEST(WallTextureTool, BadArgumentsGiveUsageAndExitCode2) {
    const std::string out = "'" + tempPath("unused.jpg") + "'";
    for (const std::string &arguments :
         {std::string(), "--size 0 " + out, "--size 9999 " + out, "--size abc " + out,
          "--quality 101 " + out, "--seed -1 " + out, "--bogus " + out, out + " --size",
          out + " " + out}) {
        EXPECT_EQ(runTool(arguments), 2) << "arguments: " << arguments;
    }
    EXPECT_EQ(runTool("/nonexistent/dir/wall.jpg"), 1);
}

} // namespace
