// The X connection that all of platform/ shares, and the one-line failure reports: the root
// of the layer, which uses nothing else of it.
#pragma once

#include <X11/Xlib.h>

namespace platform {

// The one connection that the windows, the message queue, WGL and the message boxes share,
// opened on first use and kept for the whole run. Returns null (and says why on standard
// error, once) when no display can be opened.
Display *display();

// Failures that are written to standard error once per run, one line each.
enum class Failure { NoDisplay, NoPixelFormat, NoContext };
void reportOnce(Failure kind, const char *why);

// While one lives, X errors are counted instead of reported: for requests on windows of other
// programs, which may be gone at any moment. errors() waits for the server's answers first.
class QuietErrors {
  public:
    QuietErrors();
    ~QuietErrors();
    int errors();

  private:
    int before;
};

// Errors about the resources for which `expected` answers true are counted as above, not
// reported, at any time: the windows name those of other programs (and ours inside them).
void setExpectedErrors(bool (*expected)(XID resource));

} // namespace platform
