// Window classes, windows and the thread's message queue over X11.
#include "internal.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <poll.h>
#include <strings.h>

#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

static_assert(sizeof(LPARAM) >= 8, "key messages keep the X modifier state in lParam bits 32-39");

namespace platform {

namespace {

struct ClassRecord {
    std::string name;
    WNDPROC procedure = nullptr;
    bool arrowCursor = false;
};

std::array<ClassRecord, 16> classes;
std::array<WindowRecord, 16> windows;
uintptr_t nextWindowId = 1;

// Posted and input messages in arrival order; a fixed array, so the loop never allocates.
std::array<MSG, 256> queue;
size_t queued = 0;
bool quitPosted = false;
int quitCode = 0;

bool keyDown[256] = {};

// Atoms are the server's, so one lookup serves every connection to it.
struct Atoms {
    bool interned = false;
    Atom protocols, deleteWindow, netWmName, utf8, frameExtents, requestFrameExtents,
        supportingWmCheck;
} atoms;

const Atoms &atomsFor(Display *connection) {
    if (!atoms.interned) {
        atoms.interned = true;
        atoms.protocols = XInternAtom(connection, "WM_PROTOCOLS", False);
        atoms.deleteWindow = XInternAtom(connection, "WM_DELETE_WINDOW", False);
        atoms.netWmName = XInternAtom(connection, "_NET_WM_NAME", False);
        atoms.utf8 = XInternAtom(connection, "UTF8_STRING", False);
        atoms.frameExtents = XInternAtom(connection, "_NET_FRAME_EXTENTS", False);
        atoms.requestFrameExtents = XInternAtom(connection, "_NET_REQUEST_FRAME_EXTENTS", False);
        atoms.supportingWmCheck = XInternAtom(connection, "_NET_SUPPORTING_WM_CHECK", False);
    }
    return atoms;
}

DWORD tickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

ClassRecord *findClass(LPCSTR name) {
    if (!name)
        return nullptr;
    for (ClassRecord &c : classes)
        if (c.procedure && strcasecmp(c.name.c_str(), name) == 0)
            return &c;
    return nullptr;
}

WindowRecord *findByXid(::Window xid) {
    for (WindowRecord &w : windows)
        if (w.id && w.xid == xid)
            return &w;
    return nullptr;
}

LRESULT send(WindowRecord &record, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = record.procedure;
    return procedure(reinterpret_cast<HWND>(record.id), message, wParam, lParam);
}

bool enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time, bool front) {
    if (queued == queue.size())
        return false;
    MSG entry{window, message, wParam, lParam, time, {0, 0}};
    if (front) {
        std::memmove(&queue[1], &queue[0], queued * sizeof(MSG));
        queue[0] = entry;
    } else {
        queue[queued] = entry;
    }
    ++queued;
    return true;
}

// Waits for a matching event, at most timeoutMs; other events stay queued for PeekMessageA.
bool waitForEvent(Display *connection, Bool (*predicate)(Display *, XEvent *, XPointer),
                  XPointer argument, XEvent *event, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (XCheckIfEvent(connection, event, predicate, argument))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd descriptor{ConnectionNumber(connection), POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(left));
    }
}

struct EventMatch {
    ::Window window;
    int type;
    Atom property;
};

Bool matchEvent(Display *, XEvent *event, XPointer argument) {
    const EventMatch *match = reinterpret_cast<const EventMatch *>(argument);
    if (event->type != match->type || event->xany.window != match->window)
        return False;
    return match->type != PropertyNotify || event->xproperty.atom == match->property;
}

bool readWindowProperty(Display *connection, ::Window window, Atom property, Atom type, long count,
                        long *values) {
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(connection, window, property, 0, count, False, type, &actualType,
                           &format, &items, &after, &data) != Success)
        return false;
    const bool ok =
        data && actualType == type && format == 32 && items == static_cast<unsigned long>(count);
    if (ok)
        for (long i = 0; i < count; ++i)
            values[i] = reinterpret_cast<long *>(data)[i];
    if (data)
        XFree(data);
    return ok;
}

