// Shared state of the X11/GLX implementation of the Win32 subset. Internal to platform/.
#pragma once

#include "windows.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

namespace platform {

// The one connection that the windows, the message queue, WGL and the message boxes share,
// opened on first use and kept for the whole run. Returns null (and says why on standard
// error, once) when no display can be opened.
Display *display();

// Whether an EWMH window manager runs on the display.
bool windowManagerRunning(Display *connection);
// Sets WM_NAME and _NET_WM_NAME from Latin-1 text.
void setTitle(Display *connection, ::Window window, LPCSTR text);
// WM_DELETE_WINDOW: asking for it, and recognising the window manager's close request.
void setDeleteProtocol(Display *connection, ::Window window);
bool deleteWindowMessage(Display *connection, const XEvent &event);

// Failures that are written to standard error once per run, one line each.
enum class Failure { NoDisplay, NoPixelFormat, NoContext };
void reportOnce(Failure kind, const char *why);

struct WindowRecord {
    uintptr_t id = 0; // the HWND (and HDC) value; 0 marks a free slot
    ::Window xid = 0;
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
};

WindowRecord *findWindow(HWND window);
WindowRecord *findWindow(HDC deviceContext);

// Visual for a pixel format request; false when GLX offers none.
bool chooseVisual(const PIXELFORMATDESCRIPTOR &request, XVisualInfo *out);
// The pixel format request that windows get their visual for at creation: the one the shell
// makes (double-buffered RGBA, the screen's colour depth, 16-bit depth buffer).
PIXELFORMATDESCRIPTOR defaultPixelFormat(Display *connection);

} // namespace platform
