#include "shell/frame_loop.h"

#include "shell/window.h"

ATOM registerEffectClass(HINSTANCE instance, LPCSTR className, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    // Icon 1 of the executable (packaging/windows/version.rc.in), which Explorer shows too.
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className;
    return RegisterClassA(&windowClass);
}

int runFrameLoop(HWND window, FrameDue frameDue) {
    running = true;
    MSG message = {};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                break;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        DWORD waitMs = 0;
        if (!frameDue || frameDue(window, waitMs))
            InvalidateRect(window, nullptr, FALSE);
        else if (waitMs > 0)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    }
    running = false;
    return static_cast<int>(message.wParam);
}
