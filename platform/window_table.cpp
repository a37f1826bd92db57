// The table of windows: the program's own and wrapped windows of other programs, by handle
// and by X id; their window procedures; their end, by DestroyWindow or by someone else.
#include "window_table.h"

#include "display.h"
#include "queue.h"

#include "vorticel_x11.h"

namespace platform {

namespace {

std::array<WindowRecord, maxWindows> windows;
uintptr_t nextWindowId = 1;

// Windows of other programs, and ours inside them, that are gone: errors about them still
// arrive for a while.
std::array<XID, 16> departed{};
size_t departedNext = 0;

// Whether an X error about this resource is to be expected: it is, or was, a window of
// another program or one of our windows inside such a window.
bool foreignResource(XID resource) {
    for (XID gone : departed)
        if (gone && gone == resource)
            return true;
    const WindowRecord *record = findByXid(resource);
    return record && (record->foreign || insideForeign(*record));
}

void forget(WindowRecord &record) {
    if (record.foreign || insideForeign(record)) {
        departed[departedNext] = record.xid;
        departedNext = (departedNext + 1) % departed.size();
    }
    dropMessagesFor(reinterpret_cast<HWND>(record.id));
    record = WindowRecord{};
}

} // namespace

std::array<WindowRecord, maxWindows> &windowTable() {
    return windows;
}

WindowRecord *freeSlot() {
    for (WindowRecord &w : windows)
        if (!w.id)
            return &w;
    return nullptr;
}

uintptr_t newWindowId() {
    return nextWindowId++;
}

WindowRecord *findWindow(HWND window) {
    const uintptr_t id = reinterpret_cast<uintptr_t>(window);
    if (!id)
        return nullptr;
    for (WindowRecord &w : windows)
        if (w.id == id)
            return &w;
    return nullptr;
}

WindowRecord *findWindow(HDC deviceContext) {
    WindowRecord *record = findWindow(reinterpret_cast<HWND>(deviceContext));
    return record && !record->foreign ? record : nullptr;
}

WindowRecord *findByXid(::Window xid) {
    for (WindowRecord &w : windows)
        if (w.id && w.xid == xid)
            return &w;
    return nullptr;
}

bool insideForeign(const WindowRecord &record) {
    const WindowRecord *parent = findWindow(reinterpret_cast<HWND>(record.parent));
    return parent && (parent->foreign || insideForeign(*parent));
}

LRESULT send(WindowRecord &record, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = record.procedure;
    return procedure ? procedure(reinterpret_cast<HWND>(record.id), message, wParam, lParam) : 0;
}

void destroyWindow(WindowRecord &record) {
    Display *connection = display();
    if (record.destroying || record.foreign || !connection)
        return;
    record.destroying = true;
    const uintptr_t id = record.id;
    send(record, WM_DESTROY, 0, 0);
    // As on Windows, the children are destroyed after their parent has had its WM_DESTROY.
    for (WindowRecord &w : windows)
        if (w.id && w.parent == id)
            destroyWindow(w);
    WindowRecord *again = findWindow(reinterpret_cast<HWND>(id));
    if (!again)
        return;
    if (!again->gone)
        XDestroyWindow(connection, again->xid);
    XFreeColormap(connection, again->colormap);
    XSync(connection, False);
    forget(*again);
}

void windowDestroyed(WindowRecord &record) {
    // Destroyed by someone else: another program's window, or ours with its parent. As when
    // a parent is destroyed on Windows, our window gets its WM_DESTROY.
    if (record.foreign) {
        forget(record);
    } else if (!record.destroying) {
        record.gone = true;
        destroyWindow(record);
    }
}

} // namespace platform

using namespace platform;

HWND vorticelForeignWindow(unsigned long xid) {
    Display *connection = display();
    if (!connection || !xid)
        return nullptr;
    if (WindowRecord *known = findByXid(xid))
        return known->foreign ? reinterpret_cast<HWND>(known->id) : nullptr;
    WindowRecord *record = freeSlot();
    if (!record)
        return nullptr;
    // From now on errors about windows of other programs may come at any time.
    setExpectedErrors(foreignResource);
    XWindowAttributes attributes{};
    {
        QuietErrors quiet;
        if (!XGetWindowAttributes(connection, xid, &attributes) || quiet.errors())
            return nullptr;
        // Size changes and the window's end; the owner's own selection is not touched.
        XSelectInput(connection, xid, StructureNotifyMask);
        if (quiet.errors())
            return nullptr;
    }
    record->id = newWindowId();
    record->xid = xid;
    record->foreign = true;
    record->visible = attributes.map_state != IsUnmapped;
    record->width = attributes.width;
    record->height = attributes.height;
    return reinterpret_cast<HWND>(record->id);
}

HWND WINAPI GetDesktopWindow() {
    Display *connection = display();
    return connection ? vorticelForeignWindow(DefaultRootWindow(connection)) : nullptr;
}

BOOL WINAPI IsWindow(HWND window) {
    return findWindow(window) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND window, RECT *rect) {
    WindowRecord *record = findWindow(window);
    if (!record || !rect)
        return FALSE;
    *rect = RECT{0, 0, record->width, record->height};
    return TRUE;
}

HDC WINAPI GetDC(HWND window) {
    WindowRecord *record = findWindow(window);
    return record && !record->foreign ? reinterpret_cast<HDC>(record->id) : nullptr;
}
