// What the screensaver needs of the layer: child windows inside another program's window,
// following it and ending with it; full-screen pop-ups; the wait for messages; bitmap fonts.
// The saver's end-to-end tests see the pictures; these see the calls.
#include "test_window.h"

#include <GL/gl.h>
#include <X11/Xatom.h>

#include <chrono>
#include <cstring>

#include "vorticel_x11.h"

namespace {

// Waits for messages until the predicate holds, at most about ten seconds.
template <typename Predicate> bool pumpUntil(Predicate done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMessages();
    }
    return done();
}

// A window of another X client, as a screensaver daemon makes one.
struct OtherClient {
    Display *display = XOpenDisplay(nullptr);
    ::Window window = 0;
    static constexpr long mask = ExposureMask | ButtonPressMask | KeyPressMask;

    ::Window make(int width, int height) {
        window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0, 0);
        XSelectInput(display, window, mask);
        XMapWindow(display, window);
        XSync(display, False);
        return window;
    }
    ~OtherClient() { XCloseDisplay(display); }
};

TEST(ForeignWindow, AChildInsideFollowsItsSizeLeavesItsInputAndEndsWithIt) {
    OtherClient other;
    ASSERT_NE(other.display, nullptr);
    const ::Window foreignXid = other.make(300, 200);
    const HWND parent = vorticelForeignWindow(foreignXid);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(vorticelForeignWindow(foreignXid), parent); // one handle per window
    RECT area{};
    ASSERT_TRUE(GetClientRect(parent, &area));
    EXPECT_EQ(area.right, 300);
    EXPECT_EQ(area.bottom, 200);
    EXPECT_FALSE(DestroyWindow(parent)); // not ours to destroy
    EXPECT_EQ(GetDC(parent), nullptr);   // nor to draw into

    HWND child = createTestWindow(WS_CHILD | WS_VISIBLE, 300, 200, parent);
    ASSERT_NE(child, nullptr);
    ASSERT_GE(delivered.size(), 2u);
    EXPECT_EQ(delivered[0].message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(delivered[1].lParam, MAKELPARAM(300, 200));
    ::Window root, xParent, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(platform::display(), xidOf(child), &root, &xParent, &children, &count));
    if (children)
        XFree(children);
    EXPECT_EQ(xParent, foreignXid);
    XWindowAttributes attributes = attributesOf(child);
    EXPECT_EQ(attributes.map_state, IsViewable);
    // Keys and buttons inside still reach the other program.
    EXPECT_EQ(attributes.your_event_mask & (KeyPressMask | ButtonPressMask), 0);
    XGetWindowAttributes(other.display, foreignXid, &attributes);
    EXPECT_EQ(attributes.your_event_mask, OtherClient::mask);

    // It resizes its window (the saver's end-to-end test follows the child): the handle says so.
    XResizeWindow(other.display, foreignXid, 500, 400);
    XSync(other.display, False);
    EXPECT_TRUE(pumpUntil([&] { return GetClientRect(parent, &area) && area.bottom == 400; }));

    // The other program destroys its window; X destroys the child with it, which the child
    // learns as WM_DESTROY, as on Windows. Nothing of it is reported as an error.
    delivered.clear();
    testing::internal::CaptureStderr();
    XDestroyWindow(other.display, foreignXid);
    XSync(other.display, False);
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(child) && !IsWindow(parent); }));
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_DESTROY}));
    EXPECT_EQ(vorticelForeignWindow(foreignXid), nullptr);
    EXPECT_EQ(vorticelForeignWindow(0x7ffffff), nullptr); // no such window
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ForeignWindow, TheDesktopIsTheRootAndAChildCannotBeMadeInAVanishedWindow) {
    RECT area{};
    ASSERT_TRUE(GetClientRect(GetDesktopWindow(), &area));
    EXPECT_EQ(area.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(area.bottom, GetSystemMetrics(SM_CYSCREEN));

    OtherClient other;
    const HWND parent = vorticelForeignWindow(other.make(100, 100));
    ASSERT_NE(parent, nullptr);
    // Gone before its destruction could be seen: creation fails, quietly.
    XDestroyWindow(other.display, other.window);
    XSync(other.display, False);
    testing::internal::CaptureStderr();
    EXPECT_EQ(createTestWindow(WS_CHILD, 100, 100, parent), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(parent); }));
}

