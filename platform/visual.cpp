// Pixel formats as GLX visuals: the closest visual to a request, and the shell's own request.
#include "visual.h"

#include "display.h"

#include <GL/glx.h>

#include <cstdio>

namespace platform {

int bitsPerPixel(Display *connection, int depth) {
    int count = 0;
    XPixmapFormatValues *formats = XListPixmapFormats(connection, &count);
    int bits = depth;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth)
            bits = formats[i].bits_per_pixel;
    if (formats)
        XFree(formats);
    return bits;
}

PIXELFORMATDESCRIPTOR defaultPixelFormat(Display *connection) {
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = static_cast<BYTE>(
        bitsPerPixel(connection, DefaultDepth(connection, DefaultScreen(connection))));
    request.cDepthBits = 16;
    return request;
}

bool chooseVisual(const PIXELFORMATDESCRIPTOR &request, XVisualInfo *out) {
    Display *connection = display();
    if (!connection)
        return false;
    int errorBase = 0, eventBase = 0;
    if (!glXQueryExtension(connection, &errorBase, &eventBase)) {
        reportOnce(Failure::NoPixelFormat, "the X server has no GLX extension: no pixel format");
        return false;
    }
    if (request.iPixelType != PFD_TYPE_RGBA) {
        reportOnce(Failure::NoPixelFormat, "only RGBA pixel formats are available");
        return false;
    }
    // The colour bits count red, green and blue; sizes are minimums, as ChoosePixelFormat
    // takes the closest match.
    const int channel = request.cColorBits >= 24 ? 8 : request.cColorBits >= 15 ? 5 : 1;
    int attributes[32];
    int n = 0;
    attributes[n++] = GLX_RGBA;
    if (request.dwFlags & PFD_DOUBLEBUFFER)
        attributes[n++] = GLX_DOUBLEBUFFER;
    const int sizes[][2] = {{GLX_RED_SIZE, channel},
                            {GLX_GREEN_SIZE, channel},
                            {GLX_BLUE_SIZE, channel},
                            {GLX_ALPHA_SIZE, request.cAlphaBits},
                            {GLX_DEPTH_SIZE, request.cDepthBits},
                            {GLX_STENCIL_SIZE, request.cStencilBits},
                            {GLX_ACCUM_RED_SIZE, request.cAccumBits ? request.cAccumRedBits : 0}};
    for (const auto &size : sizes) {
        attributes[n++] = size[0];
        attributes[n++] = size[1];
    }
    attributes[n++] = None;
    XVisualInfo *visual = glXChooseVisual(connection, DefaultScreen(connection), attributes);
    if (!visual) {
        char why[160];
        std::snprintf(why, sizeof why,
                      "no GLX visual for the pixel format (%d colour bits, %d depth bits%s)",
                      request.cColorBits, request.cDepthBits,
                      request.dwFlags & PFD_DOUBLEBUFFER ? ", double-buffered" : "");
        reportOnce(Failure::NoPixelFormat, why);
        return false;
    }
    *out = *visual;
    XFree(visual);
    return true;
}

} // namespace platform