// An EWMH window manager names a check window on the root that names itself again.
bool wmRunning(Display *connection) {
    const Atoms &a = atomsFor(connection);
    long check = 0, again = 0;
    if (!readWindowProperty(connection, DefaultRootWindow(connection), a.supportingWmCheck,
                            XA_WINDOW, 1, &check))
        return false;
    return readWindowProperty(connection, static_cast<::Window>(check), a.supportingWmCheck,
                              XA_WINDOW, 1, &again) &&
           again == check;
}

// The frame the window manager puts around the client: left, right, top, bottom.
void frameExtents(Display *connection, ::Window window, long extents[4]) {
    if (!readWindowProperty(connection, window, atomsFor(connection).frameExtents, XA_CARDINAL, 4,
                            extents))
        extents[0] = extents[1] = extents[2] = extents[3] = 0;
}

int clampSize(long size) {
    return size < 1 ? 1 : size > 32767 ? 32767 : static_cast<int>(size);
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

void storeTitle(Display *connection, ::Window window, LPCSTR text) {
    // The text is Latin-1; WM_NAME takes it as is, _NET_WM_NAME wants UTF-8.
    char latin[512];
    std::snprintf(latin, sizeof latin, "%s", text ? text : "");
    char utf8[2 * sizeof latin];
    size_t length = 0;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(latin); *c; ++c) {
        if (*c < 0x80) {
            utf8[length++] = static_cast<char>(*c);
        } else {
            utf8[length++] = static_cast<char>(0xC0 | (*c >> 6));
            utf8[length++] = static_cast<char>(0x80 | (*c & 0x3F));
        }
    }
    XStoreName(connection, window, latin);
    const Atoms &a = atomsFor(connection);
    XChangeProperty(connection, window, a.netWmName, a.utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(utf8), static_cast<int>(length));
}