TEST(Window, AChildOfOurOwnWindowIsDestroyedAfterItsParentHadWmDestroy) {
    EXPECT_EQ(createTestWindow(WS_CHILD, 1, 1), nullptr); // a child needs a parent
    HWND parent = createTestWindow();
    HWND child = createTestWindow(WS_CHILD | WS_VISIBLE, 100, 50, parent);
    ASSERT_TRUE(parent && child);
    delivered.clear();
    ASSERT_TRUE(DestroyWindow(parent));
    ASSERT_EQ(messages(), (std::vector<UINT>{WM_DESTROY, WM_DESTROY}));
    EXPECT_EQ(delivered[0].window, parent);
    EXPECT_EQ(delivered[1].window, child);
    EXPECT_FALSE(IsWindow(parent) || IsWindow(child));
    EXPECT_FALSE(DestroyWindow(child));
}

TEST(Window, APopUpOfTheScreensSizeIsInTheFullScreenState) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(width, 1280); // the test command's Xvfb screen
    EXPECT_EQ(height, 1024);
    HWND window = createTestWindow(WS_POPUP, width, height, nullptr, WS_EX_TOPMOST);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    ASSERT_GE(delivered.size(), 2u);
    EXPECT_EQ(delivered[1].lParam, MAKELPARAM(width, height)); // no frame taken off
    Display *display = platform::display();
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    XGetWindowProperty(display, xidOf(window), XInternAtom(display, "_NET_WM_STATE", False), 0, 8,
                       False, XA_ATOM, &type, &format, &items, &after, &data);
    ASSERT_EQ(items, 1u);
    EXPECT_EQ(reinterpret_cast<Atom *>(data)[0],
              XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False));
    XFree(data);
    closeTestWindow(window);
}

TEST(MessageQueue, TheWaitEndsOnInputOnAPostOnAPaintOrAfterItsTime) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    pumpMessages();
    ValidateRect(window, nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 60, QS_ALLINPUT),
              static_cast<DWORD>(WAIT_TIMEOUT));
    // It slept, not spun out.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(59));
    auto wakes = [] {
        return MsgWaitForMultipleObjects(0, nullptr, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0;
    };

    // Input from the server: the window manager's close request, sent by another client.
    OtherClient other;
    sendDeleteWindow(other.display, xidOf(window));
    EXPECT_TRUE(wakes());
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
    PostMessageA(window, 0x400, 0, 0);
    EXPECT_TRUE(wakes());
    pumpMessages();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_TRUE(wakes());
    EXPECT_EQ(MsgWaitForMultipleObjects(1, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    closeTestWindow(window);
}

TEST(Wgl, FontBitmapsAdvanceByAFixedWidthTheSpaceIncluded) {
    HWND window = createTestWindow(WS_OVERLAPPEDWINDOW, 200, 60);
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    EXPECT_FALSE(wglUseFontBitmapsA(dc, 32, 96, 1)); // no current context
    const PIXELFORMATDESCRIPTOR request = platform::defaultPixelFormat(platform::display());
    ASSERT_TRUE(SetPixelFormat(dc, ChoosePixelFormat(dc, &request), &request));
    HGLRC context = wglCreateContext(dc);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    const GLuint lists = glGenLists(96);
    ASSERT_TRUE(wglUseFontBitmapsA(dc, 32, 96, lists));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glViewport(0, 0, 200, 60);
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 200, 0, 60, -1, 1);
    glListBase(lists - 32);
    auto advance = [](const char *text) {
        glRasterPos2i(10, 20);
        glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
        GLfloat position[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
        return position[0] - 10.0f;
    };
    const float one = advance("I");
    EXPECT_GT(one, 0.0f);
    EXPECT_EQ(advance("II"), 2 * one);
    EXPECT_EQ(advance("I I"), 3 * one); // a fixed-width font: the space is as wide
    glDeleteLists(lists, 96);
    wglMakeCurrent(dc, nullptr);
    wglDeleteContext(context);
    closeTestWindow(window);
}

} // namespace
