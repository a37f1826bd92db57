// The JPEG decoder, and the texture object with it on an offscreen OpenGL context.
#include "texture/jpeg_decoder.h"
#include "texture/texture.h"
#include "offscreen_gl.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <fstream>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;
// Four flat colour blocks split at (18, 10).
const unsigned char kBlocks[4][3] = {{200, 40, 40}, {40, 190, 60}, {50, 60, 210}, {220, 210, 40}};

// A JPEG of the colour blocks, or of noise (which compresses poorly: long image data).
Bytes encodeJpeg(int width, int height, bool blocks, int subsampling = TJSAMP_444, int flags = 0) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    unsigned state = 12345;
    for (size_t i = 0; i < rgb.size(); ++i) {
        state = state * 1103515245u + 12345u;
        const size_t x = i / 3 % width, y = i / 3 / width;
        rgb[i] = blocks ? kBlocks[(y < 10 ? 0 : 2) + (x < 18 ? 0 : 1)][i % 3] : (state >> 16) & 255;
    }
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                          subsampling, blocks ? 100 : 80, flags),
              0);
    Bytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return out;
}

std::string writeTemp(const std::string &name, const Bytes &bytes) {
    const std::string path = ::testing::TempDir() + "vorticel_" + std::to_string(getpid()) + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Decodes the whole file as TurboJPEG does without any cap: the pixels the loader always took.
Bytes decodeWhole(const Bytes &jpeg, int width, int height) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    tjhandle decompressor = tjInitDecompress();
    tjDecompress2(decompressor, jpeg.data(), jpeg.size(), rgb.data(), width, 0, height, TJPF_RGB,
                  0);
    tjDestroy(decompressor);
    return rgb;
}

// The scale rule on a 37 x 23 picture under caps on the side and on the bytes (0: none): the
// first of a whole, a half, a quarter and an eighth that fits, or none (0 x 0). Each corner
// keeps its block's colour at any scale; nothing is written past the picture.
const struct {
    int32_t maxDimension;
    int64_t maxOutputBytes;
    int32_t width, height;
} scaleCases[] = {
    {0, 0, 37, 23},       {37, 0, 37, 23},          {36, 0, 19, 12},
    {19, 0, 19, 12},      {18, 0, 10, 6},           {9, 0, 5, 3},
    {4, 0, 0, 0},         {0, 37 * 23 * 3, 37, 23}, {0, 37 * 23 * 3 - 1, 19, 12},
    {0, 5 * 3 * 3, 5, 3}, {0, 5 * 3 * 3 - 1, 0, 0}, {10, 10 * 6 * 3, 10, 6},
};

TEST(JpegDecoder, ScalesByTheFirstOfAHalfAQuarterAndAnEighthThatFitsTheCaps) {
    const Bytes jpeg = encodeJpeg(37, 23, true);
    const std::string path = writeTemp("blocks23.jpg", jpeg);
    for (const auto &c : scaleCases) {
        SCOPED_TRACE(::testing::Message() << "caps " << c.maxDimension << ", " << c.maxOutputBytes);
        JpegProperties p{};
        ASSERT_EQ(jpegInit(&p), 0);
        p.path = path.c_str();
        p.maxDimension = c.maxDimension;
        p.maxOutputBytes = c.maxOutputBytes;
        EXPECT_EQ(jpegRead(&p, jpegReadParameters) == 0, c.width != 0);
        Bytes buffer(static_cast<size_t>(c.width) * c.height * 3 + 1, 0xA5); // a guard byte
        p.output = buffer.data();
        p.outputWidth = c.width;
        p.outputHeight = c.height;
        p.outputChannels = 3;
        p.outputColour = jpegColourRgb;
        if (c.width && c.height == p.scaledHeight && c.width == p.scaledWidth) {
            EXPECT_EQ(jpegRead(&p, jpegReadImage), 0);
        }
        EXPECT_EQ(jpegFree(&p), 0);
        EXPECT_EQ(buffer.back(), 0xA5);
        buffer.pop_back();
        for (int corner = 0; corner < 4 && c.width; ++corner) {
            const int x = corner % 2 ? c.width - 1 : 0, y = corner / 2 ? c.height - 1 : 0;
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(buffer[(static_cast<size_t>(y) * c.width + x) * 3 + k],
                            kBlocks[corner][k], 12)
                    << "corner " << corner;
        }
    }
}

// Each texture test on an offscreen context of its own.
class TextureGl : public ::testing::Test {
  protected:
    OffscreenGl gl{16, 16};
    void SetUp() override { ASSERT_TRUE(gl.ok()) << gl.error(); }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
};