bool createXWindow(Display *connection, WindowRecord &record, const XVisualInfo &visual,
                   LPCSTR title, LPCSTR className) {
    const ::Window root = RootWindow(connection, visual.screen);
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(connection, root, visual.visual, AllocNone);
    attributes.background_pixmap = None; // no background brush: nothing is erased
    attributes.border_pixel = 0;
    attributes.event_mask =
        ExposureMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask | PropertyChangeMask;
    const int width = record.width > 0 ? record.width : record.outerWidth;
    const int height = record.height > 0 ? record.height : record.outerHeight;
    const ::Window xid = XCreateWindow(
        connection, root, record.x, record.y, width, height, 0, visual.depth, InputOutput,
        visual.visual, CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
    if (!xid) {
        XFreeColormap(connection, attributes.colormap);
        return false;
    }
    record.xid = xid;
    record.colormap = attributes.colormap;
    record.visual = visual;
    record.width = width;
    record.height = height;

    storeTitle(connection, xid, title);
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
    if (record.arrowCursor) {
        static Cursor arrow = 0;
        static Display *arrowConnection = nullptr;
        if (arrowConnection != connection) {
            arrowConnection = connection;
            arrow = XCreateFontCursor(connection, XC_left_ptr);
        }
        XDefineCursor(connection, xid, arrow);
    }
    return true;
}

void destroyXWindow(Display *connection, WindowRecord &record) {
    XDestroyWindow(connection, record.xid);
    XFreeColormap(connection, record.colormap);
    XSync(connection, False);
    record.xid = 0;
    record.colormap = 0;
}

// As DestroyWindow: WM_DESTROY while the handle is still valid, then the window goes, and so
// do the messages still queued for it.
void destroyWindow(WindowRecord &record) {
    Display *connection = display();
    if (record.destroying || !connection)
        return;
    record.destroying = true;
    const uintptr_t id = record.id;
    send(record, WM_DESTROY, 0, 0);
    WindowRecord *again = findWindow(reinterpret_cast<HWND>(id));
    if (!again)
        return;
    destroyXWindow(connection, *again);
    size_t kept = 0;
    for (size_t i = 0; i < queued; ++i)
        if (queue[i].hwnd != reinterpret_cast<HWND>(id))
            queue[kept++] = queue[i];
    queued = kept;
    *again = WindowRecord{};
}

WPARAM virtualKey(KeySym symbol) {
    if (symbol >= XK_a && symbol <= XK_z)
        return 'A' + (symbol - XK_a);
    if ((symbol >= XK_0 && symbol <= XK_9) || (symbol >= XK_A && symbol <= XK_Z))
        return symbol;
    if (symbol >= XK_KP_0 && symbol <= XK_KP_9)
        return 0x60 + (symbol - XK_KP_0);
    switch (symbol) {
    case XK_Escape:
        return 0x1B;
    case XK_space:
        return 0x20;
    case XK_Return:
    case XK_KP_Enter:
        return 0x0D;
    case XK_BackSpace:
        return 0x08;
    case XK_Tab:
        return 0x09;
    case XK_Shift_L:
    case XK_Shift_R:
        return 0x10;
    case XK_Control_L:
    case XK_Control_R:
        return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
        return 0x12;
    case XK_KP_Multiply:
        return 0x6A;
    case XK_KP_Add:
        return 0x6B;
    case XK_KP_Subtract:
        return 0x6D;
    case XK_KP_Divide:
        return 0x6F;
    default:
        return 0;
    }
}

// Key messages carry, as on Windows, a repeat count of 1 in bits 0-15, the scan code (here
// the X keycode) in bits 16-23, the previous key state in bit 30 and the transition in bit
// 31; bits 32-39 keep the X modifier state that TranslateMessage needs.
void postKey(WindowRecord &record, XKeyEvent &event) {
    const unsigned keycode = event.keycode & 0xFF;
    const bool press = event.type == KeyPress;
    LPARAM lParam =
        1 | static_cast<LPARAM>(keycode) << 16 | static_cast<LPARAM>(event.state & 0xFF) << 32;
    if (!press || keyDown[keycode])
        lParam |= LPARAM(1) << 30;
    if (!press)
        lParam |= LPARAM(1) << 31;
    keyDown[keycode] = press;
    const WPARAM key = virtualKey(XLookupKeysym(&event, 0));
    enqueue(reinterpret_cast<HWND>(record.id), press ? WM_KEYDOWN : WM_KEYUP, key, lParam,
            static_cast<DWORD>(event.time), false);
}

void translateEvent(Display *connection, XEvent &event) {
    if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    WindowRecord *record = findByXid(event.xany.window);
    if (!record)
        return;
    const HWND window = reinterpret_cast<HWND>(record->id);
    switch (event.type) {
    case Expose:
        record->invalid = true;
        break;
    case ConfigureNotify:
        if (event.xconfigure.width != record->width || event.xconfigure.height != record->height) {
            record->width = event.xconfigure.width;
            record->height = event.xconfigure.height;
            enqueue(window, WM_SIZE, 0, MAKELPARAM(record->width, record->height), tickCount(),
                    false);
        }
        break;
    case ClientMessage:
        if (deleteWindowMessage(connection, event))
            enqueue(window, WM_CLOSE, 0, 0, tickCount(), false);
        break;
    case KeyPress:
    case KeyRelease:
        postKey(*record, event.xkey);
        break;
    default:
        break;
    }
}

// Moves the events the server has sent into the queue, without waiting for more.
void drainEvents() {
    Display *connection = display();
    if (!connection)
        return;
    while (queued < queue.size() && XEventsQueued(connection, QueuedAfterFlush) > 0) {
        XEvent event;
        XNextEvent(connection, &event);
        translateEvent(connection, event);
    }
}

bool matches(const MSG &message, HWND window, UINT filterMin, UINT filterMax) {
    if (window == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        if (message.hwnd)
            return false;
    } else if (window && message.hwnd != window) {
        return false;
    }
    return (filterMin == 0 && filterMax == 0) ||
           (message.message >= filterMin && message.message <= filterMax);
}

} // namespace

bool windowManagerRunning(Display *connection) {
    return wmRunning(connection);
}

void setTitle(Display *connection, ::Window window, LPCSTR text) {
    storeTitle(connection, window, text);
}

bool deleteWindowMessage(Display *connection, const XEvent &event) {
    const Atoms &a = atomsFor(connection);
    return event.type == ClientMessage && event.xclient.message_type == a.protocols &&
           event.xclient.format == 32 &&
           static_cast<Atom>(event.xclient.data.l[0]) == a.deleteWindow;
}

