// The shell's logic driven through a recording double of the window system and the effect.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/window.h"
#include "fake_win32.h"
#include "tunnel/state.h"

namespace {

class Shell : public ::testing::Test {
  protected:
    void SetUp() override { resetFake(); }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return windowProc(kFakeWindow, message, wParam, lParam);
    }
};

TEST_F(Shell, PaintDrawsOnlyWhileRunning) {
    EXPECT_EQ(send(WM_PAINT), 0);
    EXPECT_EQ(fake.frames, 0);
    EXPECT_EQ(fake.count("SwapBuffers"), 0);
    EXPECT_EQ(fake.count("QueryPerformanceCounter"), 0);

    running = true;
    EXPECT_EQ(send(WM_PAINT), 0);
    EXPECT_EQ(fake.frames, 1);
    // Clock, frame, swap, validate: in that order.
    const int clock = fake.indexOf("QueryPerformanceCounter");
    EXPECT_LT(clock, fake.indexOf("renderFrame"));
    EXPECT_LT(fake.indexOf("renderFrame"), fake.indexOf("SwapBuffers"));
    EXPECT_LT(fake.indexOf("SwapBuffers"), fake.indexOf("ValidateRect"));
}

TEST_F(Shell, ZeroHeightSetsAViewportOfOneButStoresZero) {
    EXPECT_EQ(send(WM_SIZE, 0, MAKELPARAM(800, 0)), 0);
    EXPECT_EQ(clientWidth, 800);
    EXPECT_EQ(clientHeight, 0);
    EXPECT_EQ(fake.viewportWidth, 800);
    EXPECT_EQ(fake.viewportHeight, 1);

    send(WM_SIZE, 0, MAKELPARAM(65535, 65535)); // the full 16-bit range, unsigned
    EXPECT_EQ(clientWidth, 65535);
    EXPECT_EQ(clientHeight, 65535);
}

// Each paint reads the counter and lets the clock move its zero point (the clock's own
// rounding is the flight tests' concern); without a counter it stands still at 0.
TEST_F(Shell, PaintRunsTheFrameClockOnTheCounter) {
    running = true;
    perfFrequency = 1000;
    perfStart = 250;
    fake.counter = 250 + 899999; // 899.999 s: the first rules still
    send(WM_PAINT);
    EXPECT_EQ(perfStart, 250);
    EXPECT_EQ(timeNow, static_cast<float>(899.999));
    fake.counter = 250 + 900250; // 900.25 s: 900 whole seconds move into perfStart
    send(WM_PAINT);
    EXPECT_EQ(perfStart, 250 + 900000);
    EXPECT_EQ(timeNow, 0.25f);
    EXPECT_FLOAT_EQ(timeDelta, 0.251f);

    resetFake();
    running = true;
    fake.counter = 123456;
    send(WM_PAINT);
    EXPECT_EQ(timeNow, 0.0f);
    EXPECT_EQ(timeDelta, 0.0f);
    EXPECT_EQ(fake.frames, 1);
}