GLint levelSize(int level, GLenum which) {
    GLint v = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &v);
    return v;
}

// Level 0 of the bound texture, which must be the texture's own.
Bytes level0(const Texture &texture, GLenum format, int channels) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(texture.glTexture - 1)); // held plus one
    Bytes out(levelSize(0, GL_TEXTURE_WIDTH) * levelSize(0, GL_TEXTURE_HEIGHT) * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}

// Each file the loader cannot use gives the 2 x 2 checkerboard with its two mipmap levels,
// and the reason. The fuzz target's seeds: a progressive 30000 x 30000 would have libjpeg zero
// gigabytes before finding the data gone; 65500 x 21860 x 3 bytes wraps in 32 bits to 522704,
// and even an eighth is too much. A path may name anything:
// a FIFO without a writer must not block the open, nor anything but a regular file be read.
TEST_F(TextureGl, UnusableFilesGiveTheCheckerboardAndTheReason) {
    const std::string fifo = writeTemp("fifo.jpg", {}) + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, const char *> cases[] = {
        {SEED_CORPUS "/bad-progressive-claims-30000x30000.jpg", "image too large"},
        {SEED_CORPUS "/bad-baseline-claims-65500x21860.jpg", "image too large"},
        {SEED_CORPUS "/bad-progressive-cut.jpg", "damaged JPEG data"},
        {"/nonexistent/missing.jpg", "cannot open: No such file or directory"},
        {writeTemp("text.jpg", Bytes(100, 'x')), "not a JPEG image"},
        {writeTemp("empty.jpg", {}), "not a JPEG image"},
        {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},
    };
    for (const auto &[path, reason] : cases) {
        Texture texture;
        EXPECT_FALSE(texture.loadJpeg(path.c_str()));
        EXPECT_STREQ(texture.failure(), reason) << path;
        EXPECT_EQ(texture.width * texture.height, 4) << path;
        EXPECT_EQ(level0(texture, GL_LUMINANCE, 1), (Bytes{0, 255, 255, 0})) << path;
        EXPECT_EQ(levelSize(1, GL_TEXTURE_WIDTH) + levelSize(2, GL_TEXTURE_WIDTH), 1) << path;
    }
    unlink(fifo.c_str());
}

// 2 x 3 bytes a row is no multiple of 4: read with the default unpack alignment, the rows
// shift. A power-of-two size is not resampled by GLU: level 0 is exactly a plain decode, its
// first row the picture's top one, with mipmaps down to 1 x 1.
TEST_F(TextureGl, APictureGivesTheTexelsOfAPlainDecodeTopRowFirst) {
    const Bytes jpeg = encodeJpeg(2, 8, false);
    Texture texture;
    ASSERT_TRUE(texture.loadJpeg(writeTemp("plain.jpg", jpeg).c_str()));
    EXPECT_EQ(texture.failure(), nullptr);
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 8);
    EXPECT_TRUE(level0(texture, GL_RGB, 3) == decodeWhole(jpeg, 2, 8)) << "texels differ";
    EXPECT_EQ(levelSize(3, GL_TEXTURE_WIDTH) * levelSize(3, GL_TEXTURE_HEIGHT), 1);
}

// Pictures beyond GL_MAX_TEXTURE_SIZE or the loader's 64 MB are decoded at the first of 1/2,
// 1/4 and 1/8 that fits; the sides round up.
TEST_F(TextureGl, LargePicturesAreDecodedAtTheScaleThatFits) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (2 * maxSize + 1 > 65535 || maxSize % 4 != 0)
        GTEST_SKIP() << "GL_MAX_TEXTURE_SIZE " << maxSize << " leaves no room for a JPEG beyond it";
    const int cases[][4] = {
        {2 * maxSize + 1, 23, maxSize / 2 + 1, 6}, // half is one too wide: a quarter
        {23, 2 * maxSize + 1, 6, maxSize / 2 + 1}, // or one too tall
        {8000, 3000, 4000, 1500},                  // 72 MB at full size: half
    };
    for (const auto &c : cases) {
        Texture texture;
        const std::string path = writeTemp("large.jpg", encodeJpeg(c[0], c[1], true));
        ASSERT_TRUE(texture.loadJpeg(path.c_str())) << texture.failure();
        EXPECT_EQ(texture.width, c[2]);
        EXPECT_EQ(texture.height, c[3]);
        unlink(path.c_str());
    }
}

} // namespace
