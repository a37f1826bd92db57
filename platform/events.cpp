// The windows' side of the message loop: X events turned into window messages (size, end,
// keys, the window manager's close request, paints due), and the message calls, which take
// those events in before they look at the queue.
#include "display.h"
#include "keyboard.h"
#include "queue.h"
#include "window_table.h"
#include "wm_hints.h"

#include <X11/Xutil.h>

namespace platform {

namespace {

void windowConfigured(WindowRecord &record, const XConfigureEvent &event) {
    // A child's size is only ever the one the program gave it; reports of earlier sizes may
    // still be on their way.
    if (record.child || (event.width == record.width && event.height == record.height))
        return;
    record.width = event.width;
    record.height = event.height;
    if (!record.foreign)
        enqueue(reinterpret_cast<HWND>(record.id), WM_SIZE, 0,
                MAKELPARAM(record.width, record.height), tickCount(), false);
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
        windowConfigured(*record, event.xconfigure);
        break;
    case DestroyNotify:
        windowDestroyed(*record);
        break;
    case ClientMessage:
        if (deleteWindowMessage(connection, event))
            enqueue(window, WM_CLOSE, 0, 0, tickCount(), false);
        break;
    case KeyPress:
    case KeyRelease:
        postKey(window, event.xkey);
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
    while (!queueFull() && XEventsQueued(connection, QueuedAfterFlush) > 0) {
        XEvent event;
        XNextEvent(connection, &event);
        translateEvent(connection, event);
    }
}

bool paintDue(const WindowRecord &w) {
    return w.id && !w.foreign && w.invalid && w.visible;
}

bool drainEventsForPaints() {
    drainEvents();
    for (const WindowRecord &w : windowTable())
        if (paintDue(w))
            return true;
    return false;
}

bool drainEventsOnly() {
    drainEvents();
    return false;
}

} // namespace

} // namespace platform

using namespace platform;

BOOL WINAPI PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeMessage) {
    if (!message)
        return FALSE;
    drainEvents();
    HWND paints[maxWindows];
    size_t paintCount = 0;
    for (const WindowRecord &w : windowTable())
        if (paintDue(w))
            paints[paintCount++] = reinterpret_cast<HWND>(w.id);
    return takeMessage(message, window, filterMin, filterMax, (removeMessage & PM_REMOVE) != 0,
                       paints, paintCount)
               ? TRUE
               : FALSE;
}

// Waits on the X connection only: kernel objects are not part of this subset, so count must
// be 0. Returns WAIT_OBJECT_0 as soon as a message (or, with QS_PAINT, a paint) is due, and
// WAIT_TIMEOUT when the time has passed; a signal ends the wait early, as a timeout.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *, BOOL, DWORD milliseconds,
                                       DWORD wakeMask) {
    if (count != 0)
        return WAIT_FAILED;
    Display *connection = display();
    return waitForMessage(milliseconds, connection ? ConnectionNumber(connection) : -1,
                          wakeMask & QS_PAINT ? drainEventsForPaints : drainEventsOnly);
}

LRESULT WINAPI DispatchMessageA(const MSG *message) {
    WindowRecord *record = message ? findWindow(message->hwnd) : nullptr;
    if (!record || record->foreign)
        return 0;
    return send(*record, message->message, message->wParam, message->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !findWindow(window))
        return FALSE;
    return enqueue(window, message, wParam, lParam, tickCount(), false) ? TRUE : FALSE;
}

BOOL WINAPI InvalidateRect(HWND window, const RECT *, BOOL) {
    // The paint always covers the whole client area, whatever rectangle was asked for.
    if (!window) {
        for (WindowRecord &w : windowTable())
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
