// The thread's message queue: posted and input messages in arrival order, WM_QUIT, the order
// in which PeekMessageA hands them out with the paints, and the wait for the next one.
#include "queue.h"

#include <poll.h>

#include <array>
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

bool queueFull() {
    return queued == queue.size();
}

void dropMessagesFor(HWND window) {
    size_t kept = 0;
    for (size_t i = 0; i < queued; ++i)
        if (queue[i].hwnd != window)
            queue[kept++] = queue[i];
    queued = kept;
}

bool takeMessage(MSG *message, HWND window, UINT filterMin, UINT filterMax, bool remove,
                 const HWND *paintsDue, size_t paintCount) {
    for (size_t i = 0; i < queued; ++i) {
        if (matches(queue[i], window, filterMin, filterMax)) {
            *message = queue[i];
            if (remove) {
                std::memmove(&queue[i], &queue[i + 1], (queued - i - 1) * sizeof(MSG));
                --queued;
            }
            return true;
        }
    }
    const MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, tickCount(), {0, 0}};
    if (quitPosted && matches(quit, window, filterMin, filterMax)) {
        *message = quit;
        if (remove)
            quitPosted = false;
        return true;
    }
    for (size_t i = 0; i < paintCount; ++i) {
        const MSG paint{paintsDue[i], WM_PAINT, 0, 0, tickCount(), {0, 0}};
        if (matches(paint, window, filterMin, filterMax)) {
            *message = paint;
            return true;
        }
    }
    return false;
}

DWORD waitForMessage(DWORD milliseconds, int descriptor, bool (*pump)()) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        const bool due = pump();
        if (queued > 0 || quitPosted || due)
            return WAIT_OBJECT_0;
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

} // namespace platform

using namespace platform;

void WINAPI PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}
