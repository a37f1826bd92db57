// make-wall-texture: draws a seamless rocky cave-wall texture and writes it as a JPEG.
//
// The picture is a height map built from periodic noise: large rock facets (cellular noise with
// a tilted plane per cell), cracks along the cell borders, and fractal gradient noise for
// roughness. Every lattice wraps with the tile period, so the image tiles in both directions.
// The colour mixes brown and grey stone tones and is lit from the height map's gradient.
#include <turbojpeg.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double twoPi = 6.283185307179586;

uint32_t hash3(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x8da6b343u ^ b * 0xd8163841u ^ c * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

double unitHash(uint32_t a, uint32_t b, uint32_t c) {
    return hash3(a, b, c) / 4294967296.0;
}

int wrap(int i, int period) {
    const int m = i % period;
    return m < 0 ? m + period : m;
}

double fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

double smoothstep(double a, double b, double x) {
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

// Gradient noise on a lattice of period x period cells over the unit square; about [-0.7, 0.7].
double gradientNoise(double u, double v, int period, uint32_t seed) {
    const double x = u * period, y = v * period;
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    auto corner = [&](int dx, int dy) {
        const double angle = twoPi * unitHash(wrap(xi + dx, period), wrap(yi + dy, period), seed);
        return std::cos(angle) * (fx - dx) + std::sin(angle) * (fy - dy);
    };
    const double sx = fade(fx), sy = fade(fy);
    return mix(mix(corner(0, 0), corner(1, 0), sx), mix(corner(0, 1), corner(1, 1), sx), sy);
}

// Fractal sum of gradient noise; each octave doubles the period, so all of them tile.
double fractalNoise(double u, double v, int period, int octaves, uint32_t seed) {
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * gradientNoise(u, v, period << o, seed + 977u * o);
        total += amplitude;
        amplitude *= 0.5;
    }
    return sum / total;
}

struct Cell {
    double f1, f2; // distances to the nearest and second nearest feature point, in cells
    double facet;  // height of the nearest cell's tilted facet at this point
    double tint;   // the nearest cell's own shade, 0 to 1
};

// Cellular noise with one feature point per cell on a period x period lattice.
Cell cellular(double u, double v, int period, uint32_t seed) {
    const double x = u * period, y = v * period;
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    Cell cell{1e9, 1e9, 0, 0};
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const uint32_t cx = wrap(xi + dx, period), cy = wrap(yi + dy, period);
            const double px = xi + dx + 0.1 + 0.8 * unitHash(cx, cy, seed);
            const double py = yi + dy + 0.1 + 0.8 * unitHash(cx, cy, seed + 1);
            const double ox = x - px, oy = y - py;
            const double d = std::sqrt(ox * ox + oy * oy);
            if (d < cell.f1) {
                cell.f2 = cell.f1;
                cell.f1 = d;
                const double angle = twoPi * unitHash(cx, cy, seed + 2);
                const double tilt = 0.35 + 0.4 * unitHash(cx, cy, seed + 3);
                cell.facet = 0.5 * unitHash(cx, cy, seed + 4) +
                             tilt * (std::cos(angle) * ox + std::sin(angle) * oy);
                cell.tint = unitHash(cx, cy, seed + 5);
            } else if (d < cell.f2) {
                cell.f2 = d;
            }
        }
    }
    return cell;
}

struct Sample {
    double height;
    double crack; // 1 deep in a crack, 0 on open rock
    double tint;
};

Sample sampleRock(double u, double v, uint32_t seed) {
    // A periodic warp bends the cell borders into irregular cracks.
    const double wu = u + 0.05 * fractalNoise(u, v, 4, 3, seed + 11);
    const double wv = v + 0.05 * fractalNoise(u, v, 4, 3, seed + 23);
    const Cell big = cellular(wu, wv, 5, seed + 101);
    const Cell small = cellular(wu, wv, 11, seed + 202);
    // Crack width varies along the border; the small cracks only run where a mask allows, so
    // the rock breaks up unevenly instead of into tiles.
    const double width = 0.02 + 0.1 * smoothstep(-0.35, 0.35, fractalNoise(u, v, 6, 3, seed + 37));
    const double depth = 0.35 + 0.65 * smoothstep(-0.25, 0.2, fractalNoise(u, v, 4, 2, seed + 43));
    const double bigCrack = depth * (1 - smoothstep(0.0, width, big.f2 - big.f1));
    const double smallMask = smoothstep(0.05, 0.3, fractalNoise(u, v, 5, 3, seed + 41));
    const double smallCrack = smallMask * (1 - smoothstep(0.0, 0.05, small.f2 - small.f1));
    // Ridged noise gives sharp crests and veins across the facets.
    const double ridged = 0.5 - std::fabs(fractalNoise(u, v, 6, 4, seed + 53));
    const double rough = fractalNoise(u, v, 12, 4, seed + 31);
    const double lumps = fractalNoise(u, v, 3, 2, seed + 47);

    Sample s;
    s.height = 0.5 * big.facet + 0.15 * small.facet * smallMask + 0.3 * ridged + 0.3 * rough +
               0.45 * lumps - 0.5 * bigCrack - 0.2 * smallCrack;
    s.crack = std::max(bigCrack, 0.7 * smallCrack);
    s.tint = mix(big.tint, small.tint, 0.35);
    return s;
}

