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

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <string>

#include "offscreen_gl.h"
#include "png_writer.h"
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

bool parseLong(const char *text, long lo, long hi, long &value) {
    if (!*text)
        return false;
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    value = v;
    return true;
}

bool parseSize(const char *text, long &width, long &height) {
    const char *x = std::strchr(text, 'x');
    if (!x)
        return false;
    const std::string w(text, x);
    return parseLong(w.c_str(), 1, 8192, width) && parseLong(x + 1, 1, 8192, height);
}

bool parseList(const char *text, std::set<long> &frames) {
    std::string item;
    for (const char *p = text;; ++p) {
        if (*p == ',' || *p == '\0') {
            long v = 0;
            if (!parseLong(item.c_str(), 1, 100000000, v))
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
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (arg == "--sinusoid") {
            o.sinusoid = true;
            continue;
        }
        if (arg == "--quiet") {
            printTitles = false;
            continue;
        }
        static const std::set<std::string> valued = {"--frames",  "--step",   "--size",
                                                     "--save",    "--out",    "--poly-step",
                                                     "--stop-at", "--texture"};
        if (!valued.count(arg))
            badArguments("unknown option " + arg);
        if (i + 1 >= argc)
            badArguments(arg + " needs a value");
        const char *value = argv[++i];
        bool good = true;
        if (arg == "--frames") {
            good = parseLong(value, 1, 100000000, o.frames);
        } else if (arg == "--step") {
            char *end = nullptr;
            o.step = std::strtod(value, &end);
            good =
                *value && *end == '\0' && std::isfinite(o.step) && o.step > 0.0 && o.step <= 60.0;
        } else if (arg == "--size") {
            good = parseSize(value, o.width, o.height);
        } else if (arg == "--save") {
            good = parseList(value, o.save);
        } else if (arg == "--out") {
            o.out = value;
            good = !o.out.empty();
        } else if (arg == "--poly-step") {
            good = parseLong(value, 1, 8, o.polyStep) && (o.polyStep & (o.polyStep - 1)) == 0;
        } else if (arg == "--stop-at") {
            good = parseLong(value, 1, 100000000, o.stopAt);
        } else if (arg == "--texture") {
            o.texture = value;
            good = !o.texture.empty();
        }
        if (!good)
            badArguments("bad value for " + arg + ": " + value);
    }
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
    initEffect();
    if (!o.texture.empty()) {
        if (!wallTexture.loadJpeg(o.texture.c_str(), false))
            std::fprintf(stderr, "vorticel-capture: cannot load %s (%s), using the fallback\n",
                         o.texture.c_str(), wallTexture.failure());
        wallTexture.bind();
    }
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
#if defined(__SANITIZE_ADDRESS__)
    // Leak check while the GL driver is still loaded (see the render tests).
    __lsan_do_leak_check();
#endif
    return status;
}
