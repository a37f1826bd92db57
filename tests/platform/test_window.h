// A recording window procedure and helpers shared by the platform tests.
#pragma once

// GoogleTest first: the X headers define macros (None, Bool) that would clash with it.
#include <gtest/gtest.h>

#include "internal.h"

#include <vector>

struct Delivered {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the procedure saw, and how it answers.
struct Recorder {
    std::vector<Delivered> log;
    LRESULT createResult = 0;
    bool validateOnPaint = true;
    bool dcDuringCreate = false;

    size_t count(UINT message) const {
        size_t n = 0;
        for (const Delivered &d : log)
            n += d.message == message;
        return n;
    }
    std::vector<UINT> messages() const {
        std::vector<UINT> out;
        for (const Delivered &d : log)
            out.push_back(d.message);
        return out;
    }
};

inline Recorder recorder;

inline LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    recorder.log.push_back({window, message, wParam, lParam});
    if (message == WM_CREATE) {
        recorder.dcDuringCreate = GetDC(window) != nullptr;
        return recorder.createResult;
    }
    if (message == WM_PAINT && recorder.validateOnPaint) {
        ValidateRect(window, nullptr);
        return 0;
    }
    if (message == WM_CLOSE)
        return DefWindowProcA(window, message, wParam, lParam);
    return 0;
}

inline const char *testClassName() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = recordingProcedure;
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = "PlatformTest";
        registered = RegisterClassA(&windowClass) != 0;
    }
    return "PlatformTest";
}

inline HWND createTestWindow(const char *title = "Platform test") {
    recorder = Recorder{};
    return CreateWindowExA(0, testClassName(), title,
                           WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
                           CW_USEDEFAULT, 640, 480, nullptr, nullptr, nullptr, nullptr);
}

inline ::Window xidOf(HWND window) {
    platform::WindowRecord *record = platform::findWindow(window);
    return record ? record->xid : 0;
}

// Takes and dispatches everything pending, as the shell's loop does, and returns what was
// taken (WM_QUIT is taken but not dispatched).
inline std::vector<MSG> pumpMessages() {
    std::vector<MSG> taken;
    MSG message;
    while (taken.size() < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        taken.push_back(message);
        if (message.message == WM_QUIT)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return taken;
}

inline void closeTestWindow(HWND window) {
    if (platform::findWindow(window))
        DefWindowProcA(window, WM_CLOSE, 0, 0);
    pumpMessages();
}
