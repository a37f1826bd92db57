#include "fake_win32.h"

#include <GL/gl.h>

#include <algorithm>

#include "shell/window.h"
#include "tunnel/effect.h"
#include "tunnel/flight.h"
#include "tunnel/state.h"

FakeSystem fake;

namespace {
WNDPROC windowProcedure = nullptr;
}

int FakeSystem::count(const std::string &name) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), name));
}

int FakeSystem::indexOf(const std::string &name) const {
    auto it = std::find(calls.begin(), calls.end(), name);
    return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
}

void resetFake() {
    fake = FakeSystem();
    windowProcedure = windowProc;
    running = false;
    perfFrequency = perfStart = perfNow = 0;
    deviceContext = nullptr;
    glContext = nullptr;
    windowHandle = nullptr;
    clientWidth = clientHeight = 0;
    timeNow = timeDelta = fpsMarkTime = 0.0f;
    resetFlight();
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass) {
    fake.calls.push_back("RegisterClassA");
    fake.registeredClass = *windowClass;
    windowProcedure = windowClass->lpfnWndProc;
    return fake.registerResult;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) {
    fake.calls.push_back(name == IDC_ARROW ? "LoadCursorA(IDC_ARROW)" : "LoadCursorA");
    return reinterpret_cast<HCURSOR>(0x4000);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD style, int x, int y, int width, int height,
                            HWND, HMENU, HINSTANCE, LPVOID) {
    fake.calls.push_back("CreateWindowExA");
    fake.createStyle = style;
    fake.createX = x;
    fake.createY = y;
    fake.createWidth = width;
    fake.createHeight = height;
    if (fake.createFails)
        return nullptr;
    // As on Windows: WM_CREATE and the first WM_SIZE arrive inside the call.
    windowProcedure(kFakeWindow, WM_CREATE, 0, 0);
    windowProcedure(kFakeWindow, WM_SIZE, 0, MAKELPARAM(624, 441));
    return kFakeWindow;
}

BOOL WINAPI ShowWindow(HWND, int command) {
    fake.calls.push_back("ShowWindow(" + std::to_string(command) + ")");
    return TRUE;
}

BOOL WINAPI UpdateWindow(HWND window) {
    fake.calls.push_back("UpdateWindow");
    windowProcedure(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI PeekMessageA(MSG *message, HWND, UINT, UINT, UINT remove) {
    fake.calls.push_back("PeekMessageA");
    if (!fake.queue.empty()) {
        *message = fake.queue.front();
        if (remove & PM_REMOVE)
            fake.queue.pop_front();
        return TRUE;
    }
    if (fake.invalid) {
        *message = MSG();
        message->hwnd = kFakeWindow;
        message->message = WM_PAINT;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG *) {
    fake.calls.push_back("TranslateMessage");
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *message) {
    fake.calls.push_back("DispatchMessageA");
    if (message->message == WM_QUIT)
        ++fake.quitDispatches;
    return windowProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

BOOL WINAPI InvalidateRect(HWND, const RECT *, BOOL) {
    fake.calls.push_back("InvalidateRect");
    fake.invalid = true;
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND, const RECT *) {
    fake.calls.push_back("ValidateRect");
    fake.invalid = false;
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    fake.calls.push_back("DefWindowProcA");
    if (message == WM_CLOSE)
        windowProcedure(window, WM_DESTROY, 0, 0);
    return 0;
}

void WINAPI PostQuitMessage(int exitCode) {
    fake.calls.push_back("PostQuitMessage");
    MSG quit = {};
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(exitCode);
    fake.queue.push_back(quit);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    fake.calls.push_back("PostMessageA");
    MSG posted = {};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    fake.queue.push_back(posted);
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND, LPCSTR) {
    fake.calls.push_back("SetWindowTextA");
    return TRUE;
}

HDC WINAPI GetDC(HWND) {
    fake.calls.push_back("GetDC");
    return kFakeDc;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    fake.calls.push_back(owner ? "MessageBoxA(owned)" : "MessageBoxA");
    fake.boxTexts.push_back(text);
    fake.boxCaptions.push_back(caption);
    fake.boxTypes.push_back(type);
    return IDOK;
}

int WINAPI GetDeviceCaps(HDC, int index) {
    fake.calls.push_back("GetDeviceCaps");
    return index == BITSPIXEL ? fake.bitsPerPixel : 0;
}

int WINAPI ChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR *request) {
    fake.calls.push_back("ChoosePixelFormat");
    fake.chosenRequest = *request;
    return 7;
}

BOOL WINAPI SetPixelFormat(HDC, int, const PIXELFORMATDESCRIPTOR *) {
    fake.calls.push_back("SetPixelFormat");
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC) {
    fake.calls.push_back("SwapBuffers");
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC) {
    fake.calls.push_back("wglCreateContext");
    return kFakeContext;
}

BOOL WINAPI wglMakeCurrent(HDC, HGLRC context) {
    fake.calls.push_back(context ? "wglMakeCurrent" : "wglMakeCurrent(null)");
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    fake.calls.push_back(context == kFakeContext ? "wglDeleteContext" : "wglDeleteContext(?)");
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
    fake.calls.push_back("QueryPerformanceFrequency");
    frequency->QuadPart = fake.frequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count) {
    fake.calls.push_back("QueryPerformanceCounter");
    count->QuadPart = fake.counter;
    return TRUE;
}

void WINAPI OutputDebugStringA(LPCSTR text) {
    fake.calls.push_back("OutputDebugStringA");
    fake.debugOutput += text;
}

void GLAPIENTRY glViewport(GLint, GLint, GLsizei width, GLsizei height) {
    fake.calls.push_back("glViewport");
    fake.viewportWidth = width;
    fake.viewportHeight = height;
}

// The effect's entry points, as the shell sees them.
bool initEffect(const char *) {
    fake.calls.push_back("initEffect");
    fake.runningDuringInit = running;
    return true;
}

void renderFrame() {
    fake.calls.push_back("renderFrame");
    ++fake.frames;
    if (fake.frames == fake.closeAfterFrames)
        PostMessageA(kFakeWindow, WM_CLOSE, 0, 0);
}

DWORD WINAPI MsgWaitForMultipleObjects(DWORD, const HANDLE *, BOOL, DWORD, DWORD) {
    fake.calls.push_back("MsgWaitForMultipleObjects");
    return WAIT_TIMEOUT;
}
