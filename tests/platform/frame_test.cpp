// With a window manager the asked size is the outer size: the client gets what the frame
// leaves. A stand-in manager on the root answers the frame-extents request.
#include "test_window.h"

#include <X11/Xatom.h>

#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

const int threadsReady = XInitThreads();

// Announces itself as an EWMH manager and answers _NET_REQUEST_FRAME_EXTENTS with a frame of
// 4 pixels left, right and below and a 24-pixel title bar; leaves the root as it was.
class FrameOnlyManager {
  public:
    FrameOnlyManager() : display_(XOpenDisplay(nullptr)) {
        if (!display_)
            return;
        const ::Window root = DefaultRootWindow(display_);
        check_ = XCreateSimpleWindow(display_, root, 0, 0, 1, 1, 0, 0, 0);
        const Atom checkAtom = XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False);
        XChangeProperty(display_, check_, checkAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(&check_), 1);
        XChangeProperty(display_, root, checkAtom, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(&check_), 1);
        XSelectInput(display_, root, SubstructureNotifyMask);
        XSync(display_, False);
        thread_ = std::thread([this] { serve(); });
    }
    ~FrameOnlyManager() {
        if (!display_)
            return;
        stop_ = true;
        thread_.join();
        XDeleteProperty(display_, DefaultRootWindow(display_),
                        XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False));
        XDestroyWindow(display_, check_);
        XCloseDisplay(display_);
    }
    bool running() const { return display_ != nullptr; }
    int requests() const { return requests_; }

  private:
    void serve() {
        const Atom request = XInternAtom(display_, "_NET_REQUEST_FRAME_EXTENTS", False);
        const Atom extents = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
        while (!stop_) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type != ClientMessage || event.xclient.message_type != request)
                    continue;
                ++requests_;
                long frame[4] = {4, 4, 24, 4};
                XChangeProperty(display_, event.xclient.window, extents, XA_CARDINAL, 32,
                                PropModeReplace, reinterpret_cast<unsigned char *>(frame), 4);
                XFlush(display_);
            }
            usleep(1000);
        }
    }

    Display *display_;
    ::Window check_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
};

TEST(FrameExtents, TheClientIsTheOuterSizeLessTheFrame) {
    ASSERT_NE(threadsReady, 0);
    FrameOnlyManager manager;
    ASSERT_TRUE(manager.running());
    HWND window = createTestWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(manager.requests(), 1);
    ASSERT_EQ(recorder.count(WM_SIZE), 1u);
    EXPECT_EQ(recorder.log.back().lParam, MAKELPARAM(632, 452));
    XWindowAttributes attributes{};
    XGetWindowAttributes(platform::display(), xidOf(window), &attributes);
    EXPECT_EQ(attributes.width, 632);
    EXPECT_EQ(attributes.height, 452);
    recorder.log.clear();
    ShowWindow(window, SW_SHOW);
    ASSERT_EQ(recorder.count(WM_SIZE), 1u);
    EXPECT_EQ(recorder.log.back().lParam, MAKELPARAM(632, 452));
    pumpMessages();
    EXPECT_EQ(recorder.count(WM_SIZE), 1u); // the resize is not reported twice
    closeTestWindow(window);
}

} // namespace
