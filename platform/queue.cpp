// The thread's message queue: X events turned into messages, posted messages, WM_QUIT, paints,
// and the wait for the next message.
#include "internal.h"

#include <X11/Xutil.h>

#include <poll.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// Posted and input messages in arrival order; a fixed array, so the loop never allocates.
std::array<MSG, 256> queue;
size_t queued = 0;
bool quitPosted = false;
int quitCode = 0;

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

bool paintDue() {
    for (const WindowRecord &w : windowTable())
        if (w.id && !w.foreign && w.invalid && w.visible)
            return true;
    return false;
}

} // namespace

DWORD tickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
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

void dropMessagesFor(HWND window) {
    size_t kept = 0;
    for (size_t i = 0; i < queued; ++i)
        if (queue[i].hwnd != window)
            queue[kept++] = queue[i];
    queued = kept;
}

} // namespace platform

using namespace platform;

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
    for (WindowRecord &w : windowTable()) {
        const MSG paint{reinterpret_cast<HWND>(w.id), WM_PAINT, 0, 0, tickCount(), {0, 0}};
        if (w.id && !w.foreign && w.invalid && w.visible &&
            matches(paint, window, filterMin, filterMax)) {
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
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        drainEvents();
        if (queued > 0 || quitPosted || ((wakeMask & QS_PAINT) && paintDue()))
            return WAIT_OBJECT_0 + count;
        int timeout = -1;
        if (milliseconds != INFINITE) {
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long long spent =
                (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
            if (spent >= milliseconds)
                return WAIT_TIMEOUT;
            const long long left = milliseconds - spent;
            timeout = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        if (!connection) {
            if (timeout < 0)
                return WAIT_FAILED; // nothing could ever end it
            timespec pause{timeout / 1000, (timeout % 1000) * 1000000L};
            nanosleep(&pause, nullptr);
            return WAIT_TIMEOUT;
        }
        pollfd descriptor{ConnectionNumber(connection), POLLIN, 0};
        if (poll(&descriptor, 1, timeout) < 0 && errno == EINTR)
            return WAIT_TIMEOUT;
    }
}

LRESULT WINAPI DispatchMessageA(const MSG *message) {
    WindowRecord *record = message ? findWindow(message->hwnd) : nullptr;
    if (!record || record->foreign)
        return 0;
    return send(*record, message->message, message->wParam, message->lParam);
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

void WINAPI PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window && !findWindow(window))
        return FALSE;
    return enqueue(window, message, wParam, lParam, tickCount(), false) ? TRUE : FALSE;
}
