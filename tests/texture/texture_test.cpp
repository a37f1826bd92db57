// The JPEG decoder, and the texture object with it on an offscreen OpenGL context.
#include "texture/jpeg_decoder.h"
#include "texture/texture.h"
#include "offscreen_gl.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <turbojpeg.h>
#include <unistd.h>
#include <fstream>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;
// Four flat colour blocks split at (18, 10). 37 x 3 bytes a row is no multiple of 4: read with
// the default unpack alignment, the rows shift.
const unsigned char kBlocks[4][3] = {{200, 40, 40}, {40, 190, 60}, {50, 60, 210}, {220, 210, 40}};
const unsigned char *blockAt(double x, double y) {
    return kBlocks[(y < 10 ? 0 : 2) + (x < 18 ? 0 : 1)];
}

// A JPEG of the colour blocks, or of noise (which compresses poorly: long image data).
Bytes encodeJpeg(int width, int height, bool blocks, int quality = 100,
                 int subsampling = TJSAMP_444, int flags = 0) {
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
                          subsampling, quality, flags),
              0);
    Bytes out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return out;
}

// The JPEG with the size in its frame header (SOF marker) replaced.
Bytes claimingSize(Bytes jpeg, unsigned char marker, int width, int height) {
    size_t at = 2;
    while (at + 9 <= jpeg.size() && jpeg[at + 1] != marker)
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    EXPECT_LT(at + 9, jpeg.size());
    const unsigned char size[4] = {
        static_cast<unsigned char>(height >> 8), static_cast<unsigned char>(height),
        static_cast<unsigned char>(width >> 8), static_cast<unsigned char>(width)};
    std::memcpy(&jpeg[at + 5], size, 4);
    return jpeg;
}

std::string writeTemp(const std::string &name, const Bytes &bytes) {
    const std::string path = ::testing::TempDir() + "vorticel_" + std::to_string(getpid()) + name;
    EXPECT_TRUE(std::ofstream(path, std::ios::binary)
                    .write(reinterpret_cast<const char *>(bytes.data()), bytes.size())
                    .good());
    return path;
}

// Decodes the whole file as TurboJPEG does without any cap: the pixels the loader always took.
Bytes decodeWhole(const Bytes &jpeg, int width, int height) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    tjhandle decompressor = tjInitDecompress();
    EXPECT_EQ(tjDecompress2(decompressor, jpeg.data(), jpeg.size(), rgb.data(), width, 0, height,
                            TJPF_RGB, 0),
              0);
    tjDestroy(decompressor);
    return rgb;
}