void setDeleteProtocol(Display *connection, ::Window window) {
    Atom protocols[] = {atomsFor(connection).deleteWindow};
    XSetWMProtocols(connection, window, protocols, 1);
}

WindowRecord *findWindow(HWND window) {
    const uintptr_t id = reinterpret_cast<uintptr_t>(window);
    if (!id)
        return nullptr;
    for (WindowRecord &w : windows)
        if (w.id == id)
            return &w;
    return nullptr;
}

WindowRecord *findWindow(HDC deviceContext) {
    return findWindow(reinterpret_cast<HWND>(deviceContext));
}

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

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int x, int y,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    ClassRecord *windowClass = findClass(className);
    if (!windowClass)
        return nullptr;
    Display *connection = display();
    if (!connection)
        return nullptr;
    WindowRecord *record = nullptr;
    for (WindowRecord &w : windows)
        if (!w.id) {
            record = &w;
            break;
        }
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
    fresh.placed = x != CW_USEDEFAULT;
    fresh.x = fresh.placed ? x : 0;
    fresh.y = fresh.placed && y != CW_USEDEFAULT ? y : 0;
    fresh.outerWidth = width == CW_USEDEFAULT ? 640 : clampSize(width);
    fresh.outerHeight = width == CW_USEDEFAULT || height == CW_USEDEFAULT ? 480 : clampSize(height);
    if (!createXWindow(connection, fresh, visual, windowName, windowClass->name.c_str()))
        return nullptr;

    // The size asked for is the outer size. A window manager tells the frame it will add
    // through _NET_FRAME_EXTENTS, on request even before the window is mapped; without one
    // (Xvfb) there is no frame and the client gets the whole size.
    if (wmRunning(connection)) {
        const Atoms &a = atomsFor(connection);
        XEvent request{};
        request.xclient.type = ClientMessage;
        request.xclient.window = fresh.xid;
        request.xclient.message_type = a.requestFrameExtents;
        request.xclient.format = 32;
        XSendEvent(connection, DefaultRootWindow(connection), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &request);
        EventMatch match{fresh.xid, PropertyNotify, a.frameExtents};
        XEvent reply;
        waitForEvent(connection, matchEvent, reinterpret_cast<XPointer>(&match), &reply, 300);
    }
    fitClientToOuter(connection, fresh);

    fresh.id = nextWindowId++;
    *record = fresh;
    const HWND window = reinterpret_cast<HWND>(fresh.id);
    if (send(*record, WM_CREATE, 0, 0) == -1) {
        if ((record = findWindow(window)))
            destroyWindow(*record);
        return nullptr;
    }
    if (!(record = findWindow(window)))
        return nullptr;
    send(*record, WM_SIZE, 0, MAKELPARAM(record->width, record->height));
    return findWindow(window) ? window : nullptr;
}

BOOL WINAPI ShowWindow(HWND window, int showCommand) {
    WindowRecord *record = findWindow(window);
    Display *connection = display();
    if (!record || !connection)
        return FALSE;
    const BOOL wasVisible = record->visible ? TRUE : FALSE;
    if (showCommand == 0) { // SW_HIDE
        XUnmapWindow(connection, record->xid);
        XFlush(connection);
        record->visible = false;
        return wasVisible;
    }
    if (!record->visible) {
        XMapRaised(connection, record->xid);
        EventMatch match{record->xid, MapNotify, None};
        XEvent mapped;
        waitForEvent(connection, matchEvent, reinterpret_cast<XPointer>(&match), &mapped, 2000);
        record->visible = true;
        record->invalid = true;
        if (wmRunning(connection)) {
            fitClientToOuter(connection, *record); // the frame may be known only now
        } else {
            // Nobody else gives the keyboard to the shown window.
            XSetInputFocus(connection, record->xid, RevertToPointerRoot, CurrentTime);
        }
        XFlush(connection);
    }
    send(*record, WM_SIZE, 0, MAKELPARAM(record->width, record->height));
    return wasVisible;
}

