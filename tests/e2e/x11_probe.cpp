// A small X11 probe for the end-to-end tests: lists the mapped top-level windows, asks a window
// to close as a window manager's close button does, and reads a window's text property.
//   x11-probe list                 one line per mapped top-level window: id x y w h name
//   x11-probe close ID             sends WM_DELETE_WINDOW
//   x11-probe property ID NAME     prints a string property
//   x11-probe tree ID|root         one line per child of ID: id x y w h mapped(0/1);
//                                  none for a window that is gone
//   x11-probe window W H           makes a W x H window as another program would, prints its
//                                  id, then obeys lines on stdin: "size W H", "destroy"; each
//                                  answered "ok" once the server has done it; ends at EOF
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A window can vanish between the listing and the query of it (a program closing meanwhile):
// the query then fails with BadWindow, which only means that window is gone, not that the
// probe failed. Any other error goes to Xlib's default handler, which ends the probe.
XErrorHandler defaultErrorHandler = nullptr;
int ignoreVanishedWindows(Display *display, XErrorEvent *error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable)
        return 0;
    return defaultErrorHandler(display, error);
}

// WM_NAME: the program's title in Latin-1 (its _NET_WM_NAME twin is the same in UTF-8).
std::string windowName(Display *display, Window window) {
    char *name = nullptr;
    std::string result;
    if (XFetchName(display, window, &name) && name) {
        result = name;
        XFree(name);
    }
    return result;
}

int list(Display *display) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 1;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable || attributes.override_redirect)
            continue;
        std::printf("0x%lx %d %d %d %d %s\n", children[i], attributes.x, attributes.y,
                    attributes.width + 2 * attributes.border_width,
                    attributes.height + 2 * attributes.border_width,
                    windowName(display, children[i]).c_str());
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
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

int property(Display *display, Window window, const char *name) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1 << 20, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) != Success ||
        !data || format != 8)
        return 1;
    std::fwrite(data, 1, count, stdout);
    XFree(data);
    return 0;
}

int tree(Display *display, Window window) {
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0; // gone meanwhile: no children
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes))
            std::printf("0x%lx %d %d %d %d %d\n", children[i], attributes.x, attributes.y,
                        attributes.width, attributes.height, attributes.map_state == IsViewable);
    }
    if (children)
        XFree(children);
    return 0;
}

int hold(Display *display, int width, int height) {
    // A plain window of the default visual, with its own input selected, as a daemon's.
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
    if (command == "list" && argc == 2)
        result = list(display);
    else if (command == "close" && argc == 3)
        result = closeWindow(display, std::strtoul(argv[2], nullptr, 0));
    else if (command == "property" && argc == 4)
        result = property(display, std::strtoul(argv[2], nullptr, 0), argv[3]);
    else if (command == "tree" && argc == 3)
        result = tree(display, std::string(argv[2]) == "root" ? DefaultRootWindow(display)
                                                              : std::strtoul(argv[2], nullptr, 0));
    else if (command == "window" && argc == 4)
        result = hold(display, std::atoi(argv[2]), std::atoi(argv[3]));
    else
        std::fprintf(stderr, "usage: x11-probe list | close ID | property ID NAME | tree ID | "
                             "window W H\n");
    XCloseDisplay(display);
    return result;
}
