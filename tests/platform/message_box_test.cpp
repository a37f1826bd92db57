// MessageBoxA runs its modal dialog on the test's thread while a helper thread, on its own X
// connection, waits for the box to have the keyboard, reads it and clicks OK. (The shell's
// end-to-end tests close its about box with Enter, Escape and the close button.)
#include "test_window.h"

#include <X11/extensions/XTest.h>

#include <unistd.h>

#include <string>
#include <thread>

namespace {

// The focused window once it is the mapped box of that title; polls for at most five seconds.
::Window waitForBox(Display *display, const char *title, XWindowAttributes *attributes) {
    for (int tries = 0; tries < 500; ++tries, usleep(10000)) {
        ::Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        if (focus > PointerRoot && textProperty(display, focus, "WM_NAME") == title &&
            XGetWindowAttributes(display, focus, attributes) && attributes->map_state == IsViewable)
            return focus;
    }
    return 0;
}

TEST(MessageBox, AClickOnOkAnswersIdokAndTheTextIsOnTheBox) {
    ASSERT_NE(threadsReady, 0);
    const char *text = "Failed to create the effect window.\nA second line";
    std::string shown;
    std::thread helper([&] {
        Display *d = XOpenDisplay(nullptr);
        ASSERT_NE(d, nullptr);
        XWindowAttributes box;
        const ::Window xid = waitForBox(d, "Box", &box);
        ASSERT_NE(xid, 0u) << "no mapped and focused box";
        shown = textProperty(d, xid, "_VORTICEL_MESSAGE_TEXT");
        // The button sits centred at the bottom of the box.
        XTestFakeMotionEvent(d, DefaultScreen(d), box.x + box.width / 2, box.y + box.height - 25,
                             CurrentTime);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XCloseDisplay(d);
    });
    alarm(20); // a box that never closes kills the run instead of hanging it
    EXPECT_EQ(MessageBoxA(nullptr, text, "Box", MB_OK), IDOK);
    alarm(0);
    helper.join();
    EXPECT_EQ(shown, text);
}

} // namespace
