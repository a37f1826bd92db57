// Without an X display the layer says why, once and under the program's own name, and the
// calls fail without crashing or hanging.
#include "windows.h"

#include <gtest/gtest.h>

#include <string>

TEST(NoDisplay, CallsFailHarmlesslyAndTheCauseIsReportedOnce) {
    setenv("DISPLAY", ":9999", 1); // a display that is not there
    testing::internal::CaptureStderr();
    MSG message;
    EXPECT_TRUE(!GetDesktopWindow() && !SwapBuffers(nullptr) &&
                !PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) &&
                MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, 0xFF) == WAIT_FAILED);
    const std::string reports = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reports.rfind("platform_no_display_test: ", 0), 0u) << reports;
    EXPECT_EQ(reports.find('\n'), reports.size() - 1) << reports; // one line
    testing::internal::CaptureStderr(); // a message box still tells the user
    EXPECT_EQ(MessageBoxA(nullptr, "No window.", "Fatal Blow", MB_ICONHAND), IDOK);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No window."), std::string::npos);
}
