#include "shell/window.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>

#include "tunnel/effect.h"
#include "tunnel/flight.h"
#include "tunnel/state.h"

bool running;
int64_t perfFrequency;
int64_t perfStart;
int64_t perfNow;
HDC deviceContext;
HGLRC glContext;

namespace {

// The pixel format request, filled on the first call and reused after.
PIXELFORMATDESCRIPTOR pixelFormatRequest;
bool pixelFormatFilled = false;

} // namespace

void debugPrintf(const char *format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    // Bounded: longer output is cut to 1023 characters and always terminated.
    if (std::vsnprintf(text, sizeof text, format, arguments) < 0)
        text[0] = '\0';
    va_end(arguments);
    OutputDebugStringA(text);
}

BOOL setupPixelFormat(HDC dc) {
    if (!pixelFormatFilled) {
        PIXELFORMATDESCRIPTOR &pfd = pixelFormatRequest;
        pfd = PIXELFORMATDESCRIPTOR();
        pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
        pfd.nVersion = 1;
        pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        pfd.iPixelType = PFD_TYPE_RGBA;
        pfd.cColorBits = static_cast<BYTE>(GetDeviceCaps(dc, BITSPIXEL));
        pfd.cDepthBits = 16;
        pfd.iLayerType = PFD_MAIN_PLANE;
        pixelFormatFilled = true;
    }
    const int format = ChoosePixelFormat(dc, &pixelFormatRequest);
    debugPrintf("PixelFormat Selected: %d\nBPP: %d\n", format, GetDeviceCaps(dc, BITSPIXEL));
    return SetPixelFormat(dc, format, &pixelFormatRequest);
}

void resizeViewport(int width, int height) {
    glViewport(0, 0, width, height ? height : 1);
}

void startFrameClock() {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    perfFrequency = value.QuadPart;
    QueryPerformanceCounter(&value);
    perfStart = value.QuadPart;
}

void advanceFrameClock() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    perfNow = count.QuadPart;
    // In long runs this moves perfStart forward by whole seconds (tunnel/flight.h).
    stepFrameClock(perfNow, perfFrequency, perfStart);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        deviceContext = GetDC(window);
        setupPixelFormat(deviceContext);
        glContext = wglCreateContext(deviceContext);
        wglMakeCurrent(deviceContext, glContext);
        return 0;
    case WM_DESTROY:
        wglMakeCurrent(deviceContext, nullptr);
        wglDeleteContext(glContext);
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
        clientWidth = LOWORD(lParam);
        clientHeight = HIWORD(lParam);
        resizeViewport(clientWidth, clientHeight);
        return 0;
    case WM_PAINT:
        if (running) {
            advanceFrameClock();
            renderFrame();
            SwapBuffers(deviceContext);
            ValidateRect(window, nullptr);
        }
        return 0;
    case WM_CHAR:
        handleKey(wParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
