// The X connection and the one-line failure reports.
#include "display.h"

#include <X11/XKBlib.h>

#include <cerrno> // program_invocation_short_name
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

Display *sharedDisplay = nullptr;
bool displayTried = false;
int reportedErrors = 0;
int quietScopes = 0;
int quietErrors = 0;
bool (*expectedErrors)(XID resource) = nullptr;

// Xlib's default handler ends the process; a stale window or a refused request must not.
// Errors about other programs' windows, which may go at any moment, are expected.
int logXError(Display *connection, XErrorEvent *error) {
    if (quietScopes > 0 || (expectedErrors && expectedErrors(error->resourceid))) {
        ++quietErrors;
        return 0;
    }
    if (reportedErrors++ < 8) {
        char text[160];
        XGetErrorText(connection, error->error_code, text, sizeof text);
        std::fprintf(stderr, "%s: X error: %s (request %d)\n", program_invocation_short_name, text,
                     error->request_code);
    }
    return 0;
}

} // namespace

QuietErrors::QuietErrors() : before(quietErrors) {
    ++quietScopes;
}

QuietErrors::~QuietErrors() {
    if (sharedDisplay)
        XSync(sharedDisplay, False);
    --quietScopes;
}

int QuietErrors::errors() {
    if (sharedDisplay)
        XSync(sharedDisplay, False);
    return quietErrors - before;
}

void setExpectedErrors(bool (*expected)(XID resource)) {
    expectedErrors = expected;
}

void reportOnce(Failure kind, const char *why) {
    static bool reported[3] = {false, false, false};
    const int index = static_cast<int>(kind);
    if (reported[index])
        return;
    reported[index] = true;
    // Each program that links the layer speaks under its own name.
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, why);
}

static Display *openDisplay() {
    Display *connection = XOpenDisplay(nullptr);
    if (!connection) {
        const char *name = std::getenv("DISPLAY");
        char why[200];
        std::snprintf(why, sizeof why, "cannot open the X display \"%s\"", name ? name : "");
        reportOnce(Failure::NoDisplay, why);
        return nullptr;
    }
    XSetErrorHandler(logXError);
    return connection;
}

Display *display() {
    if (!displayTried) {
        displayTried = true;
        sharedDisplay = openDisplay();
        // Held keys then repeat as KeyPress alone, without a KeyRelease between the repeats.
        Bool supported = False;
        if (sharedDisplay)
            XkbSetDetectableAutoRepeat(sharedDisplay, True, &supported);
    }
    return sharedDisplay;
}

} // namespace platform
