// Without an X display the layer says why, once, and the calls fail without crashing.
#include "windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

TEST(NoDisplay, CallsFailHarmlesslyAndTheCauseIsReportedOnce) {
    setenv("DISPLAY", ":9999", 1); // a display that is not there
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "Vorticel";
    ASSERT_NE(RegisterClassA(&windowClass), 0); // classes need no display

    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(CreateWindowExA(0, "Vorticel", "Vorticel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr, nullptr),
                  nullptr);
    EXPECT_FALSE(SwapBuffers(nullptr));
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    const std::string reports = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(reports.begin(), reports.end(), '\n'), 1) << reports;
    EXPECT_NE(reports.find(":9999"), std::string::npos) << reports;

    testing::internal::CaptureStderr();
    EXPECT_EQ(
        MessageBoxA(nullptr, "Failed to create the effect window.", "Fatal Blow", MB_ICONHAND),
        IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Fatal Blow: Failed to create the effect window.\n");
}

} // namespace
