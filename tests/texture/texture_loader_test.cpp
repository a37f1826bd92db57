// The loader's steps against the scripted decoder: which entries run, what the record carries,
// the exact upload, and what happens on each failure.
#include "texture/texture.h"

#include "fake_decoder.h"
#include "gl_readback.h"

namespace {

class Loader : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        fakeDecoder = FakeDecoder();
    }
};

TEST_F(Loader, DecoderThatCannotStartLeavesTheTextureCreatedWithoutImage) {
    fakeDecoder.initResult = 5;
    Texture texture;
    texture.width = 7;
    texture.height = 9;
    EXPECT_FALSE(texture.loadJpeg("wall.jpg", false));
    EXPECT_EQ(texture.width, 7);
    EXPECT_EQ(texture.height, 9);
    EXPECT_STREQ(texture.name, "wall.jpg");
    ASSERT_NE(texture.glTexture, 0u);
    EXPECT_EQ(boundTexture(), static_cast<GLint>(texture.glTexture - 1));
    EXPECT_EQ(levelSize(0, GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(fakeDecoder.parameterCalls, 0);
    EXPECT_EQ(fakeDecoder.freeCalls, 0);
}

TEST_F(Loader, ImageRowsWithoutGapsAreUploadedExactlyTopRowFirst) {
    // 2 pixels = 6 bytes a row: misread under OpenGL's default unpack alignment of 4.
    fakeDecoder.width = 2;
    fakeDecoder.height = 4;
    for (int i = 0; i < 2 * 4 * 3; ++i)
        fakeDecoder.image.push_back(static_cast<unsigned char>(10 * i + 3));
    Texture texture;
    ASSERT_TRUE(texture.loadJpeg("rows.jpg", false));
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 4);
    EXPECT_EQ(fakeDecoder.path, "rows.jpg");

    const JpegProperties &seen = fakeDecoder.atImageRead;
    EXPECT_NE(seen.output, nullptr);
    EXPECT_EQ(seen.outputWidth, 2);
    EXPECT_EQ(seen.outputHeight, 4);
    EXPECT_EQ(seen.outputChannels, 3);
    EXPECT_EQ(seen.outputColour, jpegColourRgb);
    EXPECT_EQ(fakeDecoder.freeCalls, 1);

    EXPECT_EQ(levelSize(0, GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(levelSize(0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(texels(0, GL_RGB, 3), fakeDecoder.image);
    int w = 0, h = 0;
    EXPECT_EQ(mipmapLevels(&w, &h), 3);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}

TEST_F(Loader, FailedReadsFallBackAndStillFreeTheRecord) {
    for (int step = 0; step < 2; ++step) {
        SCOPED_TRACE(step == 0 ? "parameter read fails" : "image read fails");
        fakeDecoder = FakeDecoder();
        fakeDecoder.width = 4;
        fakeDecoder.height = 4;
        (step == 0 ? fakeDecoder.parametersResult : fakeDecoder.imageResult) = 1;
        Texture texture;
        EXPECT_FALSE(texture.loadJpeg("bad.jpg", false));
        EXPECT_EQ(texture.width, 2);
        EXPECT_EQ(texture.height, 2);
        EXPECT_EQ(fakeDecoder.imageCalls, step);
        EXPECT_EQ(fakeDecoder.freeCalls, 1);
        expectCheckerboard();
    }
}

TEST_F(Loader, SizesThatCannotBeAllocatedFallBackWithoutReadingTheImage) {
    // Includes products that wrap in 32 bits to a small buffer (65536 x 21846 x 3 = 2^32 +
    // 2^17) and one far beyond any memory.
    const int32_t sizes[][2] = {{0, 4},         {4, 0},         {-3, 5},        {5, -3},
                                {65536, 65536}, {65536, 21846}, {65500, 65500}, {2147483647, 2}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        fakeDecoder = FakeDecoder();
        fakeDecoder.width = size[0];
        fakeDecoder.height = size[1];
        Texture texture;
        EXPECT_FALSE(texture.loadJpeg("size.jpg", false));
        EXPECT_EQ(fakeDecoder.imageCalls, 0);
        EXPECT_EQ(fakeDecoder.freeCalls, 1);
        EXPECT_EQ(texture.width, 2);
        EXPECT_EQ(texture.height, 2);
        expectCheckerboard();
    }
}

} // namespace
