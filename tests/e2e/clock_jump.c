/* Preloaded into the program under test: once it gets SIGUSR1, its CLOCK_MONOTONIC reads
 * VORTICEL_CLOCK_JUMP seconds later, as if it had been running that much longer. Only the
 * program's own calls see the jump, not the libraries it loads (GL, X). Writes one line to
 * standard error when the jump first shows. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/auxv.h>
#include <time.h>
#include <unistd.h>

static volatile sig_atomic_t jumped;

static void jump(int signal) {
    (void)signal;
    jumped = 1;
}

__attribute__((constructor)) static void armJump(void) {
    struct sigaction action = {0};
    action.sa_handler = jump;
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, NULL);
}

/* True when the code at address belongs to the main program. */
static int inMainProgram(const void *address) {
    Dl_info info, main;
    return dladdr(address, &info) && dladdr((const void *)getauxval(AT_ENTRY), &main) &&
           info.dli_fbase == main.dli_fbase;
}

int clock_gettime(clockid_t id, struct timespec *now) {
    static int (*real)(clockid_t, struct timespec *);
    static int shown;
    if (!real)
        real = (int (*)(clockid_t, struct timespec *))dlsym(RTLD_NEXT, "clock_gettime");
    const int result = real(id, now);
    if (result != 0 || id != CLOCK_MONOTONIC || !jumped ||
        !inMainProgram(__builtin_return_address(0)))
        return result;
    const char *seconds = getenv("VORTICEL_CLOCK_JUMP");
    now->tv_sec += (time_t)(seconds ? atoll(seconds) : 0);
    if (!shown)
        shown = write(2, "clock-jump: the clock has jumped\n", 33) > 0;
    return result;
}
