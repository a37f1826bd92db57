// MessageBoxA runs its modal dialog on the test's thread while a helper thread, on its own X
// connection, finds the dialog by its title, inspects it and closes it one way or another.
#include "test_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace {

// Two threads talk to the server, each on its own connection.
const int threadsReady = XInitThreads();

void hung(int) {
    const char text[] = "the message box did not close\n";
    write(2, text, sizeof text - 1);
    _exit(1);
}

struct Found {
    ::Window window = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

std::string property(Display *display, ::Window window, const char *name, Atom type) {
    Atom actual;
    int format;
    unsigned long items, after;
    unsigned char *data = nullptr;
    std::string value;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type,
                           &actual, &format, &items, &after, &data) == Success &&
        data) {
        // Xlib hands 32-bit items over as longs.
        value.assign(reinterpret_cast<char *>(data),
                     items * (format == 32 ? sizeof(long) : format / 8));
        XFree(data);
    }
    return value;
}

Atom atomProperty(Display *display, ::Window window, const char *name) {
    const std::string value = property(display, window, name, XA_ATOM);
    return value.size() >= sizeof(Atom) ? *reinterpret_cast<const Atom *>(value.data()) : None;
}

::Window findByTitle(Display *display, const char *title) {
    ::Window root, parent, *children = nullptr;
    unsigned count = 0;
    ::Window found = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) {
            char *name = nullptr;
            if (XFetchName(display, children[i], &name) && name) {
                if (std::strcmp(name, title) == 0)
                    found = children[i];
                XFree(name);
            }
        }
        XFree(children);
    }
    return found;
}

// Polls until the box is on the screen with the keyboard focus, at most a few seconds.
Found waitForBox(Display *display, const char *title) {
    Found box;
    for (int tries = 0; tries < 500; ++tries, usleep(10000)) {
        box.window = findByTitle(display, title);
        if (!box.window)
            continue;
        XWindowAttributes attributes;
        ::Window focus;
        int revert;
        XGetInputFocus(display, &focus, &revert);
        if (!XGetWindowAttributes(display, box.window, &attributes) ||
            attributes.map_state != IsViewable || focus != box.window)
            continue;
        box.x = attributes.x;
        box.y = attributes.y;
        box.width = attributes.width;
        box.height = attributes.height;
        return box;
    }
    return Found{};
}

void key(Display *display, KeySym symbol) {
    const KeyCode code = XKeysymToKeycode(display, symbol);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
}

// Shows a box on this thread while `act` handles it from another; returns the answer.
int showBox(HWND owner, const char *text, const char *caption, UINT type,
            std::function<void(Display *, const Found &)> act) {
    std::thread helper([&] {
        Display *display = XOpenDisplay(nullptr);
        if (!display) {
            ADD_FAILURE() << "the helper cannot open the display";
            return;
        }
        const Found box = waitForBox(display, caption);
        if (box.window)
            act(display, box);
        else
            ADD_FAILURE() << "no mapped and focused box titled " << caption;
        XCloseDisplay(display);
    });
    signal(SIGALRM, hung);
    alarm(20);
    const int answer = MessageBoxA(owner, text, caption, type);
    alarm(0);
    helper.join();
    return answer;
}

TEST(MessageBox, EnterClosesAndTheBoxIsACentredDialogThatFitsItsText) {
    ASSERT_NE(threadsReady, 0);
    const char *text = "Short\nThis second line is the longest of the three\nend";
    const int answer =
        showBox(nullptr, text, "Box by Enter", MB_OK, [&](Display *d, const Found &box) {
            EXPECT_EQ(property(d, box.window, "_NET_WM_NAME", XInternAtom(d, "UTF8_STRING", 0)),
                      "Box by Enter");
            EXPECT_EQ(atomProperty(d, box.window, "_NET_WM_WINDOW_TYPE"),
                      XInternAtom(d, "_NET_WM_WINDOW_TYPE_DIALOG", False));
            ::Window transientFor = 0;
            EXPECT_FALSE(XGetTransientForHint(d, box.window, &transientFor) && transientFor);
            XFontStruct *font = XLoadQueryFont(d, "fixed");
            if (font) {
                const char *longest = "This second line is the longest of the three";
                EXPECT_GT(box.width,
                          XTextWidth(font, longest, static_cast<int>(std::strlen(longest))));
                EXPECT_GT(box.height, 3 * (font->ascent + font->descent));
                XFreeFont(d, font);
            }
            EXPECT_NEAR(box.x + box.width / 2, DisplayWidth(d, DefaultScreen(d)) / 2, 2);
            EXPECT_NEAR(box.y + box.height / 2, DisplayHeight(d, DefaultScreen(d)) / 2, 2);
            key(d, XK_Return);
        });
    EXPECT_EQ(answer, IDOK);
}

