// An X11 probe for the end-to-end tests:
//   x11-probe tree ID|root   each child: id x y w h mapped override-redirect name (none if gone)
//   x11-probe close ID       sends WM_DELETE_WINDOW, as a window manager's close button
//   x11-probe window W H     another program's window: prints its id, then obeys "size W H" and
//                            "destroy" lines on stdin, each answered "ok" once done; ends at EOF
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A window closed between its listing and its query is no failure; other errors end the probe.
XErrorHandler defaultErrorHandler = nullptr;
int ignoreVanishedWindows(Display *display, XErrorEvent *error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable)
        return 0;
    return defaultErrorHandler(display, error);
}

// The sizes include the border.
int children(Display *display, Window window) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0; // gone meanwhile: no children
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        char *name = nullptr;
        if (!XGetWindowAttributes(display, children[i], &a))
            continue;
        XFetchName(display, children[i], &name);
        std::printf("0x%lx %d %d %d %d %d %d %s\n", children[i], a.x, a.y,
                    a.width + 2 * a.border_width, a.height + 2 * a.border_width,
                    a.map_state == IsViewable, a.override_redirect ? 1 : 0, name ? name : "");
        if (name)
            XFree(name);
    }
    if (children)
        XFree(children);
    return 0;
}

int closeWindow(Display *display, Window window) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

int hold(Display *display, int width, int height) {
    // With its own input selected, as a daemon's.
    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0,
                                        0, BlackPixel(display, DefaultScreen(display)));
    XSelectInput(display, window, ExposureMask | KeyPressMask | ButtonPressMask);
    XMapRaised(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        int w = 0, h = 0;
        if (std::sscanf(line, "size %d %d", &w, &h) == 2)
            XResizeWindow(display, window, w, h);
        else if (std::strncmp(line, "destroy", 7) == 0)
            XDestroyWindow(display, window);
        XSync(display, False);
        std::puts("ok");
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11-probe: cannot open the display\n");
        return 1;
    }
    defaultErrorHandler = XSetErrorHandler(ignoreVanishedWindows);
    int result = 2;
    const std::string command = argc > 1 ? argv[1] : "";
    const Window id = argc > 2 && std::strcmp(argv[2], "root") ? std::strtoul(argv[2], nullptr, 0)
                                                               : DefaultRootWindow(display);
    if (command == "tree" && argc == 3)
        result = children(display, id);
    else if (command == "close" && argc == 3)
        result = closeWindow(display, id);
    else if (command == "window" && argc == 4)
        result = hold(display, std::atoi(argv[2]), std::atoi(argv[3]));
    else
        std::fprintf(stderr, "usage: x11-probe tree ID | close ID | window W H\n");
    XCloseDisplay(display);
    return result;
}
