// Linux only: windows of other X clients as window handles, so that a shell can draw in a
// child window of its own inside them (a screensaver daemon's window, a window named on the
// command line). Not part of the Win32 subset: Windows has no such step.
#pragma once

#include "windows.h"

// The handle of the X window with that id on the display, or null when there is no such
// window. The handle answers IsWindow (false once the window has gone), GetClientRect (kept
// up to date while the window is resized) and can be the parent in CreateWindowExA; it is
// never drawn into, given a window procedure or destroyed by this program.
HWND vorticelForeignWindow(unsigned long xid);

// Drops what OutputDebugStringA would write to standard error from now on: a program run by
// a screensaver daemon has no one reading debugger lines.
void vorticelQuietDebugOutput();
