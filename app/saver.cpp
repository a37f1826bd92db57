#include "app/saver.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "app/window.h"
#include "tunnel/effect.h"
#include "tunnel/state.h"

volatile std::sig_atomic_t saverStop = 0;

namespace {

void reportToStderr(const char *line) {
    std::fprintf(stderr, "%s\n", line);
}

const char kClassName[] = "VorticelSaver";
const char kTitle[] = "Vorticel";

// The bitmap font of the overlay: display lists for the characters 32 to 127.
constexpr DWORD kFirstChar = 32, kCharCount = 96;
// Character cell of the window system's font, at least: 6 x 13 ("fixed"), 8 x 16 (Windows).
constexpr int kCharWidth = 8, kLineHeight = 16, kMargin = 6;

struct Overlay {
    bool enabled = false;
    GLuint lists = 0; // 0 while no font lists exist
    bool started = false;
    int64_t markCount = 0; // counter value at the start of the current period
    int frames = 0;        // frames finished in it
    double fps = 0.0;
    bool measured = false;
} overlay;

// Set for the run when input ends it.
bool endOnInput = false;
SaverInputGuard inputGuard;

// The overlay's lines, as XScreenSaver writes its frame rate: "FPS: 59.9", "Triangles: 8064".
void formatFpsLines(double fps, bool measured, int32_t triangles, char fpsLine[32],
                    char triangleLine[32]) {
    if (measured)
        std::snprintf(fpsLine, 32, "FPS: %.1f", fps);
    else
        std::snprintf(fpsLine, 32, "FPS: -");
    std::snprintf(triangleLine, 32, "Triangles: %d", static_cast<int>(triangles));
}

int32_t frameTriangles() {
    return visibleRings > 1 ? ((visibleRings - 1) * 128) / polyStep : 0;
}

// Counts frames over periods of at least a second on the performance counter.
void measureFrame() {
    if (perfFrequency <= 0)
        return;
    if (!overlay.started) {
        overlay.started = true;
        overlay.markCount = perfNow;
        return;
    }
    ++overlay.frames;
    const double elapsed = static_cast<double>(perfNow - overlay.markCount) / perfFrequency;
    if (elapsed >= 1.0) {
        overlay.fps = overlay.frames / elapsed;
        overlay.measured = true;
        overlay.frames = 0;
        overlay.markCount = perfNow;
    }
}

// White text on a black box in the bottom-left corner, in window pixels. Everything it
// changes is put back: texturing, culling, colour, raster position, list base, matrices and
// the matrix mode, as renderFrame relies on them.
void drawOverlay() {
    if (!overlay.lists)
        return;
    char fpsLine[32], triangleLine[32];
    formatFpsLines(overlay.fps, overlay.measured, frameTriangles(), fpsLine, triangleLine);
    const char *lines[] = {fpsLine, triangleLine};
    const int lengths[] = {static_cast<int>(std::strlen(fpsLine)),
                           static_cast<int>(std::strlen(triangleLine))};
    const int longest = lengths[0] > lengths[1] ? lengths[0] : lengths[1];
    const int width = clientWidth > 0 ? clientWidth : 1;
    const int height = clientHeight > 0 ? clientHeight : 1;

    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIST_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_TEXTURE_2D); // bitmaps and the box would be textured too
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glColor3f(0.0f, 0.0f, 0.0f);
    glRecti(0, 0, 2 * kMargin + longest * kCharWidth, 2 * kMargin + 2 * kLineHeight);
    glColor3f(1.0f, 1.0f, 1.0f);
    glListBase(overlay.lists - kFirstChar);
    for (int i = 0; i < 2; ++i) {
        // The top line first; baselines sit a quarter line above each cell's bottom.
        glRasterPos2i(kMargin, kMargin + (1 - i) * kLineHeight + kLineHeight / 4);
        glCallLists(lengths[i], GL_UNSIGNED_BYTE, lines[i]);
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

void makeOverlayFont() {
    overlay.lists = glGenLists(kCharCount);
    if (overlay.lists &&
        !wglUseFontBitmapsA(deviceContext, kFirstChar, kCharCount, overlay.lists)) {
        glDeleteLists(overlay.lists, kCharCount);
        overlay.lists = 0;
    }
    if (!overlay.lists)
        saverReport("no bitmap font for the frame rate: it is not shown");
}

// The child keeps the parent's client size; when the parent has gone, so does the child.
void followParent(HWND window, HWND parent) {
    if (!IsWindow(window))
        return;
    if (!IsWindow(parent)) {
        DestroyWindow(window);
        return;
    }
    RECT outer{}, inner{};
    if (GetClientRect(parent, &outer) && GetClientRect(window, &inner) &&
        (outer.right != inner.right || outer.bottom != inner.bottom))
        MoveWindow(window, 0, 0, outer.right, outer.bottom, TRUE);
}

HWND createSaverWindow(HINSTANCE instance, const SaverTarget &target) {
    const DWORD clip = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    switch (target.place) {
    case SaverPlace::FullScreen:
        return CreateWindowExA(
            WS_EX_TOPMOST, kClassName, kTitle, WS_POPUP | clip, GetSystemMetrics(SM_XVIRTUALSCREEN),
            GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
            GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr, instance, nullptr);
    case SaverPlace::Child: {
        RECT area{};
        if (!GetClientRect(target.parent, &area))
            return nullptr;
        return CreateWindowExA(0, kClassName, kTitle, WS_CHILD | clip, 0, 0, area.right,
                               area.bottom, target.parent, nullptr, instance, nullptr);
    }
    case SaverPlace::Window:
    default:
        return CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | clip, CW_USEDEFAULT,
                               CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
    }
}

} // namespace

void (*saverReport)(const char *line) = reportToStderr;

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (endOnInput && inputGuard.ends(message, lParam)) {
        DestroyWindow(window);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
    case WM_SIZE:
        return windowProc(window, message, wParam, lParam);
    case WM_DESTROY:
        if (overlay.lists && glContext) {
            glDeleteLists(overlay.lists, kCharCount);
            overlay.lists = 0;
        }
        return windowProc(window, message, wParam, lParam);
    case WM_PAINT:
        if (running) {
            advanceFrameClock();
            renderFrame();
            if (overlay.enabled) {
                measureFrame();
                drawOverlay();
            }
            SwapBuffers(deviceContext);
            ValidateRect(window, nullptr);
        }
        return 0;
    case WM_CHAR:
        if (endOnInput)
            return 0; // its key has ended the run already
        // ESC and q end the saver at once; the tunnel's run-out is for Vorticel.
        if (wParam == 27 || wParam == 'q' || wParam == 'Q')
            DestroyWindow(window);
        else
            handleKey(wParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int runSaver(HINSTANCE instance, const SaverSettings &settings, const SaverTarget &target,
             const char *texturePath) {
    running = false;
    endOnInput = target.endOnInput;
    inputGuard = SaverInputGuard();
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = saverWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass)) {
        saverReport("cannot register the window class");
        return 1;
    }
    HWND window = createSaverWindow(instance, target);
    if (!window) {
        saverReport(target.place == SaverPlace::Child
                        ? "cannot make a window inside the given window (has it gone?)"
                        : "cannot create the window");
        return 1;
    }
    if (!glContext) {
        saverReport("no OpenGL rendering context for the window");
        DestroyWindow(window);
        return 1;
    }
    windowHandle = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    startFrameClock();

    if (!initEffect(texturePath) && texturePath) {
        const char *why = wallTexture.failure();
        char line[600];
        std::snprintf(line, sizeof line,
                      "cannot load the wall texture %s (%s); the wall shows a checkerboard",
                      texturePath, why ? why : "not a readable JPEG image");
        saverReport(line);
    }
    applySaverSettings(settings);
    overlay = Overlay();
    overlay.enabled = settings.showFps;
    if (overlay.enabled)
        makeOverlayFont();
    running = true;

    FramePacer pacer(perfFrequency, settings.maxFps);
    MSG message = {};
    for (;;) {
        bool quit = false;
        while (!quit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
            } else {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        if (quit)
            break;
        if (saverStop && IsWindow(window))
            DestroyWindow(window);
        if (target.place == SaverPlace::Child)
            followParent(window, target.parent);
        if (!IsWindow(window))
            continue; // WM_DESTROY has posted the quit message
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        DWORD waitMs = 0;
        if (pacer.due(now.QuadPart, waitMs))
            InvalidateRect(window, nullptr, FALSE);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    }
    running = false;
    shutdownEffect();
    return static_cast<int>(message.wParam);
}
