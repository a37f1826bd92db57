// The JPEG decoder, and the texture object with it on an offscreen OpenGL context.
#include "texture/jpeg_decoder.h"
#include "texture/texture.h"
#include "offscreen_gl.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <fstream>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;
// 37 x 21 pixels in four flat colour blocks split at (18, 10). 37 x 3 bytes a row is no
// multiple of 4: read with the default unpack alignment, the rows shift.
const unsigned char kBlocks[4][3] = {{200, 40, 40}, {40, 190, 60}, {50, 60, 210}, {220, 210, 40}};
const unsigned char *blockAt(double x, double y) {
    return kBlocks[(y < 10 ? 0 : 2) + (x < 18 ? 0 : 1)];
}

// A JPEG of the colour blocks, or of noise (which compresses poorly: long image data).
Bytes encodeJpeg(int width, int height, bool blocks) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    unsigned state = 12345;
    for (size_t i = 0; i < rgb.size(); ++i) {
        state = state * 1103515245u + 12345u;
        rgb[i] = blocks ? blockAt(i / 3 % width, i / 3 / width)[i % 3] : (state >> 16) & 255;
    }
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                          TJSAMP_444, 100, 0),
              0);
    Bytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return out;
}

std::string writeTemp(const std::string &name, const Bytes &bytes) {
    const std::string path = ::testing::TempDir() + "vorticel_" + std::to_string(getpid()) + name;
    EXPECT_TRUE(std::ofstream(path, std::ios::binary)
                    .write(reinterpret_cast<const char *>(bytes.data()), bytes.size())
                    .good());
    return path;
}

TEST(JpegDecoder, ReadsTheSizeThenGapFreeRgbRows) {
    JpegProperties properties{};
    ASSERT_EQ(jpegInit(&properties), 0);
    const std::string path = writeTemp("blocks.jpg", encodeJpeg(37, 21, true));
    properties.path = path.c_str();
    ASSERT_EQ(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_EQ(properties.imageWidth, 37);
    EXPECT_EQ(properties.imageHeight, 21);
    Bytes buffer(37 * 21 * 3 + 1, 0xA5); // a guard byte catches padded rows
    properties.output = buffer.data();
    properties.outputWidth = 37;
    properties.outputHeight = 21;
    properties.outputChannels = 3;
    properties.outputColour = jpegColourRgb;
    EXPECT_NE(jpegRead(&properties, 1), 0); // no such mode
    ASSERT_EQ(jpegRead(&properties, jpegReadImage), 0);
    EXPECT_EQ(buffer.back(), 0xA5); // the pixels are checked through the texture below
    EXPECT_EQ(jpegFree(&properties), 0);
}

class TextureGl : public ::testing::Test {
  protected:
    static inline std::unique_ptr<OffscreenGl> gl;
    static void SetUpTestSuite() { gl = std::make_unique<OffscreenGl>(16, 16); }
    static void TearDownTestSuite() { gl.reset(); }
    void SetUp() override { ASSERT_TRUE(gl->ok()) << gl->error(); }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
    static GLint bound() {
        GLint name = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return name;
    }
    static GLint levelSize(int level, GLenum which) {
        GLint v = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &v);
        return v;
    }
    // The number of levels of the bound texture; the last one must be 1 x 1.
    static int mipmapLevels() {
        int level = 0;
        while (level < 32 && levelSize(level, GL_TEXTURE_WIDTH) > 0)
            ++level;
        EXPECT_EQ(levelSize(level - 1, GL_TEXTURE_WIDTH), 1);
        EXPECT_EQ(levelSize(level - 1, GL_TEXTURE_HEIGHT), 1);
        return level;
    }
    static Bytes level0(GLenum format, int channels) {
        Bytes out(levelSize(0, GL_TEXTURE_WIDTH) * levelSize(0, GL_TEXTURE_HEIGHT) * channels);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
        return out;
    }
};

