#include "app/window.h"

#include "tunnel/effect.h"
#include "tunnel/state.h"

namespace {

const char kTitle[] = "Vorticel";
const char kAboutText[] = "Very open interpretation of this week theme :)\n"
                          "This is a rewrite of my first Quorvane entry,\n"
                          " then it is a rebirth...\n"
                          "\n"
                          "Keys:\n"
                          " 1...4: set nb poly\n"
                          " SPACE: enable/disable sinusoide size\n"
                          " ESC: stop tunnel\n"
                          "\n"
                          "May the FUN be with you!";

void fatalBlow(const char *text) {
    MessageBoxA(nullptr, text, "Fatal Blow", MB_ICONHAND);
}

} // namespace

void showAbout() {
    MessageBoxA(nullptr, kAboutText, kTitle, MB_OK);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    showAbout();
    running = false;

    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kTitle;
    if (!RegisterClassA(&windowClass)) {
        fatalBlow("Failed to register the idiot window class, right before creating the window.");
        return 0;
    }

    HWND window = CreateWindowExA(
        0, kTitle, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
    if (!window) {
        fatalBlow("Failed to create the effect window.");
        return 0;
    }
    windowHandle = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    startFrameClock();

    initEffect("grottebl.jpg");
    running = true;

    // Never waits: whenever the queue is empty, ask for the next frame.
    MSG message = {};
    bool done = false;
    while (!done) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                done = true;
            } else {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        } else {
            InvalidateRect(window, nullptr, FALSE);
        }
    }

    running = false;
    shutdownEffect();
    return static_cast<int>(message.wParam);
}
