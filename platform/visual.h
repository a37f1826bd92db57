// Pixel formats as GLX visuals (visual.cpp), for the windows' creation and for WGL.
#pragma once

#include "windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform {

// Visual for a pixel format request; false (said once on standard error) when GLX offers none.
bool chooseVisual(const PIXELFORMATDESCRIPTOR &request, XVisualInfo *out);
// The pixel format request that windows get their visual for at creation: the one the shell
// makes (double-buffered RGBA, the screen's colour depth, 16-bit depth buffer).
PIXELFORMATDESCRIPTOR defaultPixelFormat(Display *connection);
// Bits per pixel that the server stores for a depth: 32 for the usual depth 24, as Windows
// reports for a true-colour desktop.
int bitsPerPixel(Display *connection, int depth);

} // namespace platform
