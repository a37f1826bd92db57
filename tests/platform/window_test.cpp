// The layer on an X display, through its Win32 calls: the message queue, the ends of windows,
// child windows, the keyboard and the message box.
#include <gtest/gtest.h> // first: the X headers define macros (None, Bool) that clash with it

#include "display.h"
#include "window_table.h"

#include "vorticel_x11.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace {

[[maybe_unused]] const int threadsReady = XInitThreads(); // the message box's test has 2 threads

std::vector<MSG> delivered; // what the test windows were sent

LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    delivered.push_back({window, message, wParam, lParam, 0, {0, 0}});
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createTestWindow(DWORD style = WS_OVERLAPPEDWINDOW, HWND parent = nullptr) {
    static const WNDCLASSA windowClass{
        0, recordingProcedure, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "PlatformTest"};
    RegisterClassA(&windowClass); // refused, harmlessly, after the first time
    delivered.clear();
    return CreateWindowExA(0, "PlatformTest", "", style, 0, 0, 300, 200, parent, nullptr, nullptr,
                           nullptr);
}

// As the shell's loop does, until `done` holds or for about `ms` milliseconds.
template <typename Done> bool pumpUntil(Done done, int ms = 10000) {
    for (int i = 0; i < ms / 10 && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); DispatchMessageA(&m))
            TranslateMessage(&m);
    }
    return done();
}

// What the window manager's close button sends, from another client.
void sendDeleteWindow(::Window xid) {
    Display *display = XOpenDisplay(nullptr);
    XEvent close{};
    close.xclient = {
        ClientMessage, 0, True, display, xid, XInternAtom(display, "WM_PROTOCOLS", False), 32, {}};
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, xid, False, NoEventMask, &close);
    XCloseDisplay(display);
    XSync(platform::display(), False);
}

// Each case fills a shown window's queue by its letters: a and b post 0x400 and 0x401, q posts
// quit, i invalidates, c is the close button; PeekMessageA then hands out `order`. The wait
// ends after its time while nothing is due, at once when something is.
const std::pair<const char *, std::vector<UINT>> queueCases[] = {
    {"iaqb", {0x400, 0x401, WM_QUIT, WM_PAINT}},
    {"c", {WM_CLOSE}},
};

TEST(MessageQueue, PeekMessageHandsMessagesOutInOrder) {
    HWND window = createTestWindow();
    ShowWindow(window, SW_SHOW);
    for (const auto &[fill, order] : queueCases) {
        pumpUntil([] { return false; }, 20);
        EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, 0xFF), WAIT_TIMEOUT);
        for (const char *f = fill; *f; ++f) {
            if (*f == 'a' || *f == 'b')
                PostMessageA(window, 0x400 + (*f == 'b'), 0, 0);
            if (*f == 'q')
                PostQuitMessage(0);
            if (*f == 'i')
                InvalidateRect(window, nullptr, FALSE);
            if (*f == 'c')
                sendDeleteWindow(platform::findWindow(window)->xid);
        }
        EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, 0xFF), WAIT_OBJECT_0);
        std::vector<UINT> taken;
        for (MSG m; (taken.empty() || taken.back() != WM_PAINT) && // a paint comes last
                    PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);)
            taken.push_back(m.message);
        EXPECT_EQ(taken, order) << fill;
    }
    DestroyWindow(window);
}

// A child in each kind of parent: override-redirect on the root, for window managers to leave
// alone; keys only in our windows. Its end: DestroyWindow of the parent (d) or itself (s), or
// the other program's window going (o); what the windows are sent then (0 the parent, 1 the
// child). Nothing of it is left in X, and nothing is reported.
enum class Parent { Own, Root, Other };
struct ChildCase {
    Parent parent;
    bool overrideRedirect, keys;
    char end;
    std::vector<std::pair<UINT, int>> seen;
};
const ChildCase childCases[] = {
    {Parent::Own, false, true, 'd', {{WM_DESTROY, 0}, {WM_DESTROY, 1}}},
    {Parent::Root, true, false, 's', {{WM_DESTROY, 1}}},
    {Parent::Other, false, false, 'o', {{WM_DESTROY, 1}}},
};