std::vector<unsigned char> drawTexture(int size, uint32_t seed) {
    const std::size_t count = static_cast<std::size_t>(size) * size;
    std::vector<Sample> samples(count);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            samples[static_cast<std::size_t>(y) * size + x] =
                sampleRock(static_cast<double>(x) / size, static_cast<double>(y) / size, seed);
    auto at = [&](int x, int y) -> const Sample & {
        return samples[static_cast<std::size_t>(wrap(y, size)) * size + wrap(x, size)];
    };

    // Light from the upper left, a little in front of the wall.
    const double lx = -0.55, ly = -0.5, lz = 0.67;
    const double slope = 6.0 * size / 256.0;
    std::vector<unsigned char> rgb(count * 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Sample &s = at(x, y);
            const double u = static_cast<double>(x) / size, v = static_cast<double>(y) / size;
            const double nx = -(at(x + 1, y).height - at(x - 1, y).height) * slope;
            const double ny = -(at(x, y + 1).height - at(x, y - 1).height) * slope;
            const double nl = std::sqrt(nx * nx + ny * ny + 1);
            const double diffuse = std::max(0.0, (nx * lx + ny * ly + lz) / nl);
            const double light = 0.35 + 0.85 * diffuse;

            // Stone tone: brown where the slow noise is high, grey where it is low.
            const double tone = smoothstep(-0.3, 0.3, fractalNoise(u, v, 2, 3, seed + 59));
            const double grain = 0.92 + 0.16 * unitHash(x, y, seed + 71);
            const double shade = (0.8 + 0.35 * s.tint) * grain * light * (1 - 0.65 * s.crack) *
                                 (0.8 + 0.45 * std::clamp(s.height, -0.5, 0.5));
            // Light stone: the tunnel darkens the wall by depth and by its own noise.
            const double r = mix(0.74, 0.86, tone) * shade;
            const double g = mix(0.72, 0.67, tone) * shade;
            const double b = mix(0.69, 0.50, tone) * shade;
            unsigned char *p = &rgb[(static_cast<std::size_t>(y) * size + x) * 3];
            p[0] = static_cast<unsigned char>(std::lround(std::clamp(r, 0.0, 1.0) * 255));
            p[1] = static_cast<unsigned char>(std::lround(std::clamp(g, 0.0, 1.0) * 255));
            p[2] = static_cast<unsigned char>(std::lround(std::clamp(b, 0.0, 1.0) * 255));
        }
    }
    return rgb;
}

bool writeJpeg(const char *path, const std::vector<unsigned char> &rgb, int size, int quality) {
    tjhandle compressor = tjInitCompress();
    if (!compressor)
        return false;
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    bool ok = tjCompress2(compressor, rgb.data(), size, size * 3, size, TJPF_RGB, &jpeg, &jpegSize,
                          TJSAMP_444, quality, 0) == 0;
    if (ok) {
        FILE *file = std::fopen(path, "wb");
        ok = file && std::fwrite(jpeg, 1, jpegSize, file) == jpegSize;
        if (file && std::fclose(file) != 0)
            ok = false;
    }
    tjFree(jpeg);
    tjDestroy(compressor);
    return ok;
}

bool parseInt(const char *text, long long low, long long high, long long *value) {
    char *end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high)
        return false;
    *value = v;
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: make-wall-texture [--size N] [--seed S] [--quality Q] OUTPUT.jpg\n"
                         "  --size N     width and height in pixels, 8 to 4096 (default 256)\n"
                         "  --seed S     pattern seed, 0 to 4294967295 (default 1)\n"
                         "  --quality Q  JPEG quality, 1 to 100 (default 90)\n");
    return 2;
}

} // namespace

int main(int argc, char **argv) {
    long long size = 256, seed = 1, quality = 90;
    const char *output = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long long *target = nullptr;
        long long low = 0, high = 0;
        if (arg == "--size") {
            target = &size, low = 8, high = 4096;
        } else if (arg == "--seed") {
            target = &seed, low = 0, high = 4294967295LL;
        } else if (arg == "--quality") {
            target = &quality, low = 1, high = 100;
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else if (!output) {
            output = argv[i];
            continue;
        } else {
            return usage();
        }
        if (i + 1 >= argc || !parseInt(argv[++i], low, high, target))
            return usage();
    }
    if (!output)
        return usage();

    const std::vector<unsigned char> rgb =
        drawTexture(static_cast<int>(size), static_cast<uint32_t>(seed));
    if (!writeJpeg(output, rgb, static_cast<int>(size), static_cast<int>(quality))) {
        std::fprintf(stderr, "make-wall-texture: cannot write %s\n", output);
        return 1;
    }
    return 0;
}
