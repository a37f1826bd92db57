// The WIC JPEG decoder on pictures WIC itself encodes at run time: four flat quadrants on an
// odd width, so swapped channels, an upside-down picture or padded rows all show.
#include "texture/jpeg_decoder.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr int W = 37, H = 23; // rows of 111 bytes, not a multiple of 4
constexpr size_t imageBytes = W * H * 3;
constexpr unsigned char guard = 0xA5;

// Top left red, top right green, bottom left blue, bottom right white.
std::array<int, 3> quadrant(int x, int y) {
    if (y < H / 2)
        return x < W / 2 ? std::array<int, 3>{255, 0, 0} : std::array<int, 3>{0, 255, 0};
    return x < W / 2 ? std::array<int, 3>{0, 0, 255} : std::array<int, 3>{255, 255, 255};
}

std::string tempPath(const char *name) {
    char dir[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, dir);
    return (n > 0 && n < MAX_PATH ? std::string(dir) : std::string(".\\")) + "vorticel_wic_" +
           std::to_string(GetCurrentProcessId()) + "_" + name;
}

bool encodeQuadrants(const std::string &path, const GUID &container) {
    std::vector<BYTE> bgr;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const auto c = quadrant(x, y);
            bgr.insert(bgr.end(), {BYTE(c[2]), BYTE(c[1]), BYTE(c[0])});
        }
    const std::wstring wide(path.begin(), path.end());
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, &factory)) ||
        FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromFilename(wide.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(container, nullptr, &encoder)) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &options)))
        return false;
    if (IsEqualGUID(container, GUID_ContainerFormatJpeg)) {
        // Best quality keeps the flat colours close to their values.
        PROPBAG2 option = {};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT best;
        VariantInit(&best);
        best.vt = VT_R4;
        best.fltVal = 1.0f;
        options->Write(1, &option, &best);
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(frame->Initialize(options.Get())) && SUCCEEDED(frame->SetSize(W, H)) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) &&
           IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
           SUCCEEDED(frame->WritePixels(H, W * 3, UINT(bgr.size()), bgr.data())) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

enum File { jpeg, png, text, cut, missing, folder, fileCount };

constexpr int32_t image = jpegReadImage, size = jpegReadParameters, bad = jpegFailureBadRequest,
                  tooLarge = jpegFailureImageTooLarge, notJpeg = jpegFailureNotJpeg;

struct Case {
    const char *what;
    File file;
    int32_t mode;
    int32_t failure; // jpegFailureNone: the read succeeds
    int32_t maxDimension = 0;
    int64_t maxOutputBytes = 0;
    int32_t width = W, height = H, channels = 3, colour = jpegColourRgb; // the output asked for
    bool buffer = true; // an output buffer is given
};

// The scaled sizes are those TurboJPEG gives the same 37 x 23 picture under the same caps.
const Case cases[] = {
    {"size only, no pixels written", jpeg, size, jpegFailureNone},
    {"whole image", jpeg, image, jpegFailureNone},
    {"whole image at the limit", jpeg, image, jpegFailureNone, W, W *H * 3},
    {"a half", jpeg, image, jpegFailureNone, 36, 0, 19, 12},
    {"a quarter", jpeg, image, jpegFailureNone, 18, 0, 10, 6},
    {"an eighth", jpeg, image, jpegFailureNone, 9, 0, 5, 3},
    {"a half by bytes", jpeg, image, jpegFailureNone, 0, W *H * 3 - 1, 19, 12},
    {"too large at an eighth", jpeg, size, tooLarge, 4, 0, 5, 3},
    {"too many bytes at an eighth", jpeg, size, tooLarge, 0, 5 * 3 * 3 - 1, 5, 3},
    {"missing file", missing, size, jpegFailureOpen},
    {"missing file, image", missing, image, jpegFailureOpen},
    {"a folder", folder, size, jpegFailureNotRegularFile},
    {"a PNG, which WIC would decode", png, size, notJpeg},
    {"text", text, size, notJpeg},
    {"cut inside the header", cut, size, notJpeg},
    {"four channels", jpeg, image, bad, 0, 0, W, H, 4},
    {"scaled by the caller", jpeg, image, bad, 0, 0, 2 * W, H},
    {"not the scaled size", jpeg, image, bad, 36, 0, W, H},
    {"bottom-up", jpeg, image, bad, 0, 0, W, -H},
    {"unknown colour", jpeg, image, bad, 0, 0, W, H, 3, 0},
    {"no buffer", jpeg, image, bad, 0, 0, W, H, 3, jpegColourRgb, false},
    {"unknown mode", jpeg, 1, bad},
};

