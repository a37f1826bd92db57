// Window creation, showing, painting, the message queue and closing.
#include "test_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <malloc.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

// Fails the run instead of hanging it when a call that must not wait does.
const int armAlarm = [] {
    alarm(120);
    return 0;
}();

int lastXError = 0;
int recordXError(Display *, XErrorEvent *error) {
    lastXError = error->error_code;
    return 0;
}

XWindowAttributes attributesOf(::Window xid) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(platform::display(), xid, &attributes);
    return attributes;
}

TEST(WindowClass, RegistrationRefusesDuplicatesAndIncompleteClasses) {
    testClassName();
    WNDCLASSA again{};
    again.lpfnWndProc = recordingProcedure;
    again.lpszClassName = "platformtest"; // class names ignore case, as on Windows
    EXPECT_EQ(RegisterClassA(&again), 0);
    WNDCLASSA noProcedure{};
    noProcedure.lpszClassName = "NoProcedure";
    EXPECT_EQ(RegisterClassA(&noProcedure), 0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    WNDCLASSA other{};
    other.lpfnWndProc = recordingProcedure;
    other.lpszClassName = "OtherClass";
    EXPECT_NE(RegisterClassA(&other), 0);
    EXPECT_EQ(
        CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
        nullptr);
}

TEST(WindowCreation, CreateAndSizeArriveInsideTheCallAndTheWindowStaysHidden) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(recorder.messages(), (std::vector<UINT>{WM_CREATE, WM_SIZE}));
    EXPECT_EQ(recorder.log[0].window, window);
    EXPECT_TRUE(recorder.dcDuringCreate);
    // No window manager on the test server: no frame, so the client is the whole outer size.
    EXPECT_EQ(LOWORD(recorder.log[1].lParam), 640);
    EXPECT_EQ(HIWORD(recorder.log[1].lParam), 480);
    XWindowAttributes attributes = attributesOf(xidOf(window));
    EXPECT_EQ(attributes.map_state, IsUnmapped);
    EXPECT_EQ(attributes.width + 2 * attributes.border_width, 640);
    EXPECT_EQ(attributes.height + 2 * attributes.border_width, 480);

    // Nothing is painted while the window is hidden.
    InvalidateRect(window, nullptr, FALSE);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));

    recorder.log.clear();
    ShowWindow(window, SW_SHOW);
    EXPECT_EQ(attributesOf(xidOf(window)).map_state, IsViewable);
    ASSERT_EQ(recorder.count(WM_SIZE), 1u);
    EXPECT_EQ(recorder.log.back().lParam, MAKELPARAM(640, 480));
    // Shown, the window wants its first paint, which UpdateWindow sends straight away.
    UpdateWindow(window);
    EXPECT_EQ(recorder.count(WM_PAINT), 1u);
    UpdateWindow(window);
    EXPECT_EQ(recorder.count(WM_PAINT), 1u);
    closeTestWindow(window);
}