TEST(MessageBox, EscapeAndKeypadEnterClose) {
    EXPECT_EQ(showBox(nullptr, "text", "Box by Escape", MB_OK,
                      [](Display *d, const Found &) { key(d, XK_Escape); }),
              IDOK);
    EXPECT_EQ(showBox(nullptr, "text", "Box by keypad Enter", MB_OK,
                      [](Display *d, const Found &) { key(d, XK_KP_Enter); }),
              IDOK);
}

TEST(MessageBox, ClickingOkCloses) {
    EXPECT_EQ(showBox(nullptr, "Press the button", "Box by click", MB_OK,
                      [](Display *d, const Found &box) {
                          // The button sits centred at the bottom of the box.
                          const int x = box.x + box.width / 2, y = box.y + box.height - 25;
                          XTestFakeMotionEvent(d, DefaultScreen(d), x, y, CurrentTime);
                          XTestFakeButtonEvent(d, 1, True, CurrentTime);
                          XTestFakeButtonEvent(d, 1, False, CurrentTime);
                          XSync(d, False);
                      }),
              IDOK);
}

TEST(MessageBox, TheWindowManagersCloseRequestCloses) {
    EXPECT_EQ(showBox(nullptr, "text", "Box by close", MB_OK,
                      [](Display *d, const Found &box) {
                          XEvent close{};
                          close.xclient.type = ClientMessage;
                          close.xclient.window = box.window;
                          close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
                          close.xclient.format = 32;
                          close.xclient.data.l[0] =
                              static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
                          XSendEvent(d, box.window, False, NoEventMask, &close);
                          XSync(d, False);
                      }),
              IDOK);
}

// Counts pixels of a colour in a region of the box, once it has been drawn.
int countPixels(Display *d, ::Window window, int x, int y, int w, int h, unsigned long rgb,
                int tries = 200) {
    int n = 0;
    for (; tries > 0 && n == 0; --tries, usleep(10000)) {
        XImage *image = XGetImage(d, window, x, y, w, h, AllPlanes, ZPixmap);
        if (!image)
            continue;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                n += (XGetPixel(image, i, j) & 0xFFFFFF) == rgb;
        XDestroyImage(image);
    }
    return n;
}

TEST(MessageBox, TheStopIconIsDrawnForIconHandOnlyAndTheOwnerIsKept) {
    HWND owner = createTestWindow("Box owner");
    ASSERT_NE(owner, nullptr);
    const ::Window ownerXid = xidOf(owner);
    int red = -1, black = -1;
    showBox(owner, "Failed to create the effect window.", "Fatal Blow", MB_ICONHAND,
            [&](Display *d, const Found &box) {
                ::Window transientFor = 0;
                EXPECT_TRUE(XGetTransientForHint(d, box.window, &transientFor));
                EXPECT_EQ(transientFor, ownerXid);
                red = countPixels(d, box.window, 0, 0, 64, 64, 0xCC1010);
                black = countPixels(d, box.window, 60, 0, box.width - 60, box.height - 40, 0);
                key(d, XK_Escape);
            });
    EXPECT_GT(red, 300); // most of a 32-pixel octagon
    EXPECT_GT(black, 0); // the text
    showBox(nullptr, "No icon here", "Plain box", MB_OK, [&](Display *d, const Found &box) {
        // Give the box time to draw before looking for what must not be there.
        countPixels(d, box.window, 0, 0, box.width, box.height, 0);
        red = countPixels(d, box.window, 0, 0, 64, 64, 0xCC1010, 1);
        key(d, XK_Escape);
    });
    EXPECT_EQ(red, 0);
    closeTestWindow(owner);
}

} // namespace