TEST_F(TextureGl, CreateHoldsTheBoundNamePlusOneAndDeletesTheFirstOnASecondCreate) {
    Texture texture;
    EXPECT_TRUE(texture.create("first"));
    const GLuint first = texture.glTexture - 1;
    ASSERT_NE(texture.glTexture, 0u);
    EXPECT_EQ(bound(), static_cast<GLint>(first));
    EXPECT_TRUE(glIsTexture(first));
    texture.create(std::string(100, 'n').c_str());
    EXPECT_EQ(std::string(texture.name), std::string(63, 'n'));
    // A name handed out again proves the first was deleted; otherwise it must be gone.
    EXPECT_TRUE(texture.glTexture - 1 == first || !glIsTexture(first));
    EXPECT_EQ(bound(), static_cast<GLint>(texture.glTexture - 1));
}

TEST_F(TextureGl, UnreadableFilesGiveTheCheckerboard) {
    Bytes truncated = encodeJpeg(64, 64, false);
    truncated.resize(truncated.size() / 2);
    // A header claiming 65535 x 21846: times 3 bytes it wraps in 32 bits to 65534.
    Bytes huge = encodeJpeg(16, 16, false);
    size_t at = 2; // walk the segments to the baseline frame header
    while (at + 9 <= huge.size() && huge[at + 1] != 0xC0)
        at += 2 + (huge[at + 2] << 8 | huge[at + 3]);
    ASSERT_LT(at + 9, huge.size());
    const unsigned char size[4] = {21846 >> 8, 21846 & 255, 0xFF, 0xFF};
    std::memcpy(&huge[at + 5], size, 4);
    const std::string paths[] = {"/nonexistent/missing.jpg", writeTemp("truncated.jpg", truncated),
                                 writeTemp("huge.jpg", huge)};
    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        Texture texture;
        EXPECT_FALSE(texture.loadJpeg(path.c_str(), false));
        EXPECT_EQ(texture.width, 2);
        EXPECT_EQ(texture.height, 2);
        EXPECT_EQ(bound(), static_cast<GLint>(texture.glTexture - 1));
        EXPECT_EQ(levelSize(0, GL_TEXTURE_WIDTH), 2);
        EXPECT_EQ(levelSize(0, GL_TEXTURE_HEIGHT), 2);
        EXPECT_EQ(level0(GL_LUMINANCE, 1), (Bytes{0, 255, 255, 0}));
        EXPECT_EQ(mipmapLevels(), 2);
    }
}

TEST_F(TextureGl, OddWidthJpegLoadsWithItsSizePixelsAndWallParameters) {
    Texture texture;
    ASSERT_TRUE(texture.loadJpeg(writeTemp("odd.jpg", encodeJpeg(37, 21, true)).c_str(), false));
    EXPECT_EQ(texture.width, 37);
    EXPECT_EQ(texture.height, 21);
    EXPECT_EQ(bound(), static_cast<GLint>(texture.glTexture - 1));

    // GLU may rescale to a power of two: sample away from the block edges. Row 0 must be the
    // top of the picture.
    const int tw = levelSize(0, GL_TEXTURE_WIDTH), th = levelSize(0, GL_TEXTURE_HEIGHT);
    const Bytes texels = level0(GL_RGB, 3);
    for (int y : {3, 6, 14, 18})
        for (int x : {4, 12, 24, 32}) {
            const size_t at = (static_cast<size_t>(y * th / 21) * tw + x * tw / 37) * 3;
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(texels[at + c], blockAt(x, y)[c], 12) << x << "," << y;
        }
    EXPECT_GT(mipmapLevels(), 1);

    const GLenum parameters[][2] = {{GL_TEXTURE_WRAP_S, GL_REPEAT},
                                    {GL_TEXTURE_WRAP_T, GL_REPEAT},
                                    {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                    {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST}};
    for (const auto &p : parameters) {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, p[0], &value);
        EXPECT_EQ(static_cast<GLenum>(value), p[1]) << "parameter " << p[0];
    }
}

} // namespace
