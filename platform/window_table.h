// The table of windows (window_table.cpp): the program's windows and wrapped windows of other
// programs, found by handle or X id, sent messages, and destroyed.
#pragma once

#include "windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <cstddef>

namespace platform {

struct WindowRecord {
    uintptr_t id = 0; // the HWND (and HDC) value; 0 marks a free slot
    ::Window xid = 0;
    uintptr_t parent = 0; // the parent's HWND value; 0 for a top-level window
    bool foreign = false; // another program's window, wrapped: never drawn into or destroyed
    bool child = false;   // WS_CHILD: placed in its parent, sized only by the program
    bool popup = false;   // WS_POPUP top-level: no frame, the client is the whole size
    Colormap colormap = 0;
    WNDPROC procedure = nullptr;
    XVisualInfo visual{}; // the visual the X window was created with
    int pixelFormat = 0;  // set by SetPixelFormat
    int x = 0, y = 0;     // requested position, used when placed is set
    bool placed = false;
    bool arrowCursor = false;
    int outerWidth = 0, outerHeight = 0; // requested size, frame included
    int width = 0, height = 0;           // client size, as WM_SIZE reports it
    bool visible = false;                // shown by ShowWindow
    bool invalid = false;                // a paint is pending
    bool destroying = false;
    bool gone = false; // the X window was destroyed by someone else
};

constexpr size_t maxWindows = 16;
std::array<WindowRecord, maxWindows> &windowTable();
// A free slot, and the handle value for the window put in it; null when all are taken.
WindowRecord *freeSlot();
uintptr_t newWindowId();

WindowRecord *findWindow(HWND window);
WindowRecord *findWindow(HDC deviceContext); // the program's own windows only
WindowRecord *findByXid(::Window xid);
// Inside another program's window, at any depth.
bool insideForeign(const WindowRecord &record);
LRESULT send(WindowRecord &record, UINT message, WPARAM wParam, LPARAM lParam);

// As DestroyWindow: WM_DESTROY, the children, then the X window and its queued messages.
void destroyWindow(WindowRecord &record);
// The X window was destroyed by someone else: with its parent, or another program's own.
void windowDestroyed(WindowRecord &record);

} // namespace platform
