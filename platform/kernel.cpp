// The performance counter and the debugger output.
#include "windows.h"

#include "vorticel_x11.h"

#include <cstdio>
#include <ctime>

// The counter counts nanoseconds of CLOCK_MONOTONIC.
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER *frequency) {
    if (!frequency)
        return FALSE;
    frequency->QuadPart = 1000000000;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER *count) {
    timespec now;
    if (!count || clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return FALSE;
    count->QuadPart = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return TRUE;
}

namespace {
bool debugOutputQuiet = false;
}

void vorticelQuietDebugOutput() {
    debugOutputQuiet = true;
}

// There is no debugger to talk to: the text goes to standard error unchanged.
void WINAPI OutputDebugStringA(LPCSTR text) {
    if (text && !debugOutputQuiet) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}
