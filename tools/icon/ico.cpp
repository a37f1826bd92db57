#include "ico.h"

#include <cstdint>

#include "png_writer.h"

namespace {

constexpr int kLargestBitmap = 48;

void put16(std::vector<unsigned char> &out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char> &out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// A BITMAPINFOHEADER, the colour rows (BGRA, bottom row first) and the AND mask (one bit a
// pixel, set where the pixel is wholly transparent, rows padded to 32 bits, bottom row first).
// The header's height counts both, hence twice the side.
std::vector<unsigned char> bitmapEntry(const IcoImage &image) {
    const uint32_t side = static_cast<uint32_t>(image.side);
    const uint32_t maskStride = (side + 31) / 32 * 4;
    std::vector<unsigned char> out;
    put32(out, 40);
    put32(out, side);
    put32(out, side * 2);
    put16(out, 1);  // planes
    put16(out, 32); // bits a pixel
    put32(out, 0);  // BI_RGB
    put32(out, side * side * 4 + maskStride * side);
    for (int i = 0; i < 4; ++i)
        put32(out, 0); // resolution and palette: unused
    for (uint32_t row = side; row-- > 0;)
        for (uint32_t x = 0; x < side; ++x) {
            const unsigned char *p = &image.rgba[(row * side + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    for (uint32_t row = side; row-- > 0;) {
        std::vector<unsigned char> mask(maskStride, 0);
        for (uint32_t x = 0; x < side; ++x)
            if (image.rgba[(row * side + x) * 4 + 3] == 0)
                mask[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        out.insert(out.end(), mask.begin(), mask.end());
    }
    return out;
}

} // namespace

bool encodeIco(const std::vector<IcoImage> &images, std::vector<unsigned char> &ico,
               std::string &error) {
    std::vector<std::vector<unsigned char>> entries;
    for (const IcoImage &image : images) {
        if (image.side < 1 || image.side > 256 ||
            image.rgba.size() != static_cast<size_t>(image.side) * image.side * 4) {
            error = "an icon image is not a square of 1 to 256 RGBA pixels";
            return false;
        }
        std::vector<unsigned char> png;
        if (image.side <= kLargestBitmap)
            entries.push_back(bitmapEntry(image));
        else if (encodePng(image.side, image.side, 4, image.rgba, png, error))
            entries.push_back(png);
        else
            return false;
    }
    // ICONDIR, then one ICONDIRENTRY an image, then the images.
    ico.clear();
    put16(ico, 0);
    put16(ico, 1); // an icon, not a cursor
    put16(ico, static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const unsigned char side = static_cast<unsigned char>(images[i].side % 256); // 0: 256
        ico.insert(ico.end(), {side, side, 0, 0});                                   // no palette
        put16(ico, 1);
        put16(ico, 32);
        put32(ico, static_cast<uint32_t>(entries[i].size()));
        put32(ico, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const auto &entry : entries)
        ico.insert(ico.end(), entry.begin(), entry.end());
    return true;
}
