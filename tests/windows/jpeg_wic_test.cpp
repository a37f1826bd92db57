// The WIC JPEG decoder behind texture/jpeg_decoder.h. The test images are encoded with WIC's
// own encoders at run time: four flat colour quadrants on an odd width, so a swapped channel
// order, an upside-down picture or a padded stride all show.
#include "texture/jpeg_decoder.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int imageWidth = 37; // three bytes a pixel: rows of 111 bytes, not a multiple of 4
constexpr int imageHeight = 23;

struct Rgb {
    int r, g, b;
};

// Top left red, top right green, bottom left blue, bottom right white.
Rgb quadrantColour(int x, int y) {
    const bool right = x >= imageWidth / 2;
    const bool bottom = y >= imageHeight / 2;
    if (!bottom)
        return right ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
    return right ? Rgb{255, 255, 255} : Rgb{0, 0, 255};
}

std::string tempPath(const char *name) {
    char dir[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, dir);
    std::string path = length > 0 && length < MAX_PATH ? std::string(dir) : std::string(".\\");
    return path + "vorticel_wic_test_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

// Writes the quadrant picture with WIC's encoder for the given container.
bool encodeQuadrants(const std::string &path, const GUID &container) {
    IWICImagingFactory *factory = nullptr;
    IWICStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    IPropertyBag2 *options = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void **>(&factory));
    std::wstring widePath(path.begin(), path.end());
    if (SUCCEEDED(hr))
        hr = factory->CreateStream(&stream);
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE);
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(container, nullptr, &encoder);
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(&frame, &options);
    if (SUCCEEDED(hr) && IsEqualGUID(container, GUID_ContainerFormatJpeg)) {
        // Best quality keeps the flat colours close to their values.
        PROPBAG2 option = {};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = 1.0f;
        options->Write(1, &option, &value);
    }
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options);
    if (SUCCEEDED(hr))
        hr = frame->SetSize(imageWidth, imageHeight);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        hr = E_FAIL;
    std::vector<BYTE> pixels(imageWidth * imageHeight * 3);
    for (int y = 0; y < imageHeight; ++y)
        for (int x = 0; x < imageWidth; ++x) {
            const Rgb c = quadrantColour(x, y);
            BYTE *p = &pixels[(y * imageWidth + x) * 3];
            p[0] = static_cast<BYTE>(c.b);
            p[1] = static_cast<BYTE>(c.g);
            p[2] = static_cast<BYTE>(c.r);
        }
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(imageHeight, imageWidth * 3, static_cast<UINT>(pixels.size()),
                                pixels.data());
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    if (options)
        options->Release();
    if (frame)
        frame->Release();
    if (encoder)
        encoder->Release();
    if (stream)
        stream->Release();
    if (factory)
        factory->Release();
    return SUCCEEDED(hr);
}

std::vector<unsigned char> readBytes(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (FILE *f = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF)
            bytes.push_back(static_cast<unsigned char>(c));
        std::fclose(f);
    }
    return bytes;
}

bool writeBytes(const std::string &path, const unsigned char *data, size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

class WicDecoder : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        jpegPath = tempPath("quadrants.jpg");
        pngPath = tempPath("quadrants.png");
        encoded = encodeQuadrants(jpegPath, GUID_ContainerFormatJpeg) &&
                  encodeQuadrants(pngPath, GUID_ContainerFormatPng);
    }
    static void TearDownTestSuite() {
        DeleteFileA(jpegPath.c_str());
        DeleteFileA(pngPath.c_str());
        CoUninitialize();
    }

    void SetUp() override {
        ASSERT_TRUE(encoded) << "WIC could not write the test images";
        std::memset(&properties, 0, sizeof(properties));
        ASSERT_EQ(jpegInit(&properties), 0);
    }
    void TearDown() override { EXPECT_EQ(jpegFree(&properties), 0); }

    // Asks for the whole image in the layout the texture loader uses, into a buffer with a
    // guard zone behind it.
    int readWhole(const std::string &path, std::vector<unsigned char> &buffer) {
        properties.path = path.c_str();
        buffer.assign(imageWidth * imageHeight * 3 + guardBytes, guardValue);
        properties.output = buffer.data();
        properties.outputWidth = imageWidth;
        properties.outputHeight = imageHeight;
        properties.outputChannels = 3;
        properties.outputColour = jpegColourRgb;
        return jpegRead(&properties, jpegReadImage);
    }

    static constexpr size_t guardBytes = 64;
    static constexpr unsigned char guardValue = 0xA5;
    static std::string jpegPath, pngPath;
    static bool encoded;
    JpegProperties properties;
};

std::string WicDecoder::jpegPath, WicDecoder::pngPath;
bool WicDecoder::encoded = false;

