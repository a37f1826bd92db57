#include "render_fixture.h"

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "tunnel/effect.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

WindowCalls windowCalls;

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    windowCalls.titles.emplace_back(window, text);
    return TRUE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    windowCalls.posted.push_back({window, message, wParam, lParam});
    return TRUE;
}

HWND testWindow() {
    static char token;
    return reinterpret_cast<HWND>(&token);
}

OffscreenGl *RenderTest::gl = nullptr;

namespace {

// One display connection and context for the whole run, closed after the last test.
class ContextEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { RenderTest::gl = new OffscreenGl(640, 480); }
    void TearDown() override {
        // The texture name belongs to this context: let go of it before the context goes.
        wallTexture.release();
#if defined(__SANITIZE_ADDRESS__)
        // Look for leaks now, while the GL driver is still loaded: closing the display unloads
        // it, and what it keeps for the life of the process would then show as leaks of
        // unknown origin. Nothing of ours allocates after this point.
        __lsan_do_leak_check();
#endif
        delete RenderTest::gl;
        RenderTest::gl = nullptr;
    }
};

::testing::Environment *const contextEnvironment =
    ::testing::AddGlobalTestEnvironment(new ContextEnvironment);

} // namespace

void RenderTest::SetUp() {
    ASSERT_TRUE(gl->ok()) << gl->error();
    restartEffect(640, 480);
}

void RenderTest::restartEffect(int width, int height) {
    randomState = 1;
    zoom = 2.0f;
    driftA = 0.0f;
    driftB = 0.0f;
    sinusoidSize = 0;
    stopRequested = 0;
    visibleRings = 0;
    frameCount = 0;
    fpsMarkTime = 0.0f;
    timeNow = 0.0f;
    timeDelta = 0.0f;
    lastAspect = 0.0f;
    windowHandle = testWindow();
    clientWidth = width;
    clientHeight = height;
    resetFrameState();
    windowCalls = WindowCalls{};
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    initEffect();
}

void RenderTest::runFrames(int count, float step) {
    timeDelta = step;
    for (int k = 0; k < count; ++k) {
        timeNow = static_cast<float>(static_cast<double>(timeNow) + step);
        renderFrame();
    }
}

void RenderTest::fillColour(float r, float g, float b) {
    glClearColor(r, g, b, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}
