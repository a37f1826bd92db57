// Device capabilities, pixel formats and rendering contexts over GLX.
#include "display.h"
#include "visual.h"
#include "window_table.h"

#include <GL/glx.h>

#include <array>

namespace platform {

namespace {

// Contexts made by wglCreateContext; a handle that is not here is refused.
std::array<GLXContext, 8> contexts{};

bool knownContext(HGLRC context) {
    for (GLXContext c : contexts)
        if (c && reinterpret_cast<HGLRC>(c) == context)
            return true;
    return false;
}

} // namespace

} // namespace platform

using namespace platform;

int WINAPI GetDeviceCaps(HDC deviceContext, int index) {
    WindowRecord *record = findWindow(deviceContext);
    Display *connection = display();
    if (!record || !connection || index != BITSPIXEL)
        return 0;
    return bitsPerPixel(connection, record->visual.depth);
}

// A pixel format number is the X id of the GLX visual.
int WINAPI ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR *request) {
    XVisualInfo visual;
    if (!findWindow(deviceContext) || !request || !chooseVisual(*request, &visual))
        return 0;
    return static_cast<int>(visual.visualid);
}

BOOL WINAPI SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR *) {
    WindowRecord *record = findWindow(deviceContext);
    Display *connection = display();
    if (!record || !connection || format <= 0)
        return FALSE;
    if (record->pixelFormat) // as on Windows, a window's pixel format is set once
        return record->pixelFormat == format ? TRUE : FALSE;
    // The window was created with the visual of the shell's request, so that is the one
    // format it can take.
    if (static_cast<VisualID>(format) != record->visual.visualid)
        return FALSE;
    record->pixelFormat = format;
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC deviceContext) {
    WindowRecord *record = findWindow(deviceContext);
    Display *connection = display();
    if (!record || !connection || !glXGetCurrentContext())
        return FALSE;
    glXSwapBuffers(connection, record->xid);
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC deviceContext) {
    WindowRecord *record = findWindow(deviceContext);
    Display *connection = display();
    if (!record || !connection)
        return nullptr;
    if (!record->pixelFormat) {
        reportOnce(Failure::NoContext, "no rendering context: the window has no pixel format");
        return nullptr;
    }
    for (GLXContext &slot : contexts) {
        if (slot)
            continue;
        slot = glXCreateContext(connection, &record->visual, nullptr, True);
        if (!slot)
            reportOnce(Failure::NoContext, "glXCreateContext failed: no rendering context");
        return reinterpret_cast<HGLRC>(slot);
    }
    reportOnce(Failure::NoContext, "too many rendering contexts");
    return nullptr;
}

BOOL WINAPI wglMakeCurrent(HDC deviceContext, HGLRC context) {
    Display *connection = display();
    if (!connection)
        return FALSE;
    if (!context)
        return glXMakeCurrent(connection, None, nullptr) ? TRUE : FALSE;
    WindowRecord *record = findWindow(deviceContext);
    if (!record || !knownContext(context))
        return FALSE;
    return glXMakeCurrent(connection, record->xid, reinterpret_cast<GLXContext>(context)) ? TRUE
                                                                                          : FALSE;
}

BOOL WINAPI wglDeleteContext(HGLRC context) {
    Display *connection = display();
    if (!connection || !knownContext(context))
        return FALSE;
    const GLXContext glx = reinterpret_cast<GLXContext>(context);
    if (glXGetCurrentContext() == glx)
        glXMakeCurrent(connection, None, nullptr);
    glXDestroyContext(connection, glx);
    for (GLXContext &slot : contexts)
        if (slot == glx)
            slot = nullptr;
    return TRUE;
}

// The bitmap font is the server's core font "fixed", which every X server has; the lists are
// made in the current context, as on Windows.
BOOL WINAPI wglUseFontBitmapsA(HDC deviceContext, DWORD first, DWORD count, DWORD listBase) {
    Display *connection = display();
    if (!connection || !findWindow(deviceContext) || !glXGetCurrentContext() || count == 0)
        return FALSE;
    XFontStruct *font = XLoadQueryFont(connection, "fixed");
    if (!font)
        return FALSE;
    glXUseXFont(font->fid, static_cast<int>(first), static_cast<int>(count),
                static_cast<int>(listBase));
    // Mesa leaves the lists of glyphs without pixels (the space) empty, as it cannot keep an
    // empty bitmap in a list; as on Windows they must still move the raster position on by
    // the glyph's width. A one-pixel bitmap with its bit clear draws nothing and can be kept.
    while (glGetError() != GL_NO_ERROR) {
        // the out-of-memory error Mesa raises for those
    }
    static const GLubyte blank[4] = {0, 0, 0, 0};
    for (DWORD i = 0; i < count; ++i) {
        const unsigned c = first + i;
        if (c < font->min_char_or_byte2 || c > font->max_char_or_byte2)
            continue;
        const XCharStruct &glyph =
            font->per_char ? font->per_char[c - font->min_char_or_byte2] : font->max_bounds;
        if (glyph.rbearing > glyph.lbearing && glyph.ascent + glyph.descent > 0)
            continue;
        glNewList(listBase + i, GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, static_cast<GLfloat>(glyph.width), 0.0f, blank);
        glEndList();
    }
    XFreeFont(connection, font);
    return TRUE;
}
