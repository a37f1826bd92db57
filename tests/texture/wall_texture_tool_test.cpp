// make-wall-texture: a 256 x 256 JPEG that tiles without seams.
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(WallTextureTool, DrawsATileThatWrapsWithoutSeams) {
    const std::string path = ::testing::TempDir() + "wall" + std::to_string(getpid()) + ".jpg";
    ASSERT_EQ(std::system(("'" MAKE_WALL_TEXTURE "' '" + path + "'").c_str()), 0);
    std::ifstream file(path, std::ios::binary);
    std::vector<unsigned char> jpeg((std::istreambuf_iterator<char>(file)), {}), rgb(256 * 256 * 3);
    tjhandle decompressor = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    tjDecompressHeader3(decompressor, jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                        &colourspace);
    ASSERT_EQ(width, 256);
    ASSERT_EQ(height, 256);
    ASSERT_EQ(
        tjDecompress2(decompressor, jpeg.data(), jpeg.size(), rgb.data(), 256, 0, 256, TJPF_RGB, 0),
        0);
    tjDestroy(decompressor);
    for (const int line : {1, 256}) {                       // columns, then rows
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
        EXPECT_GT(inside, 2.0) << line; // there is a texture at all
        // The step across the wrap looks like one inside, unlike a step from an inner line.
        EXPECT_LT(step(255, 0), 1.5 * inside) << line;
        EXPECT_GT(step(200, 0), 1.5 * inside) << line;
    }
}

} // namespace
