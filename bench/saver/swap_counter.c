/* An LD_PRELOAD module for the saver's benchmark: counts the frames a program presents by
 * counting its glXSwapBuffers calls, and keeps "<frames> <monotonic nanoseconds>" in the file
 * named by VORTICEL_SWAP_LOG, rewritten in place at most every 100 ms. The program itself is
 * not changed; the count is what reached the X server, whatever the program reports. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapFunction)(Display *, GLXDrawable);

static SwapFunction realSwap;
static int logFile = -1;
static unsigned long long frames;
static long long lastWrite;

static long long nowNs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

void glXSwapBuffers(Display *display, GLXDrawable drawable) {
    if (!realSwap) {
        realSwap = (SwapFunction)dlsym(RTLD_NEXT, "glXSwapBuffers");
        const char *path = getenv("VORTICEL_SWAP_LOG");
        if (path)
            logFile = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    if (realSwap)
        realSwap(display, drawable);
    ++frames;
    long long now = nowNs();
    if (logFile >= 0 && now - lastWrite >= 100000000LL) {
        char line[64];
        /* Fixed width, so a line written over the last one leaves nothing of it behind. */
        int length = snprintf(line, sizeof line, "%20llu %20lld\n", frames, now);
        if (length > 0 && pwrite(logFile, line, (size_t)length, 0) == length)
            lastWrite = now;
    }
}
