// Vorticel's WinMain and the shared shell against a double of the window system, GL and the
// effect that logs each call it gets: no display.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "shell/window.h"
#include "tunnel/effect.h"
#include "tunnel/reset.h"
#include "tunnel/state.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(0x1000);

struct Fake {
    std::string log;       // the calls in order, with what tells them apart
    std::deque<MSG> queue; // posted messages, handed out by PeekMessageA
    bool invalid = false;  // a paint is due
    bool failRegister = false, failCreate = false;
    int64_t counter = 0;
    int frames = 0, closeAfterFrames = -1; // renderFrame posts WM_CLOSE on that frame
    WNDPROC procedure = windowProc;

    int add(const std::string &call) {
        log += (log.empty() ? "" : " ") + call;
        return 1;
    }
    void post(UINT message, WPARAM wParam = 0) {
        queue.push_back(MSG{kWindow, message, wParam, 0, 0, {}});
    }
} fake;

} // namespace

// A call that is logged as text and returns value.
#define LOGGED(type, name, text, value, ...)                                                       \
    type WINAPI name(__VA_ARGS__) {                                                                \
        fake.add(text);                                                                            \
        return value;                                                                              \
    }
LOGGED(HCURSOR, LoadCursorA, "LoadCursorA", nullptr, HINSTANCE, LPCSTR)
LOGGED(BOOL, ShowWindow, "ShowWindow(" + std::to_string(show) + ")", TRUE, HWND, int show)
LOGGED(BOOL, TranslateMessage, "TranslateMessage", TRUE, const MSG *)
LOGGED(DWORD, MsgWaitForMultipleObjects, "MsgWait", WAIT_TIMEOUT, DWORD, const HANDLE *, BOOL,
       DWORD, DWORD)
LOGGED(int, MessageBoxA, "MessageBoxA(" + std::string(owner ? "owned, " : "") + caption + ")", IDOK,
       HWND owner, LPCSTR, LPCSTR caption, UINT)
LOGGED(HDC, GetDC, "GetDC", reinterpret_cast<HDC>(0x2000), HWND)
LOGGED(int, ChoosePixelFormat, "ChoosePixelFormat(" + std::to_string(pfd->cColorBits) + ")", 7, HDC,
       const PIXELFORMATDESCRIPTOR *pfd)
LOGGED(BOOL, SetPixelFormat, "SetPixelFormat(" + std::to_string(format) + ")", TRUE, HDC,
       int format, const PIXELFORMATDESCRIPTOR *)
LOGGED(BOOL, SwapBuffers, "SwapBuffers", TRUE, HDC)
LOGGED(HGLRC, wglCreateContext, "wglCreateContext", reinterpret_cast<HGLRC>(0x3000), HDC)
LOGGED(BOOL, wglMakeCurrent, context ? "wglMakeCurrent" : "wglMakeCurrent(none)", TRUE, HDC,
       HGLRC context)
LOGGED(BOOL, wglDeleteContext, "wglDeleteContext", TRUE, HGLRC)
LOGGED(void, OutputDebugStringA, std::string("OutputDebugStringA:") + text, , LPCSTR text)
LOGGED(void, glViewport, "glViewport(" + std::to_string(w) + "x" + std::to_string(h) + ")", , GLint,
       GLint, GLsizei w, GLsizei h)
LOGGED(BOOL, UpdateWindow, "UpdateWindow", fake.procedure(w, WM_PAINT, 0, 0) == 0, HWND w)
LOGGED(LRESULT, DispatchMessageA, "DispatchMessageA(" + std::to_string(m->message) + ")",
       fake.procedure(m->hwnd, m->message, m->wParam, m->lParam), const MSG *m)
LOGGED(LRESULT, DefWindowProcA, "DefWindowProcA",
       message == WM_CLOSE ? fake.procedure(w, WM_DESTROY, 0, 0) : 0, HWND w, UINT message, WPARAM,
       LPARAM)
LOGGED(bool, initEffect, running ? "initEffect(running)" : "initEffect", true, const char *)

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) {
    return nullptr;
}

int WINAPI GetDeviceCaps(HDC, int index) {
    return index == BITSPIXEL ? 24 : 0;
}

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass) {
    fake.procedure = windowClass->lpfnWndProc;
    return static_cast<ATOM>(fake.add("RegisterClassA") && !fake.failRegister);
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int width, int height, HWND,
                            HMENU, HINSTANCE, LPVOID) {
    fake.add("CreateWindowExA(" + std::to_string(width) + "x" + std::to_string(height) + ")");
    if (fake.failCreate)
        return nullptr;
    // As on Windows: WM_CREATE and the first WM_SIZE arrive inside the call.
    fake.procedure(kWindow, WM_CREATE, 0, 0);
    fake.procedure(kWindow, WM_SIZE, 0, MAKELPARAM(624, 441));
    return kWindow;
}

