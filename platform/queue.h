// The thread's message queue (queue.cpp): stores posted and input messages and hands them
// out in PeekMessageA's order; knows nothing of windows or of X.
#pragma once

#include "windows.h"

#include <cstddef>

namespace platform {

// Milliseconds of the monotonic clock: the time stamp of queued messages.
DWORD tickCount();
// Adds a message at the back (or the front); false when the queue is full.
bool enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time, bool front);
bool queueFull();
void dropMessagesFor(HWND window);

// PeekMessageA's order: queued messages as they came, then WM_QUIT, then a paint of the first
// of the windows whose paint is due that the filter lets through. Paints are not queued: the
// same one is handed out again until the window is validated.
bool takeMessage(MSG *message, HWND window, UINT filterMin, UINT filterMax, bool remove,
                 const HWND *paintsDue, size_t paintCount);

// MsgWaitForMultipleObjects's wait on the X connection (descriptor -1 without one): returns
// WAIT_OBJECT_0 once a message is queued or `pump` says something else is due, WAIT_TIMEOUT
// when the time has passed or a signal came. `pump` moves what the server sent into the queue;
// it is called at once and after every wake.
DWORD waitForMessage(DWORD milliseconds, int descriptor, bool (*pump)());

} // namespace platform
