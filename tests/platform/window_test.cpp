// Windows, the message queue, closing, titles, the keyboard, WGL and the performance counter.
#include "test_window.h"

#include <GL/gl.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <unistd.h>

namespace {

TEST(Window, CreateAndSizeArriveInsideCreationTheWindowStaysHiddenUntilShownAndTakesItsTitle) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(messages(), (std::vector<UINT>{WM_CREATE, WM_SIZE}));
    EXPECT_EQ(delivered[0].window, window);
    EXPECT_TRUE(dcDuringCreate);
    // No window manager on the test server: no frame, so the client is the whole outer size.
    EXPECT_EQ(delivered[1].lParam, MAKELPARAM(640, 480));
    XWindowAttributes attributes = attributesOf(window);
    EXPECT_EQ(attributes.map_state, IsUnmapped);
    EXPECT_EQ(attributes.width + 2 * attributes.border_width, 640);
    EXPECT_EQ(attributes.height + 2 * attributes.border_width, 480);
    InvalidateRect(window, nullptr, FALSE); // nothing is painted while hidden
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    ShowWindow(window, SW_SHOW);
    EXPECT_EQ(attributesOf(window).map_state, IsViewable);

    ASSERT_TRUE(SetWindowTextA(window, "Vorticel - 59.9 fps (1234 tri) \xe9"));
    EXPECT_EQ(textProperty(platform::display(), xidOf(window), "WM_NAME"),
              "Vorticel - 59.9 fps (1234 tri) \xe9");
    EXPECT_EQ(textProperty(platform::display(), xidOf(window), "_NET_WM_NAME"),
              "Vorticel - 59.9 fps (1234 tri) \xc3\xa9");
    closeTestWindow(window);
}

int ignoreXError(Display *, XErrorEvent *) {
    return 0;
}

TEST(MessageQueue, PostedMessagesComeInOrderThenQuitThenPaintUntilValidatedThenClose) {
    alarm(10); // a Peek that waits on an empty queue kills the run instead of hanging it
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    pumpMessages();
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(PostMessageA(window, 0x400, 1, 10));
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageA(window, 0x401, 2, 20));

    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, 0x400u);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0x400u);
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.wParam, 1u);
    EXPECT_EQ(message.lParam, 10);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0x401u);
    // A window filter never yields the quit message.
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
    // Quit is taken once; the paint stays due until the window is validated.
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(window, nullptr);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    alarm(0);

    // The window manager's close button comes after what was posted before it, as WM_CLOSE;
    // the default handling destroys the window and drops what is still queued for it.
    const ::Window xid = xidOf(window);
    ASSERT_TRUE(PostMessageA(window, 0x400, 0, 0));
    sendDeleteWindow(platform::display(), xid);
    delivered.clear();
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0x400u);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
    ASSERT_TRUE(PostMessageA(window, 0x401, 0, 0));
    DispatchMessageA(&message);
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_FALSE(PostMessageA(window, 0x400, 0, 0));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        << "left behind: message " << message.message;
    XErrorHandler previous = XSetErrorHandler(ignoreXError);
    XWindowAttributes attributes;
    EXPECT_FALSE(XGetWindowAttributes(platform::display(), xid, &attributes)); // X window gone
    XSetErrorHandler(previous);
}

TEST(MessageQueue, AFullQueueRefusesPostsWithoutLosingTheQueuedOnes) {
    pumpMessages();
    int accepted = 0;
    for (int i = 0; i < 5000; ++i)
        accepted += PostMessageA(nullptr, 0x400, static_cast<WPARAM>(i), 0) ? 1 : 0;
    EXPECT_TRUE(accepted > 0 && accepted < 5000) << accepted;
    MSG message;
    for (int i = 0; i < accepted; ++i) {
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
        ASSERT_EQ(message.wParam, static_cast<WPARAM>(i));
    }
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST(Keyboard, ShellKeysGiveTheirCharactersOnTheMainKeysAndTheKeypad) {
    Display *display = platform::display();
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW); // with no window manager, showing gives it the keyboard
    pumpMessages();
    // The keypad operators a second time with Num Lock the other way.
    const KeySym keys[] = {XK_Escape,      XK_space,  XK_8,           XK_KP_Multiply, XK_equal,
                           XK_KP_Add,      XK_minus,  XK_KP_Subtract, XK_slash,       XK_KP_Divide,
                           XK_1,           XK_2,      XK_3,           XK_4,           XK_Num_Lock,
                           XK_KP_Multiply, XK_KP_Add, XK_KP_Subtract, XK_KP_Divide,   XK_Num_Lock};
    auto key = [&](KeySym symbol, bool press) {
        const KeyCode code = XKeysymToKeycode(display, symbol);
        ASSERT_NE(code, 0) << XKeysymToString(symbol);
        XTestFakeKeyEvent(display, code, press, CurrentTime);
    };
    for (KeySym symbol : keys) {
        const bool shifted = symbol == XK_8 || symbol == XK_equal; // '*' and '+' on US keys
        key(XK_Shift_L, shifted);
        key(symbol, true);
        key(symbol, false);
        key(XK_Shift_L, false);
    }
    XSync(display, False);
    pumpMessages();
    std::string typed;
    for (const Delivered &d : delivered)
        if (d.message == WM_CHAR)
            typed += static_cast<char>(d.wParam);
    EXPECT_EQ(typed, "\x1b **++--//1234*+-/");
    closeTestWindow(window);
}

TEST(Wgl, TheShellsSetUpGivesACurrentContextThatSwapsToTheWindow) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    // A 24-bit true-colour screen stores 32 bits per pixel, which is what Windows reports.
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 32);
    PIXELFORMATDESCRIPTOR request{};
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 32;
    request.cDepthBits = 16;
    const int format = ChoosePixelFormat(dc, &request);
    ASSERT_GT(format, 0);
    ASSERT_TRUE(SetPixelFormat(dc, format, &request));
    EXPECT_EQ(XVisualIDFromVisual(attributesOf(window).visual), static_cast<VisualID>(format));
    HGLRC context = wglCreateContext(dc);
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, context));
    GLint doubleBuffered = 0, depthBits = 0;
    glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_EQ(doubleBuffered, 1);
    EXPECT_GE(depthBits, 16);
    ShowWindow(window, SW_SHOW);
    glViewport(0, 0, 640, 480);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(SwapBuffers(dc));
    glFinish();
    XImage *image =
        XGetImage(platform::display(), xidOf(window), 320, 240, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 0, 0) & 0xFFFFFF, 0xFF0000u);
    XDestroyImage(image);
    // Released, swaps are refused; a deleted context cannot be made current.
    EXPECT_TRUE(wglMakeCurrent(dc, nullptr));
    EXPECT_FALSE(SwapBuffers(dc));
    EXPECT_TRUE(wglDeleteContext(context));
    EXPECT_FALSE(wglMakeCurrent(dc, context));
    closeTestWindow(window);
}

TEST(Kernel, PerformanceCounterCountsNanoseconds) {
    LARGE_INTEGER frequency{}, first{}, second{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency) && QueryPerformanceCounter(&first));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    usleep(2000);
    ASSERT_TRUE(QueryPerformanceCounter(&second));
    EXPECT_GE(second.QuadPart - first.QuadPart, 2000000);
}

} // namespace
