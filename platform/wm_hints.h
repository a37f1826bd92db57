// What the window manager reads and writes (wm_hints.cpp): uses nothing else of platform/.
#pragma once

#include "windows.h"

#include <X11/Xlib.h>

namespace platform {

struct EventMatch {
    ::Window window;
    int type;
    Atom property; // for PropertyNotify
};
// Waits for a matching event, at most timeoutMs; other events stay queued for PeekMessageA.
bool waitForEvent(Display *connection, const EventMatch &match, XEvent *event, int timeoutMs);
// Whether an EWMH window manager runs on the display.
bool windowManagerRunning(Display *connection);
// The frame the window manager puts around a client: left, right, top, bottom (0 without).
void frameExtents(Display *connection, ::Window window, long extents[4]);
// Asks the window manager for the frame it would add, and waits briefly for the answer.
void requestFrameExtents(Display *connection, ::Window window);
// Sets WM_NAME and _NET_WM_NAME from Latin-1 text.
void setTitle(Display *connection, ::Window window, LPCSTR text);
// WM_DELETE_WINDOW: asking for it, and recognising the window manager's close request.
void setDeleteProtocol(Display *connection, ::Window window);
bool deleteWindowMessage(Display *connection, const XEvent &event);
// A WS_POPUP top-level window: no frame, and the full-screen state when it covers the screen.
void setPopupHints(Display *connection, ::Window window, bool fullScreen);

} // namespace platform