BOOL WINAPI PeekMessageA(MSG *message, HWND, UINT, UINT, UINT remove) {
    fake.add("PeekMessageA");
    if (fake.queue.empty() && fake.invalid)
        fake.post(WM_PAINT);
    if (fake.queue.empty())
        return FALSE;
    *message = fake.queue.front();
    if (remove & PM_REMOVE)
        fake.queue.pop_front();
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND, const RECT *, BOOL) {
    fake.invalid = true;
    return fake.add("InvalidateRect");
}

BOOL WINAPI ValidateRect(HWND, const RECT *) {
    fake.invalid = false;
    return fake.add("ValidateRect");
}

void WINAPI PostQuitMessage(int exitCode) {
    fake.add("PostQuitMessage(" + std::to_string(exitCode) + ")");
    fake.post(WM_QUIT, static_cast<WPARAM>(exitCode));
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
    frequency->QuadPart = 1000;
    return fake.add("QueryPerformanceFrequency");
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count) {
    count->QuadPart = fake.counter;
    return fake.add("QueryPerformanceCounter");
}

void renderFrame() {
    fake.add("renderFrame");
    fake.counter += 450125; // the third frame is 900.25 s in: 900 s move into perfStart
    if (++fake.frames == fake.closeAfterFrames)
        fake.post(WM_CLOSE);
}

namespace {

void reset() {
    fake = Fake();
    running = false;
    clientWidth = clientHeight = 0;
    resetEffectState();
}

// The messages the frame loop below does not send: a size (unsigned 16 bits; no viewport is 0
// high), one that only matches WM_PAINT in its low bits, for the default procedure; and a debug
// line longer than the buffer, cut.
TEST(Shell, SizesAndTheDefaultProcedure) {
    const struct {
        UINT message;
        LPARAM lParam;
        const char *log;
    } cases[] = {
        {WM_SIZE, MAKELPARAM(800, 0), "glViewport(800x1) | 800x0"},
        {WM_SIZE, MAKELPARAM(65535, 65535), "glViewport(65535x65535) | 65535x65535"},
        {0x10000 | WM_PAINT, 0, "DefWindowProcA | 0x0"},
    };
    for (const auto &c : cases) {
        reset();
        running = true;
        EXPECT_EQ(windowProc(kWindow, c.message, 0, c.lParam), 0);
        EXPECT_EQ(fake.log + " | " + std::to_string(clientWidth) + "x" +
                      std::to_string(clientHeight),
                  c.log);
    }
    reset();
    debugPrintf("%s", std::string(3000, 'x').c_str()); // cut, not overrun
    EXPECT_EQ(fake.log, "OutputDebugStringA:" + std::string(1023, 'x'));
}

// The about box before any window, then the window; a failure to make either shows a Fatal
// Blow and fails. Otherwise the clock starts and the effect is set up before the loop runs, a
// queued key reaches the keys, every empty turn of the loop invalidates once, each paint hands
// the frame clock the counter and the zero point to move, and the close after three frames
// ends the loop with status 0.
TEST(Shell, WinMainRunsTheWholeLifecycle) {
    const std::string start = "MessageBoxA(Vorticel) LoadCursorA RegisterClassA ";
    const std::string idle = "PeekMessageA InvalidateRect ";
    const std::string paint = "PeekMessageA TranslateMessage DispatchMessageA(15) "
                              "QueryPerformanceCounter renderFrame SwapBuffers ValidateRect ";
    const struct {
        bool failRegister, failCreate, fails;
        std::string log;
    } cases[] = {
        {true, false, true, start + "MessageBoxA(Fatal Blow)"},
        {false, true, true, start + "CreateWindowExA(640x480) MessageBoxA(Fatal Blow)"},
        {false, false, false,
         start +
             "CreateWindowExA(640x480) GetDC ChoosePixelFormat(24) "
             "OutputDebugStringA:PixelFormat Selected: 7\nBPP: 24\n "
             "SetPixelFormat(7) wglCreateContext wglMakeCurrent glViewport(624x441) "
             "ShowWindow(5) UpdateWindow QueryPerformanceFrequency QueryPerformanceCounter "
             "initEffect PeekMessageA TranslateMessage DispatchMessageA(258) " +
             idle + paint + idle + paint + idle + paint +
             "PeekMessageA TranslateMessage DispatchMessageA(16) DefWindowProcA "
             "wglMakeCurrent(none) wglDeleteContext PostQuitMessage(0) PeekMessageA"},
    };
    for (const auto &c : cases) {
        reset();
        fake.failRegister = c.failRegister;
        fake.failCreate = c.failCreate;
        fake.closeAfterFrames = 3;
        fake.post(WM_CHAR, '2');
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0) != 0, c.fails);
        EXPECT_EQ(fake.log, c.log);
        EXPECT_TRUE(polyStep == (c.fails ? 1 : 4) && perfStart == (c.fails ? 0 : 900000) &&
                    !running);
    }
}

} // namespace
