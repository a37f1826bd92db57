// vorticel-icon: draws the program's icon from the tunnel itself. It flies the real effect to a
// moment where the tunnel's mouth faces the viewer, then renders that moment once for each icon
// size, supersampled and cut to a disc, so every size is drawn, not shrunk from a larger one.
// Writes vorticel.ico (16, 24, 32, 48 and 256 pixels) and vorticel.png (256 pixels).
#include <windows.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cmdline/cmdline.h"
#include "ico.h"
#include "offscreen_gl.h"
#include "png_writer.h"
#include "tunnel/effect.h"
#include "tunnel/reset.h"
#include "tunnel/state.h"

namespace {

const char kUsage[] = "usage: vorticel-icon --texture PATH [--out DIR]\n"
                      "  --texture PATH   the wall texture (grottebl.jpg)\n"
                      "  --out DIR        folder for vorticel.ico and vorticel.png (default .)\n";

// The moment drawn: frame 420 of a flight at 60 frames a second, where the far end sits dark
// in the middle with lit rock around it.
constexpr int kFrame = 420;
constexpr float kStep = 1.0f / 60.0f;
constexpr int kCanvas = 1024;  // the pbuffer's side: the largest supersampled render
constexpr int kFlyCanvas = 64; // the viewport while flying there, where nothing is kept
constexpr double kLipShade = 0.45;

struct IconSize {
    int side;
    float zoom; // the effect's zoom: small icons come closer, so the mouth fills them
};
const IconSize kSizes[] = {{16, 1.2f}, {24, 1.3f}, {32, 1.4f}, {48, 1.6f}, {256, 2.0f}};

// Draws the moment again at the current zoom with the far end in the middle: the rim of the
// deepest ring drawn is the tunnel's mouth, and the view is shifted by the mean of its points.
void drawCentred() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    timeDelta = 0.0f; // the same position, drawn again
    renderFrame();
    const TunnelVertex *rim = ringVertices[visibleRings - 1];
    double x = 0, y = 0;
    for (int j = 0; j < kRimPoints; ++j) {
        x += rim[j].x;
        y += rim[j].y;
    }
    glTranslated(-x / kRimPoints, -y / kRimPoints, 0.0);
    renderFrame();
}

// The scene at this moment as an icon of the given side: rendered at factor times the side,
// then each factor x factor block averaged, with the disc's coverage as alpha.
IcoImage renderIcon(const OffscreenGl &gl, const IconSize &size) {
    const int factor = size.side * 8 <= kCanvas ? 8 : kCanvas / size.side;
    const int render = size.side * factor;
    zoom = size.zoom;
    glViewport(0, 0, render, render);
    drawCentred();
    const std::vector<unsigned char> rgb = gl.readRgb(); // top row first: ours are the last
    const int top = gl.height() - render;
    const double centre = render / 2.0, radius = render / 2.0 - factor * 0.5;
    // A darker lip around the disc sets it off from a light background: one pixel wide on the
    // small icons, a little under three on the largest.
    const double lip = radius - std::max(factor, render / 96);

    IcoImage icon{size.side, std::vector<unsigned char>(size.side * size.side * 4)};
    for (int y = 0; y < size.side; ++y)
        for (int x = 0; x < size.side; ++x) {
            double sum[3] = {0, 0, 0};
            int covered = 0;
            for (int sy = y * factor; sy < (y + 1) * factor; ++sy)
                for (int sx = x * factor; sx < (x + 1) * factor; ++sx) {
                    const double dx = sx + 0.5 - centre, dy = sy + 0.5 - centre;
                    if (dx * dx + dy * dy > radius * radius)
                        continue;
                    const unsigned char *p =
                        &rgb[(static_cast<size_t>(top + sy) * gl.width() + sx) * 3];
                    const double shade = dx * dx + dy * dy > lip * lip ? kLipShade : 1.0;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c] * shade;
                    ++covered;
                }
            unsigned char *out = &icon.rgba[(static_cast<size_t>(y) * size.side + x) * 4];
            for (int c = 0; c < 3; ++c)
                out[c] = covered ? static_cast<unsigned char>(sum[c] / covered + 0.5) : 0;
            out[3] = static_cast<unsigned char>((covered * 255 + factor * factor / 2) /
                                                (factor * factor));
        }
    return icon;
}

} // namespace

// The window calls the effect makes go nowhere: there is no window.
BOOL WINAPI SetWindowTextA(HWND, LPCSTR) {
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND, UINT, WPARAM, LPARAM) {
    return TRUE;
}

int main(int argc, char **argv) {
    std::string texture, out = ".";
    cmdline::Parser parser;
    parser.value("--texture", "a file name", [&](const char *v) {
        texture = v;
        return !texture.empty();
    });
    parser.value("--out", "a folder", [&](const char *v) {
        out = v;
        return !out.empty();
    });
    std::string error;
    if (!parser.parse(argc, argv, error) || texture.empty()) {
        std::fprintf(stderr, "vorticel-icon: %s\n%s",
                     error.empty() ? "--texture is needed" : error.c_str(), kUsage);
        return 2;
    }

    OffscreenGl gl(kCanvas, kCanvas);
    if (!gl.ok()) {
        std::fprintf(stderr, "vorticel-icon: %s\n", gl.error().c_str());
        return 1;
    }
    resetEffectState();
    static char window;
    windowHandle = reinterpret_cast<HWND>(&window);
    clientWidth = clientHeight = kCanvas; // square: the aspect every size shares
    // The icon shows the rock, never the fallback pattern.
    if (!initEffect(texture.c_str())) {
        std::fprintf(stderr, "vorticel-icon: cannot load %s (%s)\n", texture.c_str(),
                     wallTexture.failure());
        wallTexture.release();
        return 1;
    }
    glViewport(0, 0, kFlyCanvas, kFlyCanvas);
    timeDelta = kStep;
    for (int k = 1; k <= kFrame; ++k) {
        timeNow = static_cast<float>(k * static_cast<double>(kStep));
        renderFrame();
    }
    std::vector<IcoImage> images;
    for (const IconSize &size : kSizes)
        images.push_back(renderIcon(gl, size));
    wallTexture.release(); // it belongs to this context

    std::vector<unsigned char> ico, png;
    const IcoImage &largest = images.back();
    if (!encodeIco(images, ico, error) || !writeFileBytes(out + "/vorticel.ico", ico, error) ||
        !encodePng(largest.side, largest.side, 4, largest.rgba, png, error) ||
        !writeFileBytes(out + "/vorticel.png", png, error)) {
        std::fprintf(stderr, "vorticel-icon: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
