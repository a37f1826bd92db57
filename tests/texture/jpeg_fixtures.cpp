#include "jpeg_fixtures.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdio>
#include <unistd.h>

const Quadrants oddQuadrants = {
    37, 21, 18, 10, {{200, 40, 40}, {40, 190, 60}, {50, 60, 210}, {220, 210, 40}}};

Bytes Quadrants::rgb() const {
    Bytes rows(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rows[(static_cast<size_t>(y) * width + x) * 3 + c] = at(x, y)[c];
    return rows;
}

Bytes noiseRgb(int width, int height) {
    Bytes rows(static_cast<size_t>(width) * height * 3);
    unsigned state = 12345;
    for (unsigned char &b : rows) {
        state = state * 1103515245u + 12345u;
        b = static_cast<unsigned char>(state >> 16);
    }
    return rows;
}

Bytes encodeJpeg(const Bytes &rgb, int width, int height, int quality) {
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    Bytes out;
    if (compressor && tjCompress2(compressor, rgb.data(), width, width * 3, height, TJPF_RGB, &jpeg,
                                  &size, TJSAMP_444, quality, 0) == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    if (compressor)
        tjDestroy(compressor);
    return out;
}

Bytes decodeRgb(const Bytes &jpeg, int *width, int *height) {
    Bytes rgb;
    tjhandle decompressor = tjInitDecompress();
    int subsampling = 0, colourspace = 0;
    if (decompressor && tjDecompressHeader3(decompressor, jpeg.data(), jpeg.size(), width, height,
                                            &subsampling, &colourspace) == 0) {
        rgb.resize(static_cast<size_t>(*width) * *height * 3);
        if (tjDecompress2(decompressor, jpeg.data(), jpeg.size(), rgb.data(), *width, *width * 3,
                          *height, TJPF_RGB, 0) != 0)
            rgb.clear();
    }
    if (decompressor)
        tjDestroy(decompressor);
    return rgb;
}

bool setFrameSize(Bytes &jpeg, int width, int height) {
    // Walk the marker segments after SOI up to the baseline frame header (SOF0).
    size_t i = 2;
    while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF) {
        const unsigned marker = jpeg[i + 1];
        const size_t length = (static_cast<size_t>(jpeg[i + 2]) << 8) | jpeg[i + 3];
        if (marker == 0xC0 && i + 9 <= jpeg.size()) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width);
            return true;
        }
        i += 2 + length;
    }
    return false;
}

std::string tempPath(const std::string &name) {
    return ::testing::TempDir() + "vorticel_" + std::to_string(getpid()) + "_" + name;
}

bool writeFile(const std::string &path, const Bytes &bytes) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

Bytes readFile(const std::string &path) {
    Bytes bytes;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    unsigned char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(file);
    return bytes;
}
