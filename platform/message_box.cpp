// MessageBoxA: a small modal X11 dialog with the text, an optional stop icon and an OK button.
#include "display.h"
#include "window_table.h"
#include "wm_hints.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const int margin = 16;
const int iconSize = 32;
const int buttonWidth = 80;
const int buttonHeight = 26;
const int buttonGap = 16; // between the text and the button
const int bottomMargin = 12;

struct Line {
    const char *text;
    int length;
};

unsigned long colour(Display *connection, unsigned short red, unsigned short green,
                     unsigned short blue, unsigned long fallback) {
    XColor c{};
    c.red = red;
    c.green = green;
    c.blue = blue;
    return XAllocColor(connection, DefaultColormap(connection, DefaultScreen(connection)), &c)
               ? c.pixel
               : fallback;
}

struct Dialog {
    Display *connection = nullptr;
    ::Window window = 0;
    GC gc = nullptr;
    XFontStruct *font = nullptr;
    bool fontLoaded = false;
    std::vector<Line> lines;
    bool icon = false;
    int width = 0, height = 0, lineHeight = 13, ascent = 10;
    unsigned long black = 0, white = 0, red = 0, grey = 0;

    int textWidth(const Line &line) const {
        return font ? XTextWidth(font, line.text, line.length) : 6 * line.length;
    }
    int buttonX() const { return (width - buttonWidth) / 2; }
    int buttonY() const { return height - bottomMargin - buttonHeight; }
    bool inButton(int x, int y) const {
        return x >= buttonX() && x < buttonX() + buttonWidth && y >= buttonY() &&
               y < buttonY() + buttonHeight;
    }

    void draw() {
        XSetForeground(connection, gc, grey);
        XFillRectangle(connection, window, gc, 0, 0, width, height);
        int textX = margin;
        if (icon) {
            // The stop sign: a red octagon with a white cross.
            const short s = iconSize, c = iconSize * 3 / 10;
            XPoint octagon[8] = {{short(margin + c), short(margin)},
                                 {short(margin + s - c), short(margin)},
                                 {short(margin + s), short(margin + c)},
                                 {short(margin + s), short(margin + s - c)},
                                 {short(margin + s - c), short(margin + s)},
                                 {short(margin + c), short(margin + s)},
                                 {short(margin), short(margin + s - c)},
                                 {short(margin), short(margin + c)}};
            XSetForeground(connection, gc, red);
            XFillPolygon(connection, window, gc, octagon, 8, Convex, CoordModeOrigin);
            XSetForeground(connection, gc, white);
            XSetLineAttributes(connection, gc, 4, LineSolid, CapButt, JoinMiter);
            const int a = margin + 10, b = margin + s - 10;
            XDrawLine(connection, window, gc, a, a, b, b);
            XDrawLine(connection, window, gc, a, b, b, a);
            XSetLineAttributes(connection, gc, 0, LineSolid, CapButt, JoinMiter);
            textX += iconSize + 12;
        }
        XSetForeground(connection, gc, black);
        for (size_t i = 0; i < lines.size(); ++i)
            XDrawString(connection, window, gc, textX,
                        margin + static_cast<int>(i) * lineHeight + ascent, lines[i].text,
                        lines[i].length);
        XSetForeground(connection, gc, white);
        XFillRectangle(connection, window, gc, buttonX(), buttonY(), buttonWidth, buttonHeight);
        XSetForeground(connection, gc, black);
        XDrawRectangle(connection, window, gc, buttonX(), buttonY(), buttonWidth - 1,
                       buttonHeight - 1);
        const Line ok{"OK", 2};
        XDrawString(connection, window, gc, buttonX() + (buttonWidth - textWidth(ok)) / 2,
                    buttonY() + (buttonHeight - lineHeight) / 2 + ascent, ok.text, ok.length);
    }
};

void splitLines(const char *text, std::vector<Line> &lines) {
    for (const char *start = text;;) {
        const char *end = std::strchr(start, '\n');
        const int length = static_cast<int>(end ? end - start : std::strlen(start));
        lines.push_back({start, length});
        if (!end)
            break;
        start = end + 1;
    }
}

Bool forWindow(Display *, XEvent *event, XPointer window) {
    return event->xany.window == *reinterpret_cast<::Window *>(window);
}

