/* Preloaded into the program under test: from VORTICEL_CLOCK_JUMP_AFTER seconds after its
 * first reading on, CLOCK_MONOTONIC reads VORTICEL_CLOCK_JUMP seconds later, as if the program
 * had been running that much longer. Only the program's own calls see the jump: the libraries
 * it loads (GL, X) keep real time for their own waits. Writes one line to standard error when
 * the jump first shows. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/auxv.h>
#include <time.h>
#include <unistd.h>

typedef int (*ClockGettime)(clockid_t, struct timespec *);

static ClockGettime realClockGettime(void) {
    static ClockGettime real;
    if (!real)
        real = (ClockGettime)dlsym(RTLD_NEXT, "clock_gettime");
    return real;
}

/* True when the code at address belongs to the main program. */
static int inMainProgram(const void *address) {
    static const void *mainBase;
    Dl_info info;
    if (!mainBase) {
        if (!dladdr((const void *)getauxval(AT_ENTRY), &info))
            return 0;
        mainBase = info.dli_fbase;
    }
    return dladdr(address, &info) && info.dli_fbase == mainBase;
}

static long long seconds(const char *name) {
    const char *text = getenv(name);
    return text ? atoll(text) : 0;
}

int clock_gettime(clockid_t id, struct timespec *now) {
    const int result = realClockGettime()(id, now);
    if (result != 0 || id != CLOCK_MONOTONIC || !inMainProgram(__builtin_return_address(0)))
        return result;
    static time_t first = -1;
    static int shown;
    if (first < 0)
        first = now->tv_sec;
    if (now->tv_sec - first >= seconds("VORTICEL_CLOCK_JUMP_AFTER")) {
        now->tv_sec += (time_t)seconds("VORTICEL_CLOCK_JUMP");
        if (!shown) {
            static const char line[] = "clock-jump: the clock has jumped\n";
            shown = 1;
            if (write(2, line, strlen(line)) < 0)
                shown = 1;
        }
    }
    return result;
}
