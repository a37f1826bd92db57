// Shared state of the X11/GLX implementation of the Win32 subset. Internal to platform/.
#pragma once

#include "windows.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <array>

namespace platform {

// The one connection that the windows, the message queue, WGL and the message boxes share,
// opened on first use and kept for the whole run. Returns null (and says why on standard
// error, once) when no display can be opened.
Display *display();

// Failures that are written to standard error once per run, one line each.
enum class Failure { NoDisplay, NoPixelFormat, NoContext };
void reportOnce(Failure kind, const char *why);

// While one lives, X errors are counted instead of reported: for requests on windows of other
// programs, which may be gone at any moment. errors() waits for the server's answers first.
class QuietErrors {
  public:
    QuietErrors();
    ~QuietErrors();
    int errors();

  private:
    int before;
};

// The window manager (wm_hints.cpp).
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

// The windows (window.cpp).
std::array<WindowRecord, 16> &windowTable();
WindowRecord *findWindow(HWND window);
WindowRecord *findWindow(HDC deviceContext);
WindowRecord *findByXid(::Window xid);
LRESULT send(WindowRecord &record, UINT message, WPARAM wParam, LPARAM lParam);
// As DestroyWindow: WM_DESTROY, the children, then the X window and its queued messages.
void destroyWindow(WindowRecord &record);
// Whether an X error about this resource is to be expected: it is, or was, a window of
// another program or one of our windows inside such a window.
bool foreignResource(XID resource);
// The structure events of our windows and wrapped ones: size, destruction.
void windowConfigured(WindowRecord &record, const XConfigureEvent &event);
void windowDestroyed(WindowRecord &record);

// The message queue (queue.cpp).
DWORD tickCount();
bool enqueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD time, bool front);
void dropMessagesFor(HWND window);

// The keyboard (keyboard.cpp): a key event as WM_KEYDOWN or WM_KEYUP.
void postKey(WindowRecord &record, XKeyEvent &event);

// Visual for a pixel format request; false when GLX offers none.
bool chooseVisual(const PIXELFORMATDESCRIPTOR &request, XVisualInfo *out);
// The pixel format request that windows get their visual for at creation: the one the shell
// makes (double-buffered RGBA, the screen's colour depth, 16-bit depth buffer).
PIXELFORMATDESCRIPTOR defaultPixelFormat(Display *connection);

} // namespace platform