TEST_F(WicDecoder, ParametersGiveTheImageSizeAndWriteNoPixels) {
    unsigned char untouched = guardValue;
    properties.path = jpegPath.c_str();
    properties.output = &untouched;
    ASSERT_EQ(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_EQ(properties.imageWidth, imageWidth);
    EXPECT_EQ(properties.imageHeight, imageHeight);
    EXPECT_EQ(untouched, guardValue);
}

TEST_F(WicDecoder, WholeImageIsRgbTopRowFirstWithoutRowPadding) {
    std::vector<unsigned char> buffer;
    ASSERT_EQ(readWhole(jpegPath, buffer), 0);
    EXPECT_EQ(properties.imageWidth, imageWidth);
    EXPECT_EQ(properties.imageHeight, imageHeight);
    // Sample each quadrant away from the edges, where the compression blurs the colours.
    const int xs[] = {4, imageWidth / 2 - 4, imageWidth / 2 + 4, imageWidth - 2};
    const int ys[] = {3, imageHeight / 2 - 3, imageHeight / 2 + 3, imageHeight - 1};
    for (int y : ys)
        for (int x : xs) {
            const Rgb want = quadrantColour(x, y);
            const unsigned char *p = &buffer[(y * imageWidth + x) * 3];
            EXPECT_NEAR(p[0], want.r, 40) << "red at " << x << "," << y;
            EXPECT_NEAR(p[1], want.g, 40) << "green at " << x << "," << y;
            EXPECT_NEAR(p[2], want.b, 40) << "blue at " << x << "," << y;
        }
    for (size_t i = imageWidth * imageHeight * 3; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], guardValue) << "written past the image at byte " << i;
}

TEST_F(WicDecoder, RepeatedReadsOnOneRecordAgree) {
    std::vector<unsigned char> first, second;
    ASSERT_EQ(readWhole(jpegPath, first), 0);
    ASSERT_EQ(jpegRead(&properties, jpegReadParameters), 0);
    ASSERT_EQ(readWhole(jpegPath, second), 0);
    EXPECT_EQ(first, second);
}

TEST_F(WicDecoder, MissingFileFailsInBothModes) {
    const std::string missing = tempPath("missing.jpg");
    std::vector<unsigned char> buffer;
    properties.path = missing.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_NE(readWhole(missing, buffer), 0);
    EXPECT_EQ(buffer[0], guardValue);
}

TEST_F(WicDecoder, RefusesFilesThatAreNotJpeg) {
    // WIC would decode the PNG; the texture loader asked for a JPEG.
    properties.path = pngPath.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);

    const std::string text = tempPath("text.jpg");
    const char junk[] = "not a picture at all";
    ASSERT_TRUE(writeBytes(text, reinterpret_cast<const unsigned char *>(junk), sizeof(junk)));
    properties.path = text.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);
    DeleteFileA(text.c_str());
}

TEST_F(WicDecoder, FileCutInsideTheHeaderFails) {
    const std::vector<unsigned char> whole = readBytes(jpegPath);
    ASSERT_GT(whole.size(), 64u);
    const std::string cut = tempPath("cut.jpg");
    ASSERT_TRUE(writeBytes(cut, whole.data(), 40));
    std::vector<unsigned char> buffer;
    properties.path = cut.c_str();
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);
    EXPECT_NE(readWhole(cut, buffer), 0);
    DeleteFileA(cut.c_str());
}

TEST_F(WicDecoder, RefusesOutputLayoutsItCannotDeliver) {
    std::vector<unsigned char> buffer(imageWidth * 2 * imageHeight * 4, guardValue);
    properties.path = jpegPath.c_str();
    properties.output = buffer.data();
    properties.outputWidth = imageWidth;
    properties.outputHeight = imageHeight;
    properties.outputChannels = 3;
    properties.outputColour = jpegColourRgb;

    properties.outputChannels = 4;
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    properties.outputChannels = 3;
    properties.outputWidth = imageWidth * 2; // scaling is not offered
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    properties.outputWidth = imageWidth;
    properties.outputHeight = -imageHeight; // bottom-up output is not offered
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    properties.outputHeight = imageHeight;
    properties.outputColour = 0;
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);
    properties.outputColour = jpegColourRgb;
    properties.output = nullptr;
    EXPECT_NE(jpegRead(&properties, jpegReadImage), 0);

    for (unsigned char byte : buffer)
        ASSERT_EQ(byte, guardValue);
    EXPECT_NE(jpegRead(&properties, 1), 0); // no such mode
}

TEST(WicDecoderLifetime, FreeIsSafeTwiceAndReadAfterFreeFails) {
    JpegProperties properties;
    std::memset(&properties, 0, sizeof(properties));
    ASSERT_EQ(jpegInit(&properties), 0);
    EXPECT_EQ(jpegFree(&properties), 0);
    EXPECT_EQ(jpegFree(&properties), 0);
    properties.path = "anything.jpg";
    EXPECT_NE(jpegRead(&properties, jpegReadParameters), 0);
}

TEST(WicDecoderLifetime, InitialisesComItselfAndLeavesItAsFound) {
    // Without COM on the thread the decoder must bring it up for itself, and take it down
    // again: afterwards COM is uninitialised, so CoCreateInstance fails as before.
    JpegProperties properties;
    std::memset(&properties, 0, sizeof(properties));
    ASSERT_EQ(jpegInit(&properties), 0);
    EXPECT_EQ(jpegFree(&properties), 0);
    IWICImagingFactory *factory = nullptr;
    const HRESULT hr =
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void **>(&factory));
    EXPECT_EQ(hr, CO_E_NOTINITIALIZED);
    if (factory)
        factory->Release();
}

} // namespace
