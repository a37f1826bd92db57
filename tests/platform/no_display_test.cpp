// Without an X display the layer says why, once, and the calls fail without crashing.
#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(NoDisplay, CallsFailHarmlesslyAndTheCauseIsReportedOnce) {
    setenv("DISPLAY", ":9999", 1); // a display that is not there
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = "Vorticel";
    ASSERT_NE(RegisterClassA(&windowClass), 0); // classes need no display

    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(CreateWindowExA(0, "Vorticel", "Vorticel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
    EXPECT_FALSE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_EQ(wglCreateContext(nullptr), nullptr);
    EXPECT_FALSE(SwapBuffers(nullptr));
    EXPECT_EQ(GetDeviceCaps(nullptr, BITSPIXEL), 0);
    EXPECT_EQ(ChoosePixelFormat(nullptr, nullptr), 0);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    const std::string reports = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(reports.begin(), reports.end(), '\n'), 1) << reports;
    EXPECT_NE(reports.find(":9999"), std::string::npos) << reports;

    // The queue still works for thread messages.
    PostQuitMessage(3);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 3u);
}

TEST(NoDisplay, AMessageBoxGoesToStandardError) {
    setenv("DISPLAY", ":9999", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(
        MessageBoxA(nullptr, "Failed to create the effect window.", "Fatal Blow", MB_ICONHAND),
        IDOK);
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(text.find("Fatal Blow: Failed to create the effect window.\n"), std::string::npos)
        << text;
}

} // namespace