void setAtomProperty(Display *connection, ::Window window, const char *property,
                     const char *value) {
    Atom atom = XInternAtom(connection, value, False);
    XChangeProperty(connection, window, XInternAtom(connection, property, False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char *>(&atom), 1);
}

} // namespace

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (!text)
        text = "";
    if (!caption)
        caption = "Error"; // the caption Windows gives a box without one
    Display *connection = platform::display();
    if (!connection) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return IDOK;
    }

    Dialog dialog;
    dialog.connection = connection;
    const int screen = DefaultScreen(connection);
    dialog.black = BlackPixel(connection, screen);
    dialog.white = WhitePixel(connection, screen);
    dialog.red = colour(connection, 0xCC00, 0x1000, 0x1000, dialog.black);
    dialog.grey = colour(connection, 0xD400, 0xD000, 0xC800, dialog.white);
    dialog.font = XLoadQueryFont(connection, "fixed");
    dialog.fontLoaded = dialog.font != nullptr;
    if (!dialog.font) // the server's default font always exists
        dialog.font = XQueryFont(connection, XGContextFromGC(DefaultGC(connection, screen)));
    if (dialog.font) {
        dialog.ascent = dialog.font->ascent;
        dialog.lineHeight = dialog.font->ascent + dialog.font->descent + 2;
    }
    dialog.icon = (type & 0xF0) == MB_ICONHAND;
    splitLines(text, dialog.lines);

    int textWidth = 0;
    for (const Line &line : dialog.lines)
        textWidth = std::max(textWidth, dialog.textWidth(line));
    const int textHeight = static_cast<int>(dialog.lines.size()) * dialog.lineHeight;
    const int iconWidth = dialog.icon ? iconSize + 12 : 0;
    dialog.width = std::min(std::max(2 * margin + iconWidth + textWidth, 200),
                            std::max(DisplayWidth(connection, screen), 200));
    dialog.height = margin + std::max(textHeight, dialog.icon ? iconSize : 0) + buttonGap +
                    buttonHeight + bottomMargin;
    const int x = std::max(0, (DisplayWidth(connection, screen) - dialog.width) / 2);
    const int y = std::max(0, (DisplayHeight(connection, screen) - dialog.height) / 2);

    dialog.window = XCreateSimpleWindow(connection, RootWindow(connection, screen), x, y,
                                        dialog.width, dialog.height, 1, dialog.black, dialog.grey);
    XSelectInput(connection, dialog.window,
                 ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                     StructureNotifyMask);
    platform::setTitle(connection, dialog.window, caption);
    platform::setDeleteProtocol(connection, dialog.window);
    setAtomProperty(connection, dialog.window, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG");
    if (XSizeHints *hints = XAllocSizeHints()) {
        hints->flags = USPosition | PPosition | PMinSize | PMaxSize;
        hints->x = x;
        hints->y = y;
        hints->min_width = hints->max_width = dialog.width;
        hints->min_height = hints->max_height = dialog.height;
        XSetWMNormalHints(connection, dialog.window, hints);
        XFree(hints);
    }
    if (platform::WindowRecord *record = platform::findWindow(owner)) {
        XSetTransientForHint(connection, dialog.window, record->xid);
        setAtomProperty(connection, dialog.window, "_NET_WM_STATE", "_NET_WM_STATE_MODAL");
    }
    dialog.gc = XCreateGC(connection, dialog.window, 0, nullptr);
    if (dialog.font)
        XSetFont(connection, dialog.gc, dialog.font->fid);
    const bool managed = platform::windowManagerRunning(connection);
    XMapRaised(connection, dialog.window);

    bool armed = false, done = false;
    while (!done) {
        // Only the box's events are taken: those of the program's windows stay queued for
        // PeekMessageA.
        XEvent event;
        XIfEvent(connection, &event, forWindow, reinterpret_cast<XPointer>(&dialog.window));
        switch (event.type) {
        case MapNotify:
            if (!managed) // without a window manager the box takes the keyboard itself
                XSetInputFocus(connection, dialog.window, RevertToPointerRoot, CurrentTime);
            break;
        case Expose:
            if (event.xexpose.count == 0)
                dialog.draw();
            break;
        case KeyPress: {
            const KeySym key = XLookupKeysym(&event.xkey, 0);
            done = key == XK_Return || key == XK_KP_Enter || key == XK_Escape;
            break;
        }
        case ButtonPress:
            armed = event.xbutton.button == Button1 &&
                    dialog.inButton(event.xbutton.x, event.xbutton.y);
            break;
        case ButtonRelease:
            // As a push button does: the click counts when it is released over the button.
            done = armed && event.xbutton.button == Button1 &&
                   dialog.inButton(event.xbutton.x, event.xbutton.y);
            armed = false;
            break;
        case ClientMessage:
            done = platform::deleteWindowMessage(connection, event);
            break;
        default:
            break;
        }
    }

    XFreeGC(connection, dialog.gc);
    XDestroyWindow(connection, dialog.window);
    if (dialog.fontLoaded)
        XFreeFont(connection, dialog.font);
    else if (dialog.font)
        XFreeFontInfo(nullptr, dialog.font, 1);
    XFlush(connection);
    return IDOK;
}