// The scale rule on a 37 x 23 picture; the Windows decoder's test expects the same sizes.
TEST(JpegDecoder, ScalesByTheFirstOfAHalfAQuarterAndAnEighthThatFitsTheCaps) {
    struct Case {
        int32_t maxDimension;
        int64_t maxOutputBytes;
        int32_t width, height; // 0: refused as too large
    };
    const Case cases[] = {
        {0, 0, 37, 23},       {37, 0, 37, 23},          {36, 0, 19, 12},
        {19, 0, 19, 12},      {18, 0, 10, 6},           {9, 0, 5, 3},
        {4, 0, 0, 0},         {0, 37 * 23 * 3, 37, 23}, {0, 37 * 23 * 3 - 1, 19, 12},
        {0, 5 * 3 * 3, 5, 3}, {0, 5 * 3 * 3 - 1, 0, 0}, {10, 10 * 6 * 3, 10, 6},
    };
    const Bytes jpeg = encodeJpeg(37, 23, true);
    const std::string path = writeTemp("blocks23.jpg", jpeg);
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "caps " << c.maxDimension << ", " << c.maxOutputBytes);
        JpegProperties p{};
        ASSERT_EQ(jpegInit(&p), 0);
        p.path = path.c_str();
        p.maxDimension = c.maxDimension;
        p.maxOutputBytes = c.maxOutputBytes;
        const int read = jpegRead(&p, jpegReadParameters);
        EXPECT_EQ(p.failure, c.width ? jpegFailureNone : jpegFailureImageTooLarge);
        if (c.width == 0) {
            EXPECT_NE(read, 0);
            jpegFree(&p);
            continue;
        }
        ASSERT_EQ(read, 0);
        EXPECT_EQ(p.scaledWidth, c.width);
        EXPECT_EQ(p.scaledHeight, c.height);
        EXPECT_EQ(p.imageWidth, 37);
        Bytes buffer(static_cast<size_t>(c.width) * c.height * 3 + 1, 0xA5); // a guard byte
        p.output = buffer.data();
        p.outputWidth = c.width;
        p.outputHeight = c.height;
        p.outputChannels = 3;
        p.outputColour = jpegColourRgb;
        EXPECT_NE(jpegRead(&p, 1), 0); // no such mode
        EXPECT_EQ(p.failure, jpegFailureBadRequest);
        ASSERT_EQ(jpegRead(&p, jpegReadImage), 0);
        EXPECT_EQ(p.failure, jpegFailureNone);
        EXPECT_EQ(buffer.back(), 0xA5);
        buffer.pop_back();
        // Unscaled: the same rows as a plain decode.
        EXPECT_TRUE(c.width != 37 || buffer == decodeWhole(jpeg, 37, 23)) << "texels differ";
        // Each corner keeps the colour of its block, at any scale.
        for (int corner = 0; corner < 4; ++corner) {
            const int x = corner % 2 ? c.width - 1 : 0, y = corner / 2 ? c.height - 1 : 0;
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(buffer[(static_cast<size_t>(y) * c.width + x) * 3 + k],
                            kBlocks[corner][k], 12)
                    << "corner " << corner;
        }
        EXPECT_EQ(jpegFree(&p), 0);
    }
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
    // Loads path and expects the fallback checkerboard, with the reason given.
    static void expectCheckerboard(const std::string &path, const char *reason) {
        SCOPED_TRACE(path);
        Texture texture;
        EXPECT_FALSE(texture.loadJpeg(path.c_str()));
        ASSERT_NE(texture.failure(), nullptr);
        EXPECT_STREQ(texture.failure(), reason);
        EXPECT_EQ(texture.width, 2);
        EXPECT_EQ(texture.height, 2);
        EXPECT_EQ(bound(), static_cast<GLint>(texture.glTexture - 1));
        ASSERT_EQ(levelSize(0, GL_TEXTURE_WIDTH), 2);
        ASSERT_EQ(levelSize(0, GL_TEXTURE_HEIGHT), 2);
        EXPECT_EQ(level0(GL_LUMINANCE, 1), (Bytes{0, 255, 255, 0}));
        EXPECT_EQ(mipmapLevels(), 2);
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

TEST_F(TextureGl, UnreadableFilesGiveTheCheckerboardAndTheReason) {
    Bytes truncated = encodeJpeg(64, 64, false);
    truncated.resize(truncated.size() / 2);
    // 65500 x 21860 (libjpeg's largest width): times 3 bytes it wraps in 32 bits to 522704, and
    // even at an eighth (8188 x 2733) it is more than the loader decodes.
    const Bytes huge = claimingSize(encodeJpeg(16, 16, false), 0xC0, 65500, 21860);
    // A progressive 30000 x 30000: libjpeg would zero gigabytes of coefficients before finding
    // the data gone, though an eighth of it fits the caps.
    const Bytes claims = claimingSize(encodeJpeg(16, 16, false, 80, TJSAMP_420, TJFLAG_PROGRESSIVE),
                                      0xC2, 30000, 30000);
    expectCheckerboard(writeTemp("claims.jpg", claims), "image too large");
    expectCheckerboard("/nonexistent/missing.jpg", "cannot open: No such file or directory");
    expectCheckerboard(writeTemp("truncated.jpg", truncated), "damaged JPEG data");
    expectCheckerboard(writeTemp("huge.jpg", huge), "image too large");
    expectCheckerboard(writeTemp("text.jpg", Bytes(100, 'x')), "not a JPEG image");
    expectCheckerboard(writeTemp("empty.jpg", Bytes()), "not a JPEG image");
}

// A path a user types may name anything. None of these is read, and none may block: opening a
// FIFO without a writer for reading waits for one unless it is opened without blocking (a
// loader that waits here hangs the test until CTest's timeout).
TEST_F(TextureGl, PathsThatAreNotRegularFilesAreRefusedUnread) {
    const std::string base = ::testing::TempDir() + "vorticel_" + std::to_string(getpid());
    const std::string lonely = base + "_lonely.jpg", fed = base + "_fed.jpg",
                      socketPath = base + "_socket.jpg", folder = base + "_folder.jpg";
    ASSERT_EQ(mkfifo(lonely.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(fed.c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    // A FIFO holding a whole JPEG: the test keeps both ends, so it never blocks anyone.
    const int fedEnd = open(fed.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fedEnd, 0);
    const Bytes jpeg = encodeJpeg(8, 8, true);
    ASSERT_EQ(write(fedEnd, jpeg.data(), jpeg.size()), static_cast<ssize_t>(jpeg.size()));
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listening, 1), 0);

    for (const std::string &path : {lonely, fed, folder, socketPath, std::string("/dev/zero")})
        expectCheckerboard(path, "not a regular file");
    int pending = 0;
    ASSERT_EQ(ioctl(fedEnd, FIONREAD, &pending), 0);
    EXPECT_EQ(pending, static_cast<int>(jpeg.size())) << "the FIFO was read";

    close(fedEnd);
    close(listening);
    for (const std::string &path : {lonely, fed, socketPath})
        unlink(path.c_str());
    rmdir(folder.c_str());
}

// GLU resamples only pictures whose sides are not powers of two: level 0 of a 64 x 32 picture
// is exactly what a plain decode gives.
TEST_F(TextureGl, PictureWithinTheLimitsGivesTheTexelsOfAPlainDecode) {
    const Bytes jpeg = encodeJpeg(64, 32, false, 90);
    Texture texture;
    ASSERT_TRUE(texture.loadJpeg(writeTemp("plain.jpg", jpeg).c_str()));
    EXPECT_EQ(texture.failure(), nullptr);
    EXPECT_EQ(texture.width, 64);
    EXPECT_EQ(texture.height, 32);
    EXPECT_TRUE(level0(GL_RGB, 3) == decodeWhole(jpeg, 64, 32)) << "texels differ";
}

// Pictures beyond GL_MAX_TEXTURE_SIZE or the loader's 64 MB are decoded at the first of 1/2,
// 1/4 and 1/8 that fits; the sides round up.
TEST_F(TextureGl, LargePicturesAreDecodedAtTheScaleThatFits) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    ASSERT_GT(maxSize, 0);
    if (2 * maxSize + 1 > 65535 || maxSize % 4 != 0)
        GTEST_SKIP() << "GL_MAX_TEXTURE_SIZE " << maxSize << " leaves no room for a JPEG beyond it";
    struct Case {
        int width, height, scaledWidth, scaledHeight;
    };
    const Case cases[] = {
        {2 * maxSize - 1, 23, maxSize, 12},        // half fits exactly
        {2 * maxSize + 1, 23, maxSize / 2 + 1, 6}, // half is one too wide: a quarter
        {23, 2 * maxSize + 1, 6, maxSize / 2 + 1},
        {8000, 3000, 4000, 1500}, // 72 MB at full size: half
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height);
        Texture texture;
        const std::string path = writeTemp("large.jpg", encodeJpeg(c.width, c.height, true, 30));
        ASSERT_TRUE(texture.loadJpeg(path.c_str())) << texture.failure();
        EXPECT_EQ(texture.failure(), nullptr);
        EXPECT_EQ(texture.width, c.scaledWidth);
        EXPECT_EQ(texture.height, c.scaledHeight);
        EXPECT_LE(levelSize(0, GL_TEXTURE_WIDTH), maxSize);
        EXPECT_LE(levelSize(0, GL_TEXTURE_HEIGHT), maxSize);
        unlink(path.c_str());
    }
}

TEST_F(TextureGl, OddWidthJpegLoadsWithItsSizePixelsAndMipmaps) {
    Texture texture;
    ASSERT_TRUE(texture.loadJpeg(writeTemp("odd.jpg", encodeJpeg(37, 21, true)).c_str()));
    EXPECT_EQ(texture.failure(), nullptr);
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
}

} // namespace