TEST(ChildWindow, AChildInEachKindOfParentAndItsEnd) {
    EXPECT_EQ(createTestWindow(WS_CHILD), nullptr); // a child needs a parent
    for (const ChildCase &c : childCases) {
        Display *other = XOpenDisplay(nullptr); // a screensaver daemon, with a window for us
        const ::Window otherXid =
            XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 9, 9, 0, 0, 0);
        XSync(other, False);
        const HWND parent = c.parent == Parent::Own    ? createTestWindow()
                            : c.parent == Parent::Root ? GetDesktopWindow()
                                                       : vorticelForeignWindow(otherXid);
        const HWND child = createTestWindow(WS_CHILD | WS_VISIBLE, parent);
        ASSERT_NE(child, nullptr) << c.end;
        EXPECT_EQ(delivered.at(1).lParam, MAKELPARAM(300, 200)) << c.end; // WM_SIZE, at once
        const ::Window xid = platform::findWindow(child)->xid;
        ::Window root, xParent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(platform::display(), xid, &root, &xParent, &children, &count);
        XFree(children);
        EXPECT_EQ(xParent, platform::findWindow(parent)->xid) << c.end;
        XWindowAttributes attributes{};
        XGetWindowAttributes(platform::display(), xid, &attributes);
        EXPECT_EQ(attributes.override_redirect != 0, c.overrideRedirect) << c.end;
        EXPECT_EQ((attributes.your_event_mask & KeyPressMask) != 0, c.keys) << c.end;
        delivered.clear();
        testing::internal::CaptureStderr();
        if (c.end == 'd' || c.end == 's') {
            DestroyWindow(c.end == 'd' ? parent : child);
            EXPECT_FALSE(IsWindow(child)) << c.end; // gone on return, as on Windows
        }
        if (c.end == 'o')
            XDestroyWindow(other, otherXid);
        XCloseDisplay(other);
        EXPECT_TRUE(
            pumpUntil([&] { return !IsWindow(child) && IsWindow(parent) == (c.end == 's'); }));
        std::vector<std::pair<UINT, int>> seen;
        for (const MSG &m : delivered)
            seen.push_back({m.message, m.hwnd == child});
        EXPECT_EQ(seen, c.seen) << c.end;
        platform::QuietErrors quiet;
        EXPECT_FALSE(XGetWindowAttributes(platform::display(), xid, &attributes)) << c.end;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.end;
    }
}

// The characters of WM_CHAR, which is what the shells read, and the virtual keys of the
// WM_KEYDOWN each follows, typed on the main keys (with Shift where the symbol needs it) and on
// the keypad, its operators with Num Lock either way; Xvfb's keymap is the US one.
const KeySym keys[] = {XK_Escape,      XK_space,    XK_Return,      XK_q,         XK_Q,
                       XK_1,           XK_asterisk, XK_plus,        XK_minus,     XK_slash,
                       XK_KP_Multiply, XK_KP_Add,   XK_KP_Subtract, XK_KP_Divide, XK_Num_Lock,
                       XK_KP_Multiply, XK_KP_Add,   XK_KP_Subtract, XK_KP_Divide, XK_Num_Lock};
const char typed[] = "\x1b \rqQ1*+-/*+-/*+-/";
const std::vector<WPARAM> virtualKeys = {0x1B, 0x20, 0x0D, 'Q',  'Q',  '1',  '8',  0xBB, 0xBD,
                                         0xBF, 0x6A, 0x6B, 0x6D, 0x6F, 0x6A, 0x6B, 0x6D, 0x6F};

