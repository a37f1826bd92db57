// Key presses from the X server become WM_KEYDOWN, and TranslateMessage turns them into the
// characters the shell's keys are bound to.
#include "test_window.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <string>

namespace {

class Keyboard : public testing::Test {
  protected:
    void SetUp() override {
        display = platform::display();
        ASSERT_NE(display, nullptr);
        int event, error, major, minor;
        ASSERT_TRUE(XTestQueryExtension(display, &event, &error, &major, &minor));
        window = createTestWindow();
        ASSERT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        ::Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        ASSERT_EQ(focus, xidOf(window)) << "the shown window should have the keyboard";
        pumpMessages();
    }
    void TearDown() override { closeTestWindow(window); }

    void key(KeySym symbol, bool press) {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        ASSERT_NE(code, 0) << XKeysymToString(symbol);
        XTestFakeKeyEvent(display, code, press, CurrentTime);
    }
    void tap(KeySym symbol, bool shifted = false) {
        if (shifted)
            key(XK_Shift_L, true);
        key(symbol, true);
        key(symbol, false);
        if (shifted)
            key(XK_Shift_L, false);
    }
    // The characters the window procedure received for what was typed since the last call.
    std::string typed() {
        XSync(display, False);
        recorder.log.clear();
        pumpMessages();
        std::string characters;
        for (const Delivered &d : recorder.log)
            if (d.message == WM_CHAR)
                characters += static_cast<char>(d.wParam);
        return characters;
    }
    bool numLockOn() {
        unsigned state = 0;
        XkbGetIndicatorState(display, XkbUseCoreKbd, &state);
        return (state & 2) != 0; // Num Lock is the second indicator
    }

    Display *display = nullptr;
    HWND window = nullptr;
};

TEST_F(Keyboard, ShellKeysGiveTheirCharacters) {
    tap(XK_Escape);
    tap(XK_space);
    tap(XK_Return);
    tap(XK_1);
    tap(XK_2);
    tap(XK_3);
    tap(XK_4);
    tap(XK_a);
    tap(XK_a, true);
    EXPECT_EQ(typed(), std::string("\x1b \r1234aA"));
    // Each character is delivered right after its key press.
    size_t downs = 0;
    for (size_t i = 0; i + 1 < recorder.log.size(); ++i)
        if (recorder.log[i].message == WM_KEYDOWN && recorder.log[i].wParam != 0x10) {
            ++downs;
            EXPECT_EQ(recorder.log[i + 1].message, static_cast<UINT>(WM_CHAR));
        }
    EXPECT_GE(downs, 9u);
    EXPECT_EQ(recorder.log.front().wParam, 0x1Bu); // VK_ESCAPE
}

TEST_F(Keyboard, OperatorsWorkOnTheMainKeysAndTheKeypadWhateverNumLock) {
    tap(XK_8, true);     // '*'
    tap(XK_equal, true); // '+'
    tap(XK_minus);
    tap(XK_slash);
    EXPECT_EQ(typed(), "*+-/");
    for (int pass = 0; pass < 2; ++pass) {
        tap(XK_KP_Multiply);
        tap(XK_KP_Add);
        tap(XK_KP_Subtract);
        tap(XK_KP_Divide);
        EXPECT_EQ(typed(), "*+-/") << "Num Lock " << (numLockOn() ? "on" : "off");
        tap(XK_Num_Lock);
        typed();
    }
}

TEST_F(Keyboard, AHeldKeyRepeatsItsCharacter) {
    // The server's repeat, with detectable auto-repeat: presses without releases between.
    XKeyEvent press{};
    press.type = KeyPress;
    press.display = display;
    press.window = xidOf(window);
    press.root = DefaultRootWindow(display);
    press.keycode = XKeysymToKeycode(display, XK_KP_Add);
    press.same_screen = True;
    for (int i = 0; i < 3; ++i)
        XSendEvent(display, press.window, False, KeyPressMask, reinterpret_cast<XEvent *>(&press));
    XKeyEvent release = press;
    release.type = KeyRelease;
    XSendEvent(display, release.window, False, KeyReleaseMask,
               reinterpret_cast<XEvent *>(&release));
    EXPECT_EQ(typed(), "+++");
    std::vector<LPARAM> downs;
    for (const Delivered &d : recorder.log)
        if (d.message == WM_KEYDOWN)
            downs.push_back(d.lParam);
    ASSERT_EQ(downs.size(), 3u);
    // Bit 30 tells a repeat from a first press.
    EXPECT_EQ(downs[0] >> 30 & 1, 0);
    EXPECT_EQ(downs[1] >> 30 & 1, 1);
    EXPECT_EQ(recorder.count(WM_KEYUP), 1u);
}

} // namespace
