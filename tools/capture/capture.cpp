// vorticel-capture: runs the real effect at a fixed time step in an offscreen context on the
// current X display and saves chosen frames as PNG files.
#include <windows.h>

#include <GL/gl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sys/stat.h>

#include <string>

#include "cmdline/cmdline.h"
#include "offscreen_gl.h"
#include "png_writer.h"

// LeakSanitizer's entry point, present in sanitizer builds only (gcc's or clang's).
extern "C" void __lsan_do_leak_check() __attribute__((weak));
#include "tunnel/effect.h"
#include "tunnel/state.h"

namespace {

const char kUsage[] =
    "usage: vorticel-capture [options]\n"
    "  --frames N       frames to render (default 120)\n"
    "  --step SECONDS   frame time step (default 1/60)\n"
    "  --size WxH       image and client size (default 640x480)\n"
    "  --save LIST      comma-separated frame numbers to save, 1..N (default: the last)\n"
    "  --out DIR        folder for frame-NNNN.png (default .)\n"
    "  --poly-step N    column stride 1, 2, 4 or 8 (default 1)\n"
    "  --sinusoid       sinusoidal ring size, as the SPACE key\n"
    "  --stop-at N      request the stop at frame N, as ESC; ends when the window would close\n"
    "  --texture PATH   wall texture (default grottebl.jpg in the working folder)\n"
    "  --quiet          do not print the window titles\n";

bool closeRequested = false;
bool printTitles = true;

struct Options {
    long frames = 120;
    double step = 1.0 / 60.0;
    long width = 640, height = 480;
    std::set<long> save;
    std::string out = ".";
    long polyStep = 1;
    bool sinusoid = false;
    long stopAt = 0;
    std::string texture;
};

bool parseSize(const char *text, long &width, long &height) {
    const char *x = std::strchr(text, 'x');
    if (!x)
        return false;
    const std::string w(text, x);
    return cmdline::parseLong(w.c_str(), 1, 8192, width) &&
           cmdline::parseLong(x + 1, 1, 8192, height);
}

bool parseList(const char *text, std::set<long> &frames) {
    std::string item;
    for (const char *p = text;; ++p) {
        if (*p == ',' || *p == '\0') {
            long v = 0;
            if (!cmdline::parseLong(item.c_str(), 1, 100000000, v))
                return false;
            frames.insert(v);
            item.clear();
            if (*p == '\0')
                return true;
        } else {
            item += *p;
        }
    }
}

[[noreturn]] void badArguments(const std::string &why) {
    std::fprintf(stderr, "vorticel-capture: %s\n%s", why.c_str(), kUsage);
    std::exit(2);
}

Options parseOptions(int argc, char **argv) {
    Options o;
    cmdline::Parser parser;
    auto help = [] {
        std::fputs(kUsage, stdout);
        std::exit(0);
    };
    parser.flag("--help", help);
    parser.flag("-h", help);
    parser.flag("--sinusoid", [&] { o.sinusoid = true; });
    parser.flag("--quiet", [] { printTitles = false; });
    parser.value("--frames", "a whole number from 1 to 100000000",
                 [&](const char *v) { return cmdline::parseLong(v, 1, 100000000, o.frames); });
    parser.value("--step", "seconds above 0, at most 60", [&](const char *v) {
        return cmdline::parseDouble(v, 0.0, 60.0, o.step) && o.step > 0.0;
    });
    parser.value("--size", "WIDTHxHEIGHT, each 1 to 8192",
                 [&](const char *v) { return parseSize(v, o.width, o.height); });
    parser.value("--save", "frame numbers separated by commas",
                 [&](const char *v) { return parseList(v, o.save); });
    parser.value("--out", "a folder", [&](const char *v) {
        o.out = v;
        return !o.out.empty();
    });
    parser.value("--poly-step", "1, 2, 4 or 8", [&](const char *v) {
        return cmdline::parseLong(v, 1, 8, o.polyStep) && (o.polyStep & (o.polyStep - 1)) == 0;
    });
    parser.value("--stop-at", "a frame number",
                 [&](const char *v) { return cmdline::parseLong(v, 1, 100000000, o.stopAt); });
    parser.value("--texture", "a file name", [&](const char *v) {
        o.texture = v;
        return !o.texture.empty();
    });
    std::string error;
    if (!parser.parse(argc, argv, error))
        badArguments(error);
    if (o.save.empty())
        o.save.insert(o.frames);
    if (*o.save.rbegin() > o.frames)
        badArguments("--save names a frame beyond --frames");
    return o;
}

} // namespace

// The window calls the effect makes: the title goes to stdout, WM_CLOSE ends the capture.
BOOL WINAPI SetWindowTextA(HWND, LPCSTR text) {
    if (printTitles)
        std::printf("title: %s\n", text);
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE)
        closeRequested = true;
    return TRUE;
}

int main(int argc, char **argv) {
    const Options o = parseOptions(argc, argv);

    if (mkdir(o.out.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "vorticel-capture: cannot make the folder %s: %s\n", o.out.c_str(),
                     std::strerror(errno));
        return 1;
    }
    OffscreenGl gl(static_cast<int>(o.width), static_cast<int>(o.height));
    if (!gl.ok()) {
        std::fprintf(stderr, "vorticel-capture: %s\n", gl.error().c_str());
        return 1;
    }
    static char window;
    windowHandle = reinterpret_cast<HWND>(&window);
    clientWidth = static_cast<int32_t>(o.width);
    clientHeight = static_cast<int32_t>(o.height);
    const std::string texture = o.texture.empty() ? "grottebl.jpg" : o.texture;
    if (!initEffect(texture.c_str()) && !o.texture.empty())
        std::fprintf(stderr, "vorticel-capture: cannot load %s (%s), using the fallback\n",
                     o.texture.c_str(), wallTexture.failure());
    polyStep = static_cast<int32_t>(o.polyStep);
    sinusoidSize = o.sinusoid ? 1 : 0;

    int status = 0;
    timeDelta = static_cast<float>(o.step);
    for (long k = 1; k <= o.frames; ++k) {
        if (k == o.stopAt)
            stopRequested = 1;
        timeNow = static_cast<float>(k * o.step);
        renderFrame();
        if (o.save.count(k)) {
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%04ld.png", k);
            const std::string path = o.out + name;
            std::string error;
            if (writePng(path, gl.width(), gl.height(), gl.readRgb(), error)) {
                std::printf("saved %s (frame %ld, %d rings)\n", path.c_str(), k,
                            static_cast<int>(visibleRings));
            } else {
                std::fprintf(stderr, "vorticel-capture: %s\n", error.c_str());
                status = 1;
            }
        }
        if (closeRequested) {
            std::printf("the tunnel ended at frame %ld: the window would close\n", k);
            break;
        }
    }
    // The texture belongs to this context; release it before the context goes.
    wallTexture.release();
    // Leak check while the GL driver is still loaded (see the render tests).
    if (__lsan_do_leak_check)
        __lsan_do_leak_check();
    return status;
}