TEST(Keyboard, KeysTypeTheirCharacters) {
    Display *display = platform::display();
    HWND window = createTestWindow();
    ShowWindow(window, SW_SHOW); // with no window manager, showing gives it the keyboard
    for (const KeySym symbol : keys) {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        const bool shift = XkbKeycodeToKeysym(display, code, 0, 0) != symbol;
        const KeyCode sequence[] = {XKeysymToKeycode(display, XK_Shift_L), code, code};
        for (int i = 0; i < 4; ++i) // Shift pressed if need be, the key pressed and released
            XTestFakeKeyEvent(display, sequence[i % 3], i == 1 || (i == 0 && shift), 0);
    }
    XSync(display, False);
    pumpUntil([] { return false; }, 20);
    std::string chars; // each character right after its key-down, as TranslateMessage puts it
    std::vector<WPARAM> pressed;
    for (size_t i = 1; i < delivered.size(); ++i)
        if (delivered[i].message == WM_CHAR && delivered[i - 1].message == WM_KEYDOWN) {
            chars += static_cast<char>(delivered[i].wParam);
            pressed.push_back(delivered[i - 1].wParam);
        }
    EXPECT_EQ(chars, typed);
    EXPECT_EQ(pressed, virtualKeys);
    DestroyWindow(window);
}

// Whether the window shows the line, black in the server's "fixed" font, anywhere: the line
// is drawn here and its pixels looked for among the window's.
bool showsLine(Display *d, ::Window window, const XWindowAttributes &box, const char *line) {
    XFontStruct *font = XLoadQueryFont(d, "fixed");
    const int length = static_cast<int>(std::string(line).size()), screen = DefaultScreen(d);
    const int w = XTextWidth(font, line, length), h = font->ascent + font->descent;
    const Pixmap pixmap = XCreatePixmap(d, window, w, h, box.depth);
    GC gc = XCreateGC(d, pixmap, 0, nullptr);
    XSetFont(d, gc, font->fid);
    XSetForeground(d, gc, WhitePixel(d, screen));
    XFillRectangle(d, pixmap, gc, 0, 0, w, h);
    XSetForeground(d, gc, BlackPixel(d, screen));
    XDrawString(d, pixmap, gc, 0, font->ascent, line, length);
    XImage *want = XGetImage(d, pixmap, 0, 0, w, h, AllPlanes, ZPixmap);
    XImage *shown = XGetImage(d, window, 0, 0, box.width, box.height, AllPlanes, ZPixmap);
    bool found = false;
    for (int at = 0; at < box.width * box.height && !found; ++at) {
        const int x = at % box.width, y = at / box.width;
        found = x + w <= box.width && y + h <= box.height;
        for (int i = 0; i < w * h && found; ++i)
            found = (XGetPixel(want, i % w, i / w) == BlackPixel(d, screen)) ==
                    (XGetPixel(shown, x + i % w, y + i / w) == BlackPixel(d, screen));
    }
    XDestroyImage(want);
    XDestroyImage(shown);
    XFreeGC(d, gc);
    XFreePixmap(d, pixmap);
    XFreeFont(d, font);
    return found;
}

// MessageBoxA runs its modal dialog here while a second thread, on its own connection, looks
// for each line of the text on the box and clicks OK.
TEST(MessageBox, TheBoxShowsEachLineOfTheTextAndAClickOnOkAnswersIdok) {
    const char *lines[] = {"Failed to create the effect window.", "A second line"};
    int shown = 0;
    std::thread helper([&] {
        Display *d = XOpenDisplay(nullptr);
        ::Window box = 0;
        int revert;
        XWindowAttributes a{};
        for (int tries = 0; tries < 250 && shown < 2; ++tries, usleep(20000)) {
            XGetInputFocus(d, &box, &revert); // the box takes the keyboard once mapped
            if (box > PointerRoot && XGetWindowAttributes(d, box, &a))
                shown = showsLine(d, box, a, lines[0]) + showsLine(d, box, a, lines[1]);
        }
        XTestFakeMotionEvent(d, DefaultScreen(d), a.x + a.width / 2, a.y + a.height - 25, 0); // OK
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XCloseDisplay(d);
    });
    alarm(20); // a box that never closes kills the run instead of hanging it
    EXPECT_EQ(MessageBoxA(nullptr, "Failed to create the effect window.\nA second line", "", 0),
              IDOK);
    alarm(0);
    helper.join();
    EXPECT_EQ(shown, 2);
}

} // namespace
