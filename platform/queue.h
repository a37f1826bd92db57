// The thread's message queue (queue.cpp): stores posted and input messages and the quit
// message, and hands them out in arrival order; knows nothing of windows, paints or X.
#pragma once

#include "windows.h"

namespace platform {

// Milliseconds of the monotonic clock: the time stamp of queued messages.
DWORD tickCount();
// Adds a message at the back (or the front); false when the queue is full.
bool enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time, bool front);
bool queueFull();
void dropMessagesFor(HWND window);

// Whether PeekMessageA's filter (a window, or -1 for thread messages; a message range) lets
// the message through.
bool passesFilter(const MSG &message, HWND window, UINT filterMin, UINT filterMax);
// The first stored message that passes the filter: queued ones as they came, then WM_QUIT.
bool takeStored(MSG *message, HWND window, UINT filterMin, UINT filterMax, bool remove);
// Whether anything is stored at all.
bool messageStored();

} // namespace platform
