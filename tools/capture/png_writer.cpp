#include "png_writer.h"

#include <png.h>

#include <cstdio>

namespace {

// Owns the libpng write structures and the file for one image.
struct PngFile {
    FILE *file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngFile() {
        if (png)
            png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file)
            std::fclose(file);
    }
};

} // namespace

bool writePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb,
              std::string &error) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        error = "image size does not match its pixels";
        return false;
    }
    PngFile out;
    out.file = std::fopen(path.c_str(), "wb");
    if (!out.file) {
        error = "cannot open " + path + " for writing";
        return false;
    }
    out.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (out.png)
        out.info = png_create_info_struct(out.png);
    if (!out.png || !out.info) {
        error = "cannot set up libpng";
        return false;
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        rows[y] = const_cast<png_bytep>(rgb.data() + static_cast<size_t>(y) * width * 3);
    // libpng reports errors by longjmp; nothing with a destructor is made below this point.
    if (setjmp(png_jmpbuf(out.png))) {
        error = "libpng failed while writing " + path;
        return false;
    }
    png_init_io(out.png, out.file);
    png_set_IHDR(out.png, out.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(out.png, out.info);
    png_write_image(out.png, rows.data());
    png_write_end(out.png, nullptr);
    const int closed = std::fclose(out.file);
    out.file = nullptr;
    if (closed != 0) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
