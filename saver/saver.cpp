#include "saver/saver.h"

#include <cstdio>

#include "saver/fps_overlay.h"
#include "shell/frame_loop.h"
#include "shell/window.h"
#include "tunnel/effect.h"
#include "tunnel/state.h"

volatile std::sig_atomic_t saverStop = 0;

namespace {

void reportToStderr(const char *line) {
    std::fprintf(stderr, "%s\n", line);
}

const char kClassName[] = "VorticelSaver";
const char kTitle[] = "Vorticel";

// The run's target and frame cap, and the input guard when input ends it.
SaverTarget run;
FramePacer pacer(0, 0);
bool showFps = false;
SaverInputGuard inputGuard;

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

// With the queue empty: a stop asked for by a signal destroys the window, a child follows its
// parent, and a frame is due when the cap allows one.
bool saverFrameDue(HWND window, DWORD &waitMs) {
    if (saverStop && IsWindow(window))
        DestroyWindow(window);
    if (run.place == SaverPlace::Child)
        followParent(window, run.parent);
    if (!IsWindow(window))
        return false; // WM_DESTROY has posted the quit message
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return pacer.due(now.QuadPart, waitMs);
}

} // namespace

void (*saverReport)(const char *line) = reportToStderr;

LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (run.endOnInput && inputGuard.ends(message, lParam)) {
        DestroyWindow(window);
        return 0;
    }
    switch (message) {
    case WM_CREATE:
    case WM_SIZE:
        return windowProc(window, message, wParam, lParam);
    case WM_DESTROY:
        if (glContext)
            stopFpsOverlay();
        return windowProc(window, message, wParam, lParam);
    case WM_PAINT:
        if (running) {
            advanceFrameClock();
            renderFrame();
            if (showFps)
                drawFpsOverlay();
            SwapBuffers(deviceContext);
            ValidateRect(window, nullptr);
        }
        return 0;
    case WM_CHAR:
        if (run.endOnInput)
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
             const WallPicture &wall) {
    running = false;
    run = target;
    inputGuard = SaverInputGuard();
    if (!registerEffectClass(instance, kClassName, saverWindowProc)) {
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

    if (!initEffect(wall) && (wall.path || wall.bytes)) {
        const char *why = wallTexture.failure();
        char line[600];
        std::snprintf(line, sizeof line,
                      "cannot load the wall texture %s (%s); the wall shows a checkerboard",
                      wall.bytes ? "built into the program" : wall.path,
                      why ? why : "not a readable JPEG image");
        saverReport(line);
    }
    applySaverSettings(settings);
    showFps = settings.showFps && startFpsOverlay(deviceContext);
    pacer = FramePacer(perfFrequency, settings.maxFps);
    return runFrameLoop(window, saverFrameDue);
}
