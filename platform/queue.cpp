// The thread's message queue: posted and input messages in arrival order, and WM_QUIT.
#include "queue.h"

#include <array>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// Posted and input messages in arrival order; a fixed array, so the loop never allocates.
std::array<MSG, 256> queue;
size_t queued = 0;
bool quitPosted = false;
int quitCode = 0;

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

bool passesFilter(const MSG &message, HWND window, UINT filterMin, UINT filterMax) {
    if (window == reinterpret_cast<HWND>(static_cast<intptr_t>(-1))) {
        if (message.hwnd)
            return false;
    } else if (window && message.hwnd != window) {
        return false;
    }
    return (filterMin == 0 && filterMax == 0) ||
           (message.message >= filterMin && message.message <= filterMax);
}

bool takeStored(MSG *message, HWND window, UINT filterMin, UINT filterMax, bool remove) {
    for (size_t i = 0; i < queued; ++i) {
        if (passesFilter(queue[i], window, filterMin, filterMax)) {
            *message = queue[i];
            if (remove) {
                std::memmove(&queue[i], &queue[i + 1], (queued - i - 1) * sizeof(MSG));
                --queued;
            }
            return true;
        }
    }
    const MSG quit{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, tickCount(), {0, 0}};
    if (quitPosted && passesFilter(quit, window, filterMin, filterMax)) {
        *message = quit;
        if (remove)
            quitPosted = false;
        return true;
    }
    return false;
}

bool messageStored() {
    return queued > 0 || quitPosted;
}

} // namespace platform

void WINAPI PostQuitMessage(int exitCode) {
    platform::quitPosted = true;
    platform::quitCode = exitCode;
}
