// Window classes and the program's own windows over X11 (top-level, pop-up, child): their
// creation, placement, showing and titles.
#include "display.h"
#include "visual.h"
#include "window_table.h"
#include "wm_hints.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <strings.h>

#include <string>

namespace platform {

namespace {

struct ClassRecord {
    std::string name;
    WNDPROC procedure = nullptr;
    bool arrowCursor = false;
};

std::array<ClassRecord, 16> classes;

ClassRecord *findClass(LPCSTR name) {
    if (!name)
        return nullptr;
    for (ClassRecord &c : classes)
        if (c.procedure && strcasecmp(c.name.c_str(), name) == 0)
            return &c;
    return nullptr;
}

int clampSize(long size) {
    return size < 1 ? 1 : size > 32767 ? 32767 : static_cast<int>(size);
}

// A child of the root window is a top-level window to X: the window manager must leave it
// alone, as it would leave the root itself.
bool childOfRoot(Display *connection, const WindowRecord &record) {
    const WindowRecord *parent = findWindow(reinterpret_cast<HWND>(record.parent));
    return parent && parent->xid == RootWindow(connection, record.visual.screen);
}

void sendSize(WindowRecord &record) {
    send(record, WM_SIZE, 0, MAKELPARAM(record.width, record.height));
}

// The client is the outer size less the frame; resizes the X window when that changed.
void fitClientToOuter(Display *connection, WindowRecord &record) {
    long extents[4];
    frameExtents(connection, record.xid, extents);
    const int width = clampSize(record.outerWidth - extents[0] - extents[1]);
    const int height = clampSize(record.outerHeight - extents[2] - extents[3]);
    if (width != record.width || height != record.height) {
        record.width = width;
        record.height = height;
        XResizeWindow(connection, record.xid, width, height);
    }
}

bool createXWindow(Display *connection, WindowRecord &record, ::Window parent,
                   const XVisualInfo &visual, LPCSTR title, LPCSTR className) {
    const ::Window root = RootWindow(connection, visual.screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(connection, root, visual.visual, AllocNone);
    attributes.background_pixmap = None; // no background brush: nothing is erased
    attributes.border_pixel = 0;
    // Input inside another program's window stays that program's.
    attributes.event_mask = ExposureMask | StructureNotifyMask | PropertyChangeMask;
    if (!insideForeign(record))
        attributes.event_mask |= KeyPressMask | KeyReleaseMask;
    unsigned long mask = CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask;
    if (record.child && parent == root) {
        attributes.override_redirect = True;
        mask |= CWOverrideRedirect;
    }
    const int width = record.width > 0 ? record.width : record.outerWidth;
    const int height = record.height > 0 ? record.height : record.outerHeight;
    const ::Window xid =
        XCreateWindow(connection, parent ? parent : root, record.x, record.y, width, height, 0,
                      visual.depth, InputOutput, visual.visual, mask, &attributes);
    if (!xid) {
        XFreeColormap(connection, attributes.colormap);
        return false;
    }
    record.xid = xid;
    record.colormap = attributes.colormap;
    record.visual = visual;
    record.width = width;
    record.height = height;

    if (record.arrowCursor) {
        static Cursor arrow = 0;
        static Display *arrowConnection = nullptr;
        if (arrowConnection != connection) {
            arrowConnection = connection;
            arrow = XCreateFontCursor(connection, XC_left_ptr);
        }
        XDefineCursor(connection, xid, arrow);
    }
    if (record.child)
        return true;
    setTitle(connection, xid, title);
    setDeleteProtocol(connection, xid);
    XSizeHints *hints = XAllocSizeHints();
    if (hints) {
        hints->flags = record.placed ? USPosition | PPosition : 0;
        hints->x = record.x;
        hints->y = record.y;
        XSetWMNormalHints(connection, xid, hints);
        XFree(hints);
    }
    XClassHint classHint{const_cast<char *>("vorticel"), const_cast<char *>(className)};
    XSetClassHint(connection, xid, &classHint);
    return true;
}

} // namespace

} // namespace platform

using namespace platform;

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass) {
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName ||
        !*windowClass->lpszClassName || findClass(windowClass->lpszClassName))
        return 0;
    for (size_t i = 0; i < classes.size(); ++i) {
        if (!classes[i].procedure) {
            classes[i].name = windowClass->lpszClassName;
            classes[i].procedure = windowClass->lpfnWndProc;
            classes[i].arrowCursor = windowClass->hCursor != nullptr;
            return static_cast<ATOM>(0xC000 + i);
        }
    }
    return 0;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR cursorName) {
    // Only the arrow is used; any named cursor stands for it.
    return cursorName ? reinterpret_cast<HCURSOR>(const_cast<char *>(cursorName)) : nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    return nullptr;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
    ClassRecord *windowClass = findClass(className);
    if (!windowClass)
        return nullptr;
    Display *connection = display();
    if (!connection)
        return nullptr;
    WindowRecord *parentRecord = nullptr;
    if (style & WS_CHILD) {
        parentRecord = findWindow(parent);
        if (!parentRecord)
            return nullptr; // as on Windows, a child needs a parent
    }
    WindowRecord *record = freeSlot();
    if (!record)
        return nullptr;

    // The window's visual is the GLX visual of the pixel format the shell asks for, so that
    // SetPixelFormat normally finds it already in place.
    XVisualInfo visual{};
    if (!chooseVisual(defaultPixelFormat(connection), &visual)) {
        XVisualInfo pattern{};
        pattern.visualid =
            XVisualIDFromVisual(DefaultVisual(connection, DefaultScreen(connection)));
        int count = 0;
        XVisualInfo *found = XGetVisualInfo(connection, VisualIDMask, &pattern, &count);
        if (!found)
            return nullptr;
        visual = found[0];
        XFree(found);
    }

    WindowRecord fresh;
    fresh.procedure = windowClass->procedure;
    fresh.arrowCursor = windowClass->arrowCursor;
    fresh.child = parentRecord != nullptr;
    fresh.parent = parentRecord ? parentRecord->id : 0;
    fresh.popup = !fresh.child && (style & WS_POPUP);
    fresh.placed = x != CW_USEDEFAULT;
    fresh.x = fresh.placed ? x : 0;
    fresh.y = fresh.placed && y != CW_USEDEFAULT ? y : 0;
    fresh.outerWidth = width == CW_USEDEFAULT ? 640 : clampSize(width);
    fresh.outerHeight = width == CW_USEDEFAULT || height == CW_USEDEFAULT ? 480 : clampSize(height);
    // Children and pop-ups have no frame: the client is the whole size.
    if (fresh.child || fresh.popup) {
        fresh.width = fresh.outerWidth;
        fresh.height = fresh.outerHeight;
    }
    if (fresh.child) {
        // The parent may be another program's window, which can go at any moment.
        QuietErrors quiet;
        const bool made = createXWindow(connection, fresh, parentRecord->xid, visual, windowName,
                                        windowClass->name.c_str());
        if (!made || quiet.errors()) {
            if (made) {
                XDestroyWindow(connection, fresh.xid);
                XFreeColormap(connection, fresh.colormap);
            }
            return nullptr;
        }
    } else if (!createXWindow(connection, fresh, 0, visual, windowName,
                              windowClass->name.c_str())) {
        return nullptr;
    }

    if (fresh.popup) {
        const int screen = DefaultScreen(connection);
        setPopupHints(connection, fresh.xid,
                      fresh.x <= 0 && fresh.y <= 0 &&
                          fresh.x + fresh.width >= DisplayWidth(connection, screen) &&
                          fresh.y + fresh.height >= DisplayHeight(connection, screen));
    } else if (!fresh.child) {
        // The size asked for is the outer size. A window manager tells the frame it will add
        // through _NET_FRAME_EXTENTS, on request even before the window is mapped; without
        // one (Xvfb) there is no frame and the client gets the whole size.
        if (windowManagerRunning(connection))
            requestFrameExtents(connection, fresh.xid);
        fitClientToOuter(connection, fresh);
    }

    fresh.id = newWindowId();
    *record = fresh;
    const HWND window = reinterpret_cast<HWND>(fresh.id);
    if (send(*record, WM_CREATE, 0, 0) == -1) {
        if ((record = findWindow(window)))
            destroyWindow(*record);
        return nullptr;
    }
    if (!(record = findWindow(window)))
        return nullptr;
    sendSize(*record);
    if ((style & WS_VISIBLE) && findWindow(window))
        ShowWindow(window, SW_SHOW);
    return findWindow(window) ? window : nullptr;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    WindowRecord *record = findWindow(window);
    Display *connection = display();
    if (!record || record->foreign || !connection)
        return FALSE;
    const BOOL wasVisible = record->visible ? TRUE : FALSE;
    if (showCommand == SW_HIDE) {
        XUnmapWindow(connection, record->xid);
        XFlush(connection);
        record->visible = false;
        return wasVisible;
    }
    if (!record->visible) {
        // Drawn on the root, it stays beneath the other windows, as the root itself does.
        const bool onRoot = record->child && childOfRoot(connection, *record);
        if (onRoot)
            XMapWindow(connection, record->xid);
        else
            XMapRaised(connection, record->xid);
        XEvent mapped;
        waitForEvent(connection, EventMatch{record->xid, MapNotify, None}, &mapped, 2000);
        if (onRoot)
            XLowerWindow(connection, record->xid);
        record->visible = true;
        record->invalid = true;
        if (record->child) {
            // Placed by its parent: no frame, and the keyboard stays where it is.
        } else if (windowManagerRunning(connection)) {
            if (!record->popup)
                fitClientToOuter(connection, *record); // the frame may be known only now
        } else {
            // Nobody else gives the keyboard to the shown window.
            XSetInputFocus(connection, record->xid, RevertToPointerRoot, CurrentTime);
        }
        XFlush(connection);
    }
    sendSize(*record);
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window) {
    WindowRecord *record = findWindow(window);
    if (!record || record->foreign)
        return FALSE;
    if (record->invalid && record->visible)
        send(*record, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI DestroyWindow(HWND window) {
    WindowRecord *record = findWindow(window);
    // Another program's window is not ours to destroy.
    if (!record || record->foreign || record->destroying)
        return FALSE;
    destroyWindow(*record);
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    WindowRecord *record = findWindow(window);
    Display *connection = display();
    if (!record || record->foreign || !connection)
        return FALSE;
    record->x = x;
    record->y = y;
    record->placed = true;
    record->outerWidth = clampSize(width);
    record->outerHeight = clampSize(height);
    const int oldWidth = record->width, oldHeight = record->height;
    if (record->child || record->popup) {
        record->width = record->outerWidth;
        record->height = record->outerHeight;
        XMoveResizeWindow(connection, record->xid, x, y, record->width, record->height);
    } else {
        XMoveWindow(connection, record->xid, x, y);
        fitClientToOuter(connection, *record);
    }
    XFlush(connection);
    if (repaint)
        record->invalid = true;
    // As on Windows, WM_SIZE arrives inside the call when the size changed.
    if (record->width != oldWidth || record->height != oldHeight)
        sendSize(*record);
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    Display *connection = display();
    if (!connection)
        return 0;
    // One X screen spans every monitor, so the virtual screen is the screen.
    const int screen = DefaultScreen(connection);
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return DisplayWidth(connection, screen);
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return DisplayHeight(connection, screen);
    default:
        return 0;
    }
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    WindowRecord *record = findWindow(window);
    Display *connection = display();
    if (!record || record->foreign || !connection)
        return FALSE;
    setTitle(connection, record->xid, text);
    XFlush(connection);
    return TRUE;
}