BOOL WINAPI UpdateWindow(HWND window) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return FALSE;
    if (record->invalid && record->visible)
        send(*record, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeMessage) {
    if (!message)
        return FALSE;
    drainEvents();
    const bool remove = (removeMessage & PM_REMOVE) != 0;
    for (size_t i = 0; i < queued; ++i) {
        if (matches(queue[i], window, filterMin, filterMax)) {
            *message = queue[i];
            if (remove) {
                std::memmove(&queue[i], &queue[i + 1], (queued - i - 1) * sizeof(MSG));
                --queued;
            }
            return TRUE;
        }
    }
    const MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, tickCount(), {0, 0}};
    if (quitPosted && matches(quit, window, filterMin, filterMax)) {
        *message = quit;
        if (remove)
            quitPosted = false;
        return TRUE;
    }
    // A paint is not queued: it is made while the window stays invalid and nothing else waits.
    for (WindowRecord &w : windows) {
        const MSG paint{reinterpret_cast<HWND>(w.id), WM_PAINT, 0, 0, tickCount(), {0, 0}};
        if (w.id && w.invalid && w.visible && matches(paint, window, filterMin, filterMax)) {
            *message = paint;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG *message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_KEYUP))
        return FALSE;
    Display *connection = display();
    if (message->message == WM_KEYUP || !connection)
        return TRUE;
    XKeyEvent event{};
    event.type = KeyPress;
    event.display = connection;
    event.keycode = static_cast<unsigned>(message->lParam >> 16) & 0xFF;
    event.state = static_cast<unsigned>(message->lParam >> 32) & 0xFF;
    char text[8];
    KeySym symbol = NoSymbol;
    int length = XLookupString(&event, text, sizeof text, &symbol, nullptr);
    unsigned character = length == 1 ? static_cast<unsigned char>(text[0]) : 0;
    if (!character) {
        // The keypad operators give their characters whatever level the keymap puts them on.
        switch (XkbKeycodeToKeysym(connection, event.keycode, 0, 0)) {
        case XK_KP_Multiply:
            character = '*';
            break;
        case XK_KP_Add:
            character = '+';
            break;
        case XK_KP_Subtract:
            character = '-';
            break;
        case XK_KP_Divide:
            character = '/';
            break;
        default:
            break;
        }
    }
    // As on Windows, the character comes out of the queue next.
    if (character)
        enqueue(message->hwnd, WM_CHAR, character, message->lParam, message->time, true);
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG *message) {
    WindowRecord *record = message ? findWindow(message->hwnd) : nullptr;
    if (!record)
        return 0;
    return send(*record, message->message, message->wParam, message->lParam);
}

BOOL WINAPI InvalidateRect(HWND window, const RECT *, BOOL) {
    // The paint always covers the whole client area, whatever rectangle was asked for.
    if (!window) {
        for (WindowRecord &w : windows)
            if (w.id)
                w.invalid = true;
        return TRUE;
    }
    WindowRecord *record = findWindow(window);
    if (!record)
        return FALSE;
    record->invalid = true;
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT *rect) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return FALSE;
    // Only a rectangle over the whole client area validates; part of it leaves the paint due.
    if (!rect || (rect->left <= 0 && rect->top <= 0 && rect->right >= record->width &&
                  rect->bottom >= record->height))
        record->invalid = false;
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    WindowRecord *record = findWindow(window);
    if (!record)
        return 0;
    if (message == WM_CLOSE)
        destroyWindow(*record);
    else if (message == WM_PAINT)
        record->invalid = false; // what BeginPaint and EndPaint would do
    return 0;
}

void WINAPI PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !findWindow(window))
        return FALSE;
    return enqueue(window, message, wParam, lParam, tickCount(), false) ? TRUE : FALSE;
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    WindowRecord *record = findWindow(window);
    Display *connection = display();
    if (!record || !connection)
        return FALSE;
    storeTitle(connection, record->xid, text);
    XFlush(connection);
    return TRUE;
}

HDC WINAPI GetDC(HWND window) {
    WindowRecord *record = findWindow(window);
    return record ? reinterpret_cast<HDC>(record->id) : nullptr;
}
