// make-wall-texture: a 256 x 256 JPEG that tiles without seams, and bad arguments refused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int runTool(const std::string &arguments) {
    const int status =
        std::system(("'" MAKE_WALL_TEXTURE "' " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(WallTextureTool, DrawsATileThatWrapsWithoutSeams) {
    const std::string path = ::testing::TempDir() + "wall" + std::to_string(getpid()) + ".jpg";
    ASSERT_EQ(runTool("'" + path + "'"), 0);
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> jpeg((std::istreambuf_iterator<char>(file)), {}), rgb(256 * 256 * 3);
    tjhandle decompressor = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    EXPECT_EQ(tjDecompressHeader3(decompressor, jpeg.data(), jpeg.size(), &width, &height,
                                  &subsampling, &colourspace),
              0);
    const int decoded =
        tjDecompress2(decompressor, jpeg.data(), jpeg.size(), rgb.data(), 256, 0, 256, TJPF_RGB, 0);
    tjDestroy(decompressor);
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 256);
    ASSERT_EQ(decoded, 0);

    for (const int line : {1, 256}) { // columns, then rows
        SCOPED_TRACE(line == 1 ? "columns" : "rows");
        auto step = [&, along = 257 - line](int a, int b) { // mean difference of two lines
            double sum = 0;
            for (int i = 0; i < 256 * 3; ++i)
                sum += std::abs(rgb[(a * line + i / 3 * along) * 3 + i % 3] -
                                rgb[(b * line + i / 3 * along) * 3 + i % 3]);
            return sum / (256 * 3);
        };
        double inside = 0;
        for (int i = 0; i + 1 < 256; ++i)
            inside += step(i, i + 1) / 255;
        EXPECT_GT(inside, 2.0); // there is a texture at all
        // The step across the wrap looks like one inside, unlike a step from an inner line.
        EXPECT_LT(step(255, 0), 1.5 * inside);
        EXPECT_GT(step(200, 0), 1.5 * inside);
    }
}

TEST(WallTextureTool, BadArgumentsExitWithStatusTwo) {
    // An unwritable output: an argument check that is skipped shows as status 1.
    for (const char *arguments : {"", "--size 0 /nonexistent/w.jpg",
                                  "--quality 101 /nonexistent/w.jpg", "--bogus /nonexistent/w.jpg"})
        EXPECT_EQ(runTool(arguments), 2) << arguments;
}

} // namespace