TEST_F(Shell, CreateAndDestroyManageTheRenderingContext) {
    fake.bitsPerPixel = 24;
    EXPECT_EQ(send(WM_CREATE), 0);
    EXPECT_EQ(deviceContext, kFakeDc);
    EXPECT_EQ(glContext, kFakeContext);
    EXPECT_LT(fake.indexOf("SetPixelFormat"), fake.indexOf("wglCreateContext"));
    EXPECT_LT(fake.indexOf("wglCreateContext"), fake.indexOf("wglMakeCurrent"));

    const PIXELFORMATDESCRIPTOR &pfd = fake.chosenRequest;
    EXPECT_EQ(
        std::vector<int>({pfd.nSize, pfd.nVersion, static_cast<int>(pfd.dwFlags), pfd.iPixelType,
                          pfd.cColorBits, pfd.cDepthBits,
                          pfd.cAlphaBits + pfd.cAccumBits + pfd.cStencilBits + pfd.cAuxBuffers}),
        std::vector<int>({40, 1, 0x25, PFD_TYPE_RGBA, 24, 16, 0}));
    EXPECT_EQ(fake.debugOutput, "PixelFormat Selected: 7\nBPP: 24\n");

    // The request is filled once: a later call reuses it even if the device changed.
    fake.bitsPerPixel = 32;
    setupPixelFormat(kFakeDc);
    EXPECT_EQ(fake.chosenRequest.cColorBits, 24);
    EXPECT_EQ(fake.debugOutput,
              "PixelFormat Selected: 7\nBPP: 24\nPixelFormat Selected: 7\nBPP: 32\n");

    EXPECT_EQ(send(WM_DESTROY), 0);
    const int release = fake.indexOf("wglMakeCurrent(null)");
    ASSERT_GE(release, 0);
    EXPECT_LT(release, fake.indexOf("wglDeleteContext"));
    ASSERT_EQ(fake.queue.size(), 1u);
    EXPECT_EQ(fake.queue.front().message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(fake.queue.front().wParam, 0u);
}

TEST_F(Shell, CharactersGoToTheKeysAndTheRestToTheDefault) {
    polyStep = 1;
    EXPECT_EQ(send(WM_CHAR, '1'), 0);
    EXPECT_EQ(polyStep, 8);
    EXPECT_EQ(fake.count("DefWindowProcA"), 0);
    send(WM_ERASEBKGND);
    send(WM_CLOSE);
    EXPECT_EQ(fake.count("DefWindowProcA"), 2);
    // A message number that only matches in its low 16 bits is not WM_PAINT.
    running = true;
    send(0x10000 | WM_PAINT);
    EXPECT_EQ(fake.frames, 0);
}

TEST_F(Shell, DebugLinesAreCutAt1023Characters) {
    const std::string longText(3000, 'x');
    debugPrintf("%s", longText.c_str());
    EXPECT_EQ(fake.debugOutput, std::string(1023, 'x'));
}

TEST_F(Shell, WinMainRunsTheWholeLifecycle) {
    fake.closeAfterFrames = 3;
    MSG key = {};
    key.hwnd = kFakeWindow;
    key.message = WM_CHAR;
    key.wParam = '2';
    fake.queue.push_back(key);

    const int exitCode =
        WinMain(reinterpret_cast<HINSTANCE>(0x5000), nullptr, const_cast<LPSTR>("ignored"), 0);
    EXPECT_EQ(exitCode, 0);

    // About box first, without an owner, before any window exists.
    ASSERT_EQ(fake.boxCaptions.size(), 1u);
    EXPECT_EQ(fake.calls.front(), "MessageBoxA");
    EXPECT_EQ(fake.boxCaptions[0], "Vorticel");
    EXPECT_EQ(fake.boxTypes[0], static_cast<UINT>(MB_OK));
    EXPECT_NE(fake.boxTexts[0].find("Keys:\n 1...4: set nb poly\n"), std::string::npos);

    const WNDCLASSA &wc = fake.registeredClass;
    EXPECT_EQ(wc.style, 0x23u);
    EXPECT_STREQ(wc.lpszClassName, "Vorticel");
    EXPECT_EQ(wc.hInstance, reinterpret_cast<HINSTANCE>(0x5000));
    EXPECT_TRUE(!wc.hbrBackground && !wc.hIcon && wc.cbClsExtra + wc.cbWndExtra == 0);
    EXPECT_GE(fake.indexOf("LoadCursorA(IDC_ARROW)"), 0);
    EXPECT_EQ(fake.createStyle, 0x06CF0000u);
    EXPECT_EQ(std::vector<int>({fake.createX, fake.createY, fake.createWidth, fake.createHeight}),
              std::vector<int>({CW_USEDEFAULT, CW_USEDEFAULT, 640, 480}));
    EXPECT_EQ(windowHandle, kFakeWindow);

    // Shown with SW_SHOW whatever the show command; the update's paint draws nothing.
    EXPECT_GE(fake.indexOf("ShowWindow(5)"), 0);
    EXPECT_LT(fake.indexOf("ShowWindow(5)"), fake.indexOf("UpdateWindow"));
    // Clock before the effect set-up, and the effect set up before the loop runs.
    EXPECT_LT(fake.indexOf("QueryPerformanceFrequency"), fake.indexOf("initEffect"));
    EXPECT_LT(fake.indexOf("QueryPerformanceCounter"), fake.indexOf("initEffect"));
    EXPECT_FALSE(fake.runningDuringInit);

    // The key arrived, three frames were drawn, the close ended the loop.
    EXPECT_EQ(polyStep, 4);
    EXPECT_EQ(fake.frames, 3);
    EXPECT_EQ(fake.quitDispatches, 0);
    EXPECT_FALSE(running);
}

TEST_F(Shell, EachEmptyTurnOfTheLoopInvalidatesOnce) {
    fake.closeAfterFrames = 2;
    WinMain(nullptr, nullptr, nullptr, 0);
    // Every PeekMessageA that found nothing is followed directly by one InvalidateRect.
    int emptyTurns = 0;
    for (size_t i = 0; i + 1 < fake.calls.size(); ++i) {
        if (fake.calls[i] == "InvalidateRect") {
            ++emptyTurns;
            EXPECT_EQ(fake.calls[i - 1], "PeekMessageA");
            EXPECT_EQ(fake.calls[i + 1], "PeekMessageA");
        }
    }
    EXPECT_GE(emptyTurns, 2);
}

TEST_F(Shell, StartUpFailuresShowAFatalBlowAndFail) {
    const char *texts[] = {
        "Failed to register the idiot window class, right before creating the window.",
        "Failed to create the effect window."};
    for (int creating = 0; creating < 2; ++creating) {
        resetFake();
        fake.registerResult = static_cast<ATOM>(creating);
        fake.createFails = creating;
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 1);
        ASSERT_EQ(fake.boxTexts.size(), 2u);
        EXPECT_EQ(fake.boxTexts[1], texts[creating]);
        EXPECT_EQ(fake.boxCaptions[1], "Fatal Blow");
        EXPECT_EQ(fake.boxTypes[1], static_cast<UINT>(MB_ICONHAND));
        EXPECT_EQ(fake.count("CreateWindowExA"), creating);
        EXPECT_EQ(fake.count("initEffect") + fake.count("ShowWindow(5)"), 0);
    }
}

} // namespace
