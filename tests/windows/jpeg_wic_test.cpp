// The WIC JPEG decoder on quadrants.jpg and its twin .png: flat quadrants on an odd width show
// swapped channels, an upside-down picture or padded rows. One scaled read goes through WIC.
#include "texture/jpeg_decoder.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr int W = 37, H = 23; // rows of 111 bytes, not a multiple of 4
constexpr unsigned char guard = 0xA5;

// The corners: top left red, top right green, bottom left blue, bottom right white.
const int kCorners[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};

enum File { jpeg, png, cut, missing, folder, fileCount };

struct Case {
    File file;
    int32_t mode;
    int32_t failure;               // jpegFailureNone: the read succeeds
    int32_t maxDimension = 0;      // the cap
    int32_t width = W, height = H; // the output asked for
};

const Case cases[] = {
    {jpeg, jpegReadParameters, jpegFailureNone},     // the size only: no pixel written
    {jpeg, jpegReadImage, jpegFailureNone},          // the whole image
    {jpeg, jpegReadImage, jpegFailureNone, 9, 5, 3}, // an eighth, through WIC's scaler
    {jpeg, jpegReadParameters, jpegFailureImageTooLarge, 4},
    {jpeg, jpegReadImage, jpegFailureBadRequest, 9}, // not the scaled size
    {jpeg, 1, jpegFailureBadRequest},                // no such mode
    {missing, jpegReadParameters, jpegFailureOpen},
    {folder, jpegReadParameters, jpegFailureNotRegularFile},
    {png, jpegReadParameters, jpegFailureNotJpeg}, // which WIC would decode
    {cut, jpegReadParameters, jpegFailureNotJpeg}, // cut inside the header
};

TEST(WicDecoder, Cases) {
    // The decoder runs on a thread without COM and must bring it up and down itself.
    const char *paths[fileCount] = {"quadrants.jpg", "quadrants.png", "wic-cut.jpg",
                                    "wic-missing.jpg", "wic-folder"};
    std::ifstream in(paths[jpeg], std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(whole.size(), 40u) << "no quadrants.jpg in the working folder";
    std::ofstream(paths[cut], std::ios::binary) << whole.substr(0, 40);
    CreateDirectoryA(paths[folder], nullptr);

    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        JpegProperties p = {};
        ASSERT_EQ(jpegInit(&p), 0);
        std::vector<unsigned char> buffer(2 * W * H * 3, guard);
        p.path = paths[c.file];
        p.output = buffer.data();
        p.outputWidth = c.width;
        p.outputHeight = c.height;
        p.outputChannels = 3;
        p.outputColour = jpegColourRgb;
        p.maxDimension = c.maxDimension;
        const bool ok = c.failure == jpegFailureNone, decoded = ok && c.mode == jpegReadImage;
        // The texture loader asks for the size first, then the image, on one record.
        EXPECT_TRUE(c.mode != jpegReadImage || jpegRead(&p, jpegReadParameters) == 0);
        EXPECT_EQ(jpegRead(&p, c.mode) == 0, ok);
        EXPECT_EQ(p.failure, c.failure);
        if (ok) {
            EXPECT_EQ(
                std::vector<int>({p.imageWidth, p.imageHeight, p.scaledWidth, p.scaledHeight}),
                std::vector<int>({W, H, c.width, c.height}));
        }
        for (size_t i = decoded ? size_t(c.width) * c.height * 3 : 0; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], guard) << "byte " << i << " written";
        // Each corner's colour, at any scale.
        for (int corner = 0; corner < 4 && decoded; ++corner) {
            const int x = corner % 2 ? c.width - 1 : 0, y = corner / 2 ? c.height - 1 : 0;
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(buffer[(y * c.width + x) * 3 + k], kCorners[corner][k], 40) << corner;
        }
        EXPECT_EQ(jpegFree(&p), 0);
        EXPECT_EQ(jpegFree(&p), 0);         // a second free is harmless
        ComPtr<IWICImagingFactory> factory; // COM is left down as found
        EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, &factory),
                  CO_E_NOTINITIALIZED);
    }
    DeleteFileA(paths[cut]);
    RemoveDirectoryA(paths[folder]);
}

} // namespace
