#include "offscreen_gl.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

OffscreenGl::OffscreenGl(int width, int height) : width_(width), height_(height) {
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        error_ = "cannot open the X display (is DISPLAY set?)";
        return;
    }
    display_ = display;
    const int attributes[] = {GLX_DRAWABLE_TYPE,
                              GLX_PBUFFER_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              True,
                              GLX_RED_SIZE,
                              8,
                              GLX_GREEN_SIZE,
                              8,
                              GLX_BLUE_SIZE,
                              8,
                              GLX_DEPTH_SIZE,
                              16,
                              None};
    int count = 0;
    GLXFBConfig *configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (!configs || count == 0) {
        error_ = "no GLX framebuffer configuration with pbuffer support";
        if (configs)
            XFree(configs);
        return;
    }
    const int pbufferAttributes[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, None};
    pbuffer_ = glXCreatePbuffer(display, configs[0], pbufferAttributes);
    GLXContext context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
    XFree(configs);
    if (!pbuffer_ || !context) {
        error_ = "cannot create the GLX pbuffer or context";
        if (context)
            glXDestroyContext(display, context);
        return;
    }
    if (!glXMakeContextCurrent(display, pbuffer_, pbuffer_, context)) {
        error_ = "cannot make the GLX context current";
        glXDestroyContext(display, context);
        return;
    }
    context_ = context;
    glViewport(0, 0, width, height);
}

OffscreenGl::~OffscreenGl() {
    Display *display = static_cast<Display *>(display_);
    if (!display)
        return;
    if (context_) {
        glXMakeContextCurrent(display, None, None, nullptr);
        glXDestroyContext(display, static_cast<GLXContext>(context_));
    }
    if (pbuffer_)
        glXDestroyPbuffer(display, pbuffer_);
    XCloseDisplay(display);
}

std::vector<unsigned char> OffscreenGl::readRgb() const {
    std::vector<unsigned char> rows(static_cast<size_t>(width_) * height_ * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    // GL reads bottom row first; flip to top row first.
    const size_t stride = static_cast<size_t>(width_) * 3;
    for (int y = 0; y < height_ / 2; ++y) {
        unsigned char *a = rows.data() + y * stride;
        unsigned char *b = rows.data() + (height_ - 1 - y) * stride;
        for (size_t i = 0; i < stride; ++i) {
            unsigned char t = a[i];
            a[i] = b[i];
            b[i] = t;
        }
    }
    return rows;
}