TEST(WindowCreation, FailsWhenCreateAnswersMinusOne) {
    recorder = Recorder{};
    recorder.createResult = -1;
    HWND window = CreateWindowExA(0, testClassName(), "refused", WS_OVERLAPPEDWINDOW, 10, 10, 100,
                                  100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(recorder.messages(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    EXPECT_EQ(GetDC(recorder.log[0].window), nullptr);
}

TEST(WindowSize, AResizeFromTheServerBecomesWmSize) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    pumpMessages();
    recorder.log.clear();
    XResizeWindow(platform::display(), xidOf(window), 300, 200);
    XSync(platform::display(), False);
    std::vector<MSG> taken = pumpMessages();
    ASSERT_EQ(recorder.count(WM_SIZE), 1u);
    for (const Delivered &d : recorder.log) {
        if (d.message == WM_SIZE) {
            EXPECT_EQ(d.lParam, MAKELPARAM(300, 200));
        }
    }
    // A partial validation leaves the paint due; a whole one clears it.
    InvalidateRect(window, nullptr, FALSE);
    RECT part{0, 0, 100, 100};
    ValidateRect(window, &part);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, window, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    RECT whole{0, 0, 300, 200};
    ValidateRect(window, &whole);
    EXPECT_FALSE(PeekMessageA(&message, window, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    closeTestWindow(window);
}

TEST(WindowTitle, SetWindowTextSetsBothNames) {
    HWND window = createTestWindow("Vorticel");
    ASSERT_NE(window, nullptr);
    Display *display = platform::display();
    char *name = nullptr;
    ASSERT_TRUE(XFetchName(display, xidOf(window), &name));
    EXPECT_STREQ(name, "Vorticel");
    XFree(name);

    ASSERT_TRUE(SetWindowTextA(window, "Vorticel - 59.9 fps (1234 tri) \xe9"));
    ASSERT_TRUE(XFetchName(display, xidOf(window), &name));
    EXPECT_STREQ(name, "Vorticel - 59.9 fps (1234 tri) \xe9");
    XFree(name);

    Atom type;
    int format;
    unsigned long items, after;
    unsigned char *data = nullptr;
    ASSERT_EQ(XGetWindowProperty(display, xidOf(window), XInternAtom(display, "_NET_WM_NAME", 0), 0,
                                 256, False, XInternAtom(display, "UTF8_STRING", 0), &type, &format,
                                 &items, &after, &data),
              Success);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data), items),
              "Vorticel - 59.9 fps (1234 tri) \xc3\xa9");
    XFree(data);
    closeTestWindow(window);
}

TEST(MessageQueue, EmptyQueueAnswersFalseAtOnce) {
    pumpMessages();
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, PostedMessagesComeInOrderThenQuitThenPaint) {
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
    // A window filter never yields the quit message; a range filter skips what is outside.
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0x401, 0x401, PM_NOREMOVE));
    EXPECT_EQ(message.message, 0x401u);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0x401u);
    ASSERT_TRUE(PeekMessageA(&message, window, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(message.wParam, 7u);
    // Taken once; the paint stays due until the window is validated.
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    ValidateRect(window, nullptr);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    closeTestWindow(window);
}

TEST(MessageQueue, RepeatedInvalidationGivesOnePaint) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    pumpMessages();
    recorder.log.clear();
    for (int i = 0; i < 5; ++i)
        InvalidateRect(window, nullptr, FALSE);
    pumpMessages();
    EXPECT_EQ(recorder.count(WM_PAINT), 1u);
    closeTestWindow(window);
}

TEST(MessageQueue, AFullQueueRefusesPostsWithoutLosingTheQueuedOnes) {
    pumpMessages();
    int accepted = 0;
    for (int i = 0; i < 5000; ++i)
        accepted += PostMessageA(nullptr, 0x400, static_cast<WPARAM>(i), 0) ? 1 : 0;
    EXPECT_GT(accepted, 0);
    EXPECT_LT(accepted, 5000);
    MSG message;
    for (int i = 0; i < accepted; ++i) {
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
        ASSERT_EQ(message.wParam, static_cast<WPARAM>(i));
    }
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueue, TheIdleLoopDoesNotGrowTheHeap) {
    if (mallinfo2().uordblks == 0)
        GTEST_SKIP() << "the allocator keeps no statistics (sanitizer build)";
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    auto frame = [&] {
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            InvalidateRect(window, nullptr, FALSE);
        }
    };
    for (int i = 0; i < 200; ++i)
        frame();
    const size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 20000; ++i)
        frame();
    EXPECT_LE(mallinfo2().uordblks, before + 1024);
    closeTestWindow(window);
}

TEST(WindowClosing, DefaultCloseDestroysTheWindowAfterWmDestroy) {
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    pumpMessages();
    const ::Window xid = xidOf(window);
    ASSERT_TRUE(PostMessageA(window, 0x400, 0, 0));

    // The window manager's close button arrives as WM_DELETE_WINDOW.
    Display *display = platform::display();
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = xid;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, xid, False, NoEventMask, &close);
    XSync(display, False);
    recorder.log.clear();

    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, 0x400u);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
    ASSERT_TRUE(PostMessageA(window, 0x401, 0, 0)); // still queued when the window goes
    DispatchMessageA(&message);
    EXPECT_EQ(recorder.messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));

    EXPECT_EQ(GetDC(window), nullptr);
    EXPECT_FALSE(PostMessageA(window, 0x400, 0, 0));
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        << "left behind: message " << message.message << " for " << message.hwnd;
    XErrorHandler previous = XSetErrorHandler(recordXError);
    lastXError = 0;
    XWindowAttributes attributes;
    XGetWindowAttributes(display, xid, &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    EXPECT_EQ(lastXError, BadWindow);
}

TEST(Kernel, PerformanceCounterIsMonotonicAtItsFrequency) {
    LARGE_INTEGER frequency{}, first{}, second{};
    ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
    EXPECT_EQ(frequency.QuadPart, 1000000000);
    ASSERT_TRUE(QueryPerformanceCounter(&first));
    int64_t previous = first.QuadPart;
    for (int i = 0; i < 1000; ++i) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        ASSERT_GE(now.QuadPart, previous);
        previous = now.QuadPart;
    }
    usleep(2000);
    QueryPerformanceCounter(&second);
    EXPECT_GE(second.QuadPart - first.QuadPart, 2000000);
}

} // namespace