TEST(WicDecoder, Cases) {
    // The files are written with COM up; the decoder then runs on a thread without it and
    // must bring COM up and down itself.
    std::string paths[fileCount];
    const char *names[fileCount] = {"q.jpg",   "q.png",       "text.jpg",
                                    "cut.jpg", "missing.jpg", "folder.jpg"};
    for (int f = 0; f < fileCount; ++f)
        paths[f] = tempPath(names[f]);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const bool encoded = encodeQuadrants(paths[jpeg], GUID_ContainerFormatJpeg) &&
                         encodeQuadrants(paths[png], GUID_ContainerFormatPng);
    CoUninitialize();
    ASSERT_TRUE(encoded) << "WIC could not write the test images";
    std::ifstream in(paths[jpeg], std::ios::binary);
    const std::string whole{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(whole.size(), 64u);
    std::ofstream(paths[cut], std::ios::binary) << whole.substr(0, 40);
    std::ofstream(paths[text], std::ios::binary) << "not a picture at all";
    ASSERT_TRUE(CreateDirectoryA(paths[folder].c_str(), nullptr));

    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        JpegProperties p = {};
        ASSERT_EQ(jpegInit(&p), 0);
        std::vector<unsigned char> buffer(2 * W * H * 4 + 64, guard);
        p.path = paths[c.file].c_str();
        p.output = c.buffer ? buffer.data() : nullptr;
        p.outputWidth = c.width;
        p.outputHeight = c.height;
        p.outputChannels = c.channels;
        p.outputColour = c.colour;
        p.maxDimension = c.maxDimension;
        p.maxOutputBytes = c.maxOutputBytes;
        const bool ok = c.failure == jpegFailureNone;
        // The texture loader asks for the size first, then the image, on one record.
        if (ok && c.mode == jpegReadImage) {
            ASSERT_EQ(jpegRead(&p, jpegReadParameters), 0);
        }
        EXPECT_EQ(jpegRead(&p, c.mode) == 0, ok);
        EXPECT_EQ(p.failure, c.failure);
        if (ok) {
            EXPECT_EQ(p.imageWidth, W);
            EXPECT_EQ(p.imageHeight, H);
            EXPECT_EQ(p.scaledWidth, c.width);
            EXPECT_EQ(p.scaledHeight, c.height);
        }
        const bool decoded = ok && c.mode == jpegReadImage;
        const size_t written = decoded ? size_t(c.width) * c.height * 3 : 0;
        for (size_t i = written; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], guard) << "byte " << i << " written";
        // Each corner at any scale, and inside each quadrant at full size, away from the edges
        // that the compression blurs.
        for (int corner = 0; corner < 4 && decoded; ++corner) {
            const int x = corner % 2 ? c.width - 1 : 0, y = corner / 2 ? c.height - 1 : 0;
            const auto expected = quadrant(corner % 2 ? W - 1 : 0, corner / 2 ? H - 1 : 0);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(buffer[(y * c.width + x) * 3 + k], expected[k], 40)
                    << "channel " << k << " at corner " << corner;
        }
        for (int y : {3, H / 2 - 3, H / 2 + 3, H - 1})
            for (int x : {4, W / 2 - 4, W / 2 + 4, W - 2})
                for (int k = 0; k < 3 && decoded && c.width == W; ++k)
                    EXPECT_NEAR(buffer[(y * W + x) * 3 + k], quadrant(x, y)[k], 40)
                        << "channel " << k << " at " << x << "," << y;
        EXPECT_EQ(jpegFree(&p), 0);
        EXPECT_EQ(jpegFree(&p), 0);
        ComPtr<IWICImagingFactory> factory; // COM is left down as found
        EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, &factory),
                  CO_E_NOTINITIALIZED);
    }
    for (const std::string &path : paths)
        DeleteFileA(path.c_str());
    RemoveDirectoryA(paths[folder].c_str());
}

} // namespace
