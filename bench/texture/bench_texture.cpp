// vorticel-bench-texture make PATH WIDTH HEIGHT: writes a JPEG of colour waves and noise.
// vorticel-bench-texture load PATH: loads it into a texture on an offscreen context and prints
// the decoded size and the time of the load. The two are separate runs so that the memory of
// making the picture does not count in the peak of loading it.
#include "texture/texture.h"
#include "offscreen_gl.h"

#include <turbojpeg.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int make(const char *path, int width, int height) {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    unsigned state = 1;
    for (size_t y = 0; y < static_cast<size_t>(height); ++y)
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            state = state * 1103515245u + 12345u;
            unsigned char *p = &rgb[(y * width + x) * 3];
            p[0] =
                static_cast<unsigned char>(128 + 100 * std::sin(x * 0.01) + ((state >> 16) & 15));
            p[1] = static_cast<unsigned char>(128 + 100 * std::sin(y * 0.013));
            p[2] = static_cast<unsigned char>(128 + 100 * std::sin((x + y) * 0.007));
        }
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (!compressor || tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                                   TJSAMP_420, 75, 0) != 0) {
        std::fprintf(stderr, "vorticel-bench-texture: cannot compress\n");
        return 1;
    }
    FILE *file = std::fopen(path, "wb");
    const bool ok = file && std::fwrite(jpeg, 1, size, file) == size;
    if (file)
        std::fclose(file);
    tjFree(jpeg);
    tjDestroy(compressor);
    if (!ok) {
        std::fprintf(stderr, "vorticel-bench-texture: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s: %d x %d, %lu bytes\n", path, width, height, size);
    return 0;
}

int load(const char *path) {
    OffscreenGl gl(64, 64);
    if (!gl.ok()) {
        std::fprintf(stderr, "vorticel-bench-texture: %s\n", gl.error().c_str());
        return 1;
    }
    Texture texture;
    const auto start = std::chrono::steady_clock::now();
    const bool loaded = texture.loadJpeg(path);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %s, %d x %d in the texture, load %.3f s\n", path,
                loaded ? "loaded" : texture.failure(), texture.width, texture.height, seconds);
    return loaded ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 5 && std::strcmp(argv[1], "make") == 0)
        return make(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return load(argv[2]);
    std::fprintf(stderr, "usage: vorticel-bench-texture make PATH WIDTH HEIGHT\n"
                         "       vorticel-bench-texture load PATH\n");
    return 2;
}
