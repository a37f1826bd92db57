// Writes the fuzz target's seed corpus into a folder: small JPEGs of every kind the decoder
// meets, named ok-<what>-<W>x<H>.jpg after the size the harness delivers, or bad-<what>.jpg
// for files that must fail. Usage: make-fuzz-seeds FOLDER
#include <turbojpeg.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// Colour ramps with a little noise: every block has something to code.
Bytes picture(int width, int height) {
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    unsigned state = 7;
    for (size_t i = 0; i < rgb.size(); ++i) {
        state = state * 1103515245u + 12345u;
        const size_t pixel = i / 3;
        const int x = static_cast<int>(pixel % width), y = static_cast<int>(pixel / width);
        const int ramp = i % 3 == 0 ? x * 255 / width : i % 3 == 1 ? y * 255 / height : 128;
        rgb[i] = static_cast<unsigned char>(ramp ^ ((state >> 16) & 31));
    }
    return rgb;
}

Bytes encode(int width, int height, int subsampling, int quality, int flags) {
    const Bytes rgb = picture(width, height);
    tjhandle compressor = tjInitCompress();
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    Bytes out;
    if (compressor && tjCompress2(compressor, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                                  subsampling, quality, flags) == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return out;
}

bool save(const std::string &path, const Bytes &bytes) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file || bytes.empty())
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const Bytes baseline = encode(33, 17, TJSAMP_444, 75, 0);
    const Bytes progressive = encode(40, 24, TJSAMP_420, 60, TJFLAG_PROGRESSIVE);
    Bytes cut = baseline, cutProgressive = progressive;
    cut.resize(cut.size() / 2);
    cutProgressive.resize(cutProgressive.size() * 2 / 3);
    const Bytes header(baseline.begin(), baseline.begin() + 40);
    bool ok = save(folder + "ok-baseline-444-33x17.jpg", baseline) &&
              save(folder + "ok-progressive-420-40x24.jpg", progressive) &&
              save(folder + "ok-grey-17x9.jpg", encode(17, 9, TJSAMP_GRAY, 80, 0)) &&
              save(folder + "ok-422-7x3.jpg", encode(7, 3, TJSAMP_422, 90, 0)) &&
              save(folder + "ok-440-1x1.jpg", encode(1, 1, TJSAMP_440, 50, 0)) &&
              save(folder + "ok-wide-scaled-2050x4.jpg", encode(4100, 8, TJSAMP_420, 5, 0)) &&
              save(folder + "bad-baseline-cut.jpg", cut) &&
              save(folder + "bad-progressive-cut.jpg", cutProgressive) &&
              save(folder + "bad-header-cut.jpg", header);
    if (!ok) {
        std::fprintf(stderr, "make-fuzz-seeds: cannot write the seeds into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
