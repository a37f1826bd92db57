// The one window class set-up and the one message loop of every desktop shell: the loop owns
// the frames, asking for one whenever the queue is empty and a frame is due.
#pragma once

#include <windows.h>

// Registers the class of an effect window: its own device context (CS_OWNDC, which the
// rendering context is made on), redrawn whole when resized, the arrow cursor. Returns
// RegisterClassA's result: 0 when it failed.
ATOM registerEffectClass(HINSTANCE instance, LPCSTR className, WNDPROC procedure);

// Asked whenever the queue is empty: true when a frame is due now; otherwise false, with the
// milliseconds the loop may sleep until one is due (or until input comes) in waitMs, 0 to look
// again at once.
typedef bool (*FrameDue)(HWND window, DWORD &waitMs);

// Sets running, then dispatches every message until WM_QUIT, whose exit code it returns after
// clearing running. With the queue empty it invalidates the window when a frame is due, so the
// next pass gets one WM_PAINT; frameDue null means a frame is always due, so the loop never
// waits.
int runFrameLoop(HWND window, FrameDue frameDue);
