// The TurboJPEG decoder through its three entries, without OpenGL.
#include "texture/jpeg_decoder.h"

#include "jpeg_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

class JpegDecoder : public ::testing::Test {
  protected:
    JpegProperties properties;
    void SetUp() override {
        std::memset(&properties, 0, sizeof(properties));
        ASSERT_EQ(jpegInit(&properties), 0);
    }
    void TearDown() override { jpegFree(&properties); }

    std::string write(const std::string &name, const Bytes &bytes) {
        const std::string path = tempPath(name);
        EXPECT_TRUE(writeFile(path, bytes));
        return path;
    }
    void setRgbOutput(Bytes &buffer, int width, int height) {
        properties.output = buffer.data();
        properties.outputWidth = width;
        properties.outputHeight = height;
        properties.outputChannels = 3;
        properties.outputColour = jpegColourRgb;
    }
};

TEST_F(JpegDecoder, ReadsSizeThenWholeImageAsGapFreeRgbRowsTopFirst) {
    const Quadrants &q = oddQuadrants;
    const std::string path = write("odd.jpg", encodeJpeg(q.rgb(), q.width, q.height));
    properties.path = path.c_str();

    ASSERT_EQ(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_EQ(properties.imageWidth, 37);
    EXPECT_EQ(properties.imageHeight, 21);

    // One guard byte past the end catches a decoder writing padded rows.
    Bytes buffer(37 * 21 * 3 + 1, 0xA5);
    setRgbOutput(buffer, 37, 21);
    ASSERT_EQ(jpegRead(&properties, jpegReadImage), 0);
    EXPECT_EQ(buffer.back(), 0xA5);
    for (int y = 0; y < q.height; ++y) {
        for (int x = 0; x < q.width; ++x) {
            if (std::abs(x - q.splitX) < 2 || std::abs(y - q.splitY) < 2)
                continue; // ringing at the block edges
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(buffer[(y * 37 + x) * 3 + c], q.at(x, y)[c], 8)
                    << "pixel " << x << "," << y << " channel " << c;
        }
    }
}

TEST_F(JpegDecoder, FailsOnMissingEmptyOrForeignFiles) {
    const std::string missing = tempPath("missing.jpg");
    properties.path = missing.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);

    const std::string empty = write("empty.jpg", {});
    properties.path = empty.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);

    const std::string text = write("text.jpg", Bytes(100, 'x'));
    properties.path = text.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);

    properties.path = nullptr;
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);
}

TEST_F(JpegDecoder, RefusesUnknownModesAndOutputLayoutsItCannotFill) {
    const std::string path = write("layout.jpg", encodeJpeg(noiseRgb(8, 6), 8, 6));
    properties.path = path.c_str();
    EXPECT_NE(jpegRead(&properties, 1), 0);
    EXPECT_NE(jpegRead(&properties, 3), 0);

    Bytes buffer(8 * 6 * 3);
    setRgbOutput(buffer, 4, 6); // smaller than the image: would need scaling
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    setRgbOutput(buffer, 8, 6);
    properties.outputChannels = 4;
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    setRgbOutput(buffer, 8, 6);
    properties.outputColour = 2;
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    setRgbOutput(buffer, 8, 6);
    properties.output = nullptr;
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    setRgbOutput(buffer, 8, 6);
    EXPECT_EQ(jpegRead(&properties, jpegReadImage), 0);
}

TEST_F(JpegDecoder, TruncatedDataReadsHeaderButNotImage) {
    Bytes jpeg = encodeJpeg(noiseRgb(64, 64), 64, 64);
    jpeg.resize(jpeg.size() / 2);
    const std::string path = write("truncated.jpg", jpeg);
    properties.path = path.c_str();
    ASSERT_EQ(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_EQ(properties.imageWidth, 64);
    Bytes buffer(64 * 64 * 3);
    setRgbOutput(buffer, 64, 64);
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
}

TEST_F(JpegDecoder, ReportsTheSizeAHeaderClaims) {
    Bytes jpeg = encodeJpeg(noiseRgb(16, 16), 16, 16);
    ASSERT_TRUE(setFrameSize(jpeg, 65500, 65500));
    const std::string path = write("huge.jpg", jpeg);
    properties.path = path.c_str();
    ASSERT_EQ(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_EQ(properties.imageWidth, 65500);
    EXPECT_EQ(properties.imageHeight, 65500);
}

TEST(JpegDecoderLifecycle, FreeIsSafeTwiceAndOnAZeroedRecord) {
    JpegProperties properties;
    std::memset(&properties, 0, sizeof(properties));
    EXPECT_EQ(jpegFree(&properties), 0);
    ASSERT_EQ(jpegInit(&properties), 0);
    EXPECT_EQ(jpegFree(&properties), 0);
    EXPECT_EQ(properties.decoder, nullptr);
    EXPECT_EQ(jpegFree(&properties), 0);
    // A freed record refuses to read rather than touching a destroyed decoder.
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);
}

} // namespace
