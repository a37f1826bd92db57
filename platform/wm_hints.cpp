// What the window manager reads and writes: titles, the close protocol, the frame it adds
// around a window and the full-screen state; and waiting for one of its replies.
#include "wm_hints.h"

#include <X11/Xatom.h>

#include <poll.h>

#include <chrono>
#include <cstdio>

namespace platform {

namespace {

// Atoms are the server's, so one lookup serves every connection to it.
struct Atoms {
    bool interned = false;
    Atom protocols, deleteWindow, netWmName, utf8, frameExtents, requestFrameExtents,
        supportingWmCheck, wmState, wmStateFullScreen, motifHints;
} atoms;

const Atoms &atomsFor(Display *connection) {
    if (!atoms.interned) {
        atoms.interned = true;
        atoms.protocols = XInternAtom(connection, "WM_PROTOCOLS", False);
        atoms.deleteWindow = XInternAtom(connection, "WM_DELETE_WINDOW", False);
        atoms.netWmName = XInternAtom(connection, "_NET_WM_NAME", False);
        atoms.utf8 = XInternAtom(connection, "UTF8_STRING", False);
        atoms.frameExtents = XInternAtom(connection, "_NET_FRAME_EXTENTS", False);
        atoms.requestFrameExtents = XInternAtom(connection, "_NET_REQUEST_FRAME_EXTENTS", False);
        atoms.supportingWmCheck = XInternAtom(connection, "_NET_SUPPORTING_WM_CHECK", False);
        atoms.wmState = XInternAtom(connection, "_NET_WM_STATE", False);
        atoms.wmStateFullScreen = XInternAtom(connection, "_NET_WM_STATE_FULLSCREEN", False);
        atoms.motifHints = XInternAtom(connection, "_MOTIF_WM_HINTS", False);
    }
    return atoms;
}

bool readWindowProperty(Display *connection, ::Window window, Atom property, Atom type, long count,
                        long *values) {
    Atom actualType = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(connection, window, property, 0, count, False, type, &actualType,
                           &format, &items, &after, &data) != Success)
        return false;
    const bool ok =
        data && actualType == type && format == 32 && items == static_cast<unsigned long>(count);
    if (ok)
        for (long i = 0; i < count; ++i)
            values[i] = reinterpret_cast<long *>(data)[i];
    if (data)
        XFree(data);
    return ok;
}

Bool matchEvent(Display *, XEvent *event, XPointer argument) {
    const EventMatch *match = reinterpret_cast<const EventMatch *>(argument);
    if (event->type != match->type || event->xany.window != match->window)
        return False;
    return match->type != PropertyNotify || event->xproperty.atom == match->property;
}

} // namespace

bool waitForEvent(Display *connection, const EventMatch &match, XEvent *event, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (XCheckIfEvent(connection, event, matchEvent,
                          reinterpret_cast<XPointer>(const_cast<EventMatch *>(&match))))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd descriptor{ConnectionNumber(connection), POLLIN, 0};
        poll(&descriptor, 1, static_cast<int>(left));
    }
}

// An EWMH window manager names a check window on the root that names itself again.
bool windowManagerRunning(Display *connection) {
    const Atoms &a = atomsFor(connection);
    long check = 0, again = 0;
    if (!readWindowProperty(connection, DefaultRootWindow(connection), a.supportingWmCheck,
                            XA_WINDOW, 1, &check))
        return false;
    return readWindowProperty(connection, static_cast<::Window>(check), a.supportingWmCheck,
                              XA_WINDOW, 1, &again) &&
           again == check;
}

void frameExtents(Display *connection, ::Window window, long extents[4]) {
    if (!readWindowProperty(connection, window, atomsFor(connection).frameExtents, XA_CARDINAL, 4,
                            extents))
        extents[0] = extents[1] = extents[2] = extents[3] = 0;
}

void requestFrameExtents(Display *connection, ::Window window) {
    const Atoms &a = atomsFor(connection);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window;
    request.xclient.message_type = a.requestFrameExtents;
    request.xclient.format = 32;
    XSendEvent(connection, DefaultRootWindow(connection), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XEvent reply;
    waitForEvent(connection, EventMatch{window, PropertyNotify, a.frameExtents}, &reply, 300);
}

void setTitle(Display *connection, ::Window window, LPCSTR text) {
    // The text is Latin-1; WM_NAME takes it as is, _NET_WM_NAME wants UTF-8.
    char latin[512];
    std::snprintf(latin, sizeof latin, "%s", text ? text : "");
    char utf8[2 * sizeof latin];
    size_t length = 0;
    for (const unsigned char *c = reinterpret_cast<const unsigned char *>(latin); *c; ++c) {
        if (*c < 0x80) {
            utf8[length++] = static_cast<char>(*c);
        } else {
            utf8[length++] = static_cast<char>(0xC0 | (*c >> 6));
            utf8[length++] = static_cast<char>(0x80 | (*c & 0x3F));
        }
    }
    XStoreName(connection, window, latin);
    const Atoms &a = atomsFor(connection);
    XChangeProperty(connection, window, a.netWmName, a.utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(utf8), static_cast<int>(length));
}

bool deleteWindowMessage(Display *connection, const XEvent &event) {
    const Atoms &a = atomsFor(connection);
    return event.type == ClientMessage && event.xclient.message_type == a.protocols &&
           event.xclient.format == 32 &&
           static_cast<Atom>(event.xclient.data.l[0]) == a.deleteWindow;
}

void setDeleteProtocol(Display *connection, ::Window window) {
    Atom protocols[] = {atomsFor(connection).deleteWindow};
    XSetWMProtocols(connection, window, protocols, 1);
}

void setPopupHints(Display *connection, ::Window window, bool fullScreen) {
    const Atoms &a = atomsFor(connection);
    // No frame around a pop-up window: the Motif hints' decorations field, cleared.
    const long motif[5] = {2 /* decorations given */, 0, 0, 0, 0};
    XChangeProperty(connection, window, a.motifHints, a.motifHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(motif), 5);
    // Read by the window manager when the window is first mapped.
    if (fullScreen)
        XChangeProperty(connection, window, a.wmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(&a.wmStateFullScreen), 1);
}

} // namespace platform
