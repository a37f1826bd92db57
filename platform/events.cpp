// The windows' side of the message loop: X events turned into window messages (size, end,
// keys, the window manager's close request, paints due), and the message calls, which take
// those events in before they look at the queue, hand out paints after what is stored there,
// and wait on the X connection.
#include "display.h"
#include "keyboard.h"
#include "queue.h"
#include "window_table.h"
#include "wm_hints.h"

#include <X11/Xutil.h>

#include <poll.h>

#include <cerrno>
#include <climits>
#include <ctime>

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
    case KeyRelease: {
        const MSG key = keyMessage(window, event.xkey);
        enqueue(key.hwnd, key.message, key.wParam, key.lParam, key.time, false);
        break;
    }
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

bool paintDueAnywhere() {
    for (const WindowRecord &w : windowTable())
        if (paintDue(w))
            return true;
    return false;
}

long long millisecondsSince(const timespec &start) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
}

} // namespace

} // namespace platform

using namespace platform;

// PeekMessageA's order: stored messages as they came, then WM_QUIT, then a paint of the first
// of the windows whose paint is due that the filter lets through. Paints are not queued: the
// same one is handed out again until the window is validated.
BOOL WINAPI PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax,
                         UINT removeMessage) {
    if (!message)
        return FALSE;
    drainEvents();
    if (takeStored(message, window, filterMin, filterMax, (removeMessage & PM_REMOVE) != 0))
        return TRUE;
    for (const WindowRecord &w : windowTable()) {
        const MSG paint{reinterpret_cast<HWND>(w.id), WM_PAINT, 0, 0, tickCount(), {0, 0}};
        if (paintDue(w) && passesFilter(paint, window, filterMin, filterMax)) {
            *message = paint;
            return TRUE;
        }
    }
    return FALSE;
}

// Waits on the X connection only: kernel objects are not part of this subset, so count must
// be 0. Returns WAIT_OBJECT_0 as soon as a message (or, with QS_PAINT, a paint) is due, and
// WAIT_TIMEOUT when the time has passed; a signal ends the wait early, as a timeout.
DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE *, BOOL, DWORD milliseconds,
                                       DWORD wakeMask) {
    if (count != 0)
        return WAIT_FAILED;
    Display *connection = display();
    const int descriptor = connection ? ConnectionNumber(connection) : -1;
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        drainEvents();
        if (messageStored() || ((wakeMask & QS_PAINT) && paintDueAnywhere()))
            return WAIT_OBJECT_0;
        int timeout = -1;
        if (milliseconds != INFINITE) {
            const long long spent = millisecondsSince(start);
            if (spent >= milliseconds)
                return WAIT_TIMEOUT;
            const long long left = milliseconds - spent;
            timeout = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        if (descriptor < 0) {
            if (timeout < 0)
                return WAIT_FAILED; // nothing could ever end it
            timespec pause{timeout / 1000, (timeout % 1000) * 1000000L};
            nanosleep(&pause, nullptr);
            return WAIT_TIMEOUT;
        }
        pollfd waiting{descriptor, POLLIN, 0};
        if (poll(&waiting, 1, timeout) < 0 && errno == EINTR)
            return WAIT_TIMEOUT;
    }
}

BOOL WINAPI TranslateMessage(const MSG *message) {
    if (!message || (message->message != WM_KEYDOWN && message->message != WM_KEYUP))
        return FALSE;
    Display *connection = display();
    if (message->message == WM_KEYUP || !connection)
        return TRUE;
    // As on Windows, the character comes out of the queue next.
    if (const unsigned character = keyCharacter(connection, message->lParam))
        enqueue(message->hwnd, WM_CHAR, character, message->lParam, message->time, true);
    return TRUE;
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
