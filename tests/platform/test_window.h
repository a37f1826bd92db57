// A recording window procedure and helpers shared by the platform display tests.
#pragma once

// GoogleTest first: the X headers define macros (None, Bool) that would clash with it.
#include <gtest/gtest.h>

#include "display.h"
#include "visual.h"
#include "window_table.h"

#include <string>
#include <vector>

struct Delivered {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
inline std::vector<Delivered> delivered;
// Some tests talk to the server from a second thread, on a connection of its own.
inline const int threadsReady = XInitThreads();
inline bool dcDuringCreate = false;

inline std::vector<UINT> messages() {
    std::vector<UINT> out;
    for (const Delivered &d : delivered)
        out.push_back(d.message);
    return out;
}

inline LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    delivered.push_back({window, message, wParam, lParam});
    if (message == WM_CREATE)
        dcDuringCreate = GetDC(window) != nullptr;
    if (message == WM_PAINT)
        ValidateRect(window, nullptr);
    return message == WM_CLOSE ? DefWindowProcA(window, message, wParam, lParam) : 0;
}

// A window of the recording class, with what it was sent so far forgotten.
inline HWND createTestWindow(DWORD style = WS_OVERLAPPEDWINDOW, int width = 640, int height = 480,
                             HWND parent = nullptr, DWORD exStyle = 0) {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = recordingProcedure;
        windowClass.lpszClassName = "PlatformTest";
        return RegisterClassA(&windowClass) != 0;
    }();
    EXPECT_TRUE(registered);
    delivered.clear();
    const int at = style & (WS_CHILD | WS_POPUP) ? 0 : CW_USEDEFAULT;
    return CreateWindowExA(exStyle, "PlatformTest", "Platform test", style, at, at, width, height,
                           parent, nullptr, nullptr, nullptr);
}

inline ::Window xidOf(HWND window) {
    platform::WindowRecord *record = platform::findWindow(window);
    return record ? record->xid : 0;
}

inline XWindowAttributes attributesOf(HWND window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(platform::display(), xidOf(window), &attributes);
    return attributes;
}

// Takes and dispatches everything pending, as the shell's loop does (WM_QUIT is not dispatched).
inline void pumpMessages() {
    MSG message;
    for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (message.message == WM_QUIT)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

inline void closeTestWindow(HWND window) {
    if (platform::findWindow(window))
        DefWindowProcA(window, WM_CLOSE, 0, 0);
    pumpMessages();
}

// What the window manager's close button sends.
inline void sendDeleteWindow(Display *display, ::Window xid) {
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = xid;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, xid, False, NoEventMask, &close);
    XSync(display, False);
}

inline std::string textProperty(Display *display, ::Window xid, const char *name) {
    XTextProperty property{};
    XGetTextProperty(display, xid, &property, XInternAtom(display, name, False));
    std::string value(reinterpret_cast<char *>(property.value), property.nitems);
    XFree(property.value);
    return value;
}
