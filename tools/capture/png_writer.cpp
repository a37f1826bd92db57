#include "png_writer.h"

#include <png.h>

#include <cstdio>
#include <new>

namespace {

// Owns the libpng write structures for one image.
struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
    }
};

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto *out = static_cast<std::vector<unsigned char> *>(png_get_io_ptr(png));
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc &) {
        png_error(png, "out of memory");
    }
}

void flushNothing(png_structp) {}

} // namespace

bool encodePng(int width, int height, int channels, const std::vector<unsigned char> &pixels,
               std::vector<unsigned char> &png, std::string &error) {
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * channels) {
        error = "image size does not match its pixels";
        return false;
    }
    png.clear();
    PngWriter out;
    out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (out.png)
        out.info = png_create_info_struct(out.png);
    if (!out.png || !out.info) {
        error = "cannot set up libpng";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[y] = const_cast<png_bytep>(pixels.data() + static_cast<size_t>(y) * width * channels);
    // libpng reports errors by longjmp; nothing with a destructor is made below this point.
    if (setjmp(png_jmpbuf(out.png))) {
        error = "libpng failed while encoding the image";
        return false;
    }
    png_set_write_fn(out.png, &png, appendBytes, flushNothing);
    png_set_IHDR(out.png, out.info, width, height, 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(out.png, out.info);
    png_write_image(out.png, rows.data());
    png_write_end(out.png, nullptr);
    return true;
}

bool writePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb,
              std::string &error) {
    std::vector<unsigned char> png;
    return encodePng(width, height, 3, rgb, png, error) && writeFileBytes(path, png, error);
}

bool writeFileBytes(const std::string &path, const std::vector<unsigned char> &bytes,
                    std::string &error) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot open " + path + " for writing";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
