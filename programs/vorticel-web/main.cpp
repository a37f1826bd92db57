// The browser shell: Vorticel on a web page. The page (page.js) hands it the start, the keys,
// the touch gestures and the canvas size; it draws one frame per animation frame with the same
// frame clock, flight, renderer and keys as the desktop shell. The renderer's two calls to the
// window system end here: SetWindowTextA puts the title on the page, and WM_CLOSE, posted once
// the viewer has flown out of a stopped tunnel, ends the flight and lets the page offer another.
#include <windows.h> // platform/include: what the renderer calls, as Windows declares it

#include <GL/gl.h>
#include <GL/glut.h>
#include <emscripten.h>

#include <cstdio>

#include "shell/keys.h"
#include "tunnel/effect.h"
#include "tunnel/flight.h"
#include "tunnel/reset.h"
#include "tunnel/state.h"

namespace {

int64_t clockFrequency; // the frame clock's counts per second and its zero point
int64_t clockStart;
bool flying = false; // between a start and the end of that flight
bool firstFrame = false;
bool textureTold = false; // the console has been told why the wall texture did not load

// Calls Module[name](text) when the page defines it.
// clang-format off
EM_JS(void, tellPage, (const char *name, const char *text), {
    const handler = Module[UTF8ToString(name)];
    if (handler)
        handler(text ? UTF8ToString(text) : "");
});

EM_JS(void, consoleWarning, (const char *text), {
    console.warn(UTF8ToString(text));
});

// The wall texture's path, Module.texturePath, as far as it fits.
EM_JS(void, pageTexturePath, (char *path, int size), {
    stringToUTF8(Module['texturePath'] || "", path, size);
});
// clang-format on

void frame() {
    if (!flying)
        return;
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    stepFrameClock(count.QuadPart, clockFrequency, clockStart);
    renderFrame(); // the browser shows the frame when this callback returns
    if (firstFrame && flying) {
        firstFrame = false;
        tellPage("onFirstFrame", nullptr);
    }
}

// The canvas's size in device pixels, kept across flights: a new flight starts from a fresh
// effect state, which knows no window.
int canvasWidth = 0;
int canvasHeight = 0;

} // namespace

// The renderer's title: the page shows it as the document's title and in its overlay.
BOOL WINAPI SetWindowTextA(HWND, LPCSTR text) {
    tellPage("onTitle", text);
    return TRUE;
}

// WM_CLOSE ends the flight; the page then offers another.
BOOL WINAPI PostMessageA(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE && flying) {
        flying = false;
        emscripten_cancel_main_loop();
        glClear(GL_COLOR_BUFFER_BIT);
        tellPage("onFlightOver", nullptr);
    }
    return TRUE;
}

// The performance counter in microseconds of performance.now().
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
    frequency->QuadPart = 1000000;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count) {
    count->QuadPart = static_cast<int64_t>(emscripten_get_now() * 1000.0);
    return TRUE;
}

extern "C" {

// A flight from the start, as the program starts. The wall texture is the picture the page has
// fetched for Module.texturePath (texture/jpeg_browser.js).
EMSCRIPTEN_KEEPALIVE void webStart() {
    if (flying)
        return;
    static char texturePath[1024];
    pageTexturePath(texturePath, sizeof texturePath);
    resetEffectState();
    clientWidth = canvasWidth;
    clientHeight = canvasHeight;
    if (!initEffect(texturePath) && !textureTold) {
        textureTold = true;
        const char *why = wallTexture.failure();
        char line[256];
        std::snprintf(line, sizeof line,
                      "Vorticel: wall texture \"%.100s\": %s; the wall shows the checkerboard",
                      texturePath, why ? why : "not loaded");
        consoleWarning(line);
    }
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    clockFrequency = value.QuadPart;
    QueryPerformanceCounter(&value);
    clockStart = value.QuadPart;
    flying = true;
    firstFrame = true;
    emscripten_set_main_loop(frame, 0, 0);
}

// A typed character, as WM_CHAR brings it.
EMSCRIPTEN_KEEPALIVE void webKey(int character) {
    if (flying)
        handleKey(static_cast<WPARAM>(character));
}

// A tap: the next polygon density, from 8 quads around a ring up to 64, then 8 again.
EMSCRIPTEN_KEEPALIVE void webNextDensity() {
    webKey(polyStep == 8 ? '2' : polyStep == 4 ? '3' : polyStep == 2 ? '4' : '1');
}

// The canvas's size in device pixels.
EMSCRIPTEN_KEEPALIVE void webResize(int width, int height) {
    clientWidth = canvasWidth = width;
    clientHeight = canvasHeight = height;
    glViewport(0, 0, width, height ? height : 1);
}

} // extern "C"

int main() {
    // Emscripten's GLUT makes the WebGL context on Module.canvas with the state its GL
    // emulation needs; glutInit is left out, so that GLUT takes no events.
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    tellPage(glutCreateWindow("Vorticel") ? "onReady" : "onNoWebGL", nullptr);
    return 0;
}
