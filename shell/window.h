// The shell every desktop program shares: the window procedure, the rendering context, the
// frame clock and the keys, on the Win32 API (platform/ provides it on Linux).
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/keys.h"

// Shell state.
extern bool running;          // true only while the message loop runs
extern int64_t perfFrequency; // performance-counter counts per second
extern int64_t perfStart;     // counter value at the frame clock's zero point (moves in long runs)
extern int64_t perfNow;       // counter value at the current frame
extern HDC deviceContext;     // the window's own device context (CS_OWNDC)
extern HGLRC glContext;       // current from WM_CREATE to WM_DESTROY

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Chooses and sets the pixel format for the device context; returns SetPixelFormat's result.
BOOL setupPixelFormat(HDC dc);

// glViewport over the client area; a height of 0 counts as 1 here only.
void resizeViewport(int width, int height);

// printf-style line to the debugger output, cut to 1023 characters.
void debugPrintf(const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Reads the counter frequency and the start count: the frame clock's zero point.
void startFrameClock();

// Reads the performance counter and sets timeNow and timeDelta for this frame.
void advanceFrameClock();
