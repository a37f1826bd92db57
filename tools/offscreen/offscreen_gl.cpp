#include "offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>

namespace {

std::string eglFailure(const char *what) {
    char text[96];
    std::snprintf(text, sizeof text, "%s (EGL error 0x%04x)", what,
                  static_cast<unsigned>(eglGetError()));
    return text;
}

} // namespace

OffscreenGl::OffscreenGl(int width, int height) : width_(width), height_(height) {
    // The surfaceless platform renders without any display server.
    const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display = getPlatformDisplay ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA,
                                                                 EGL_DEFAULT_DISPLAY, nullptr)
                                            : EGL_NO_DISPLAY;
    if (display == EGL_NO_DISPLAY) {
        error_ = "no EGL display on Mesa's surfaceless platform";
        return;
    }
    if (!eglInitialize(display, nullptr, nullptr)) {
        error_ = eglFailure("cannot initialise EGL");
        return;
    }
    display_ = display;
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 16,
                                 EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglBindAPI(EGL_OPENGL_API) || !eglChooseConfig(display, attributes, &config, 1, &count) ||
        count == 0) {
        error_ = eglFailure("no EGL configuration for an OpenGL pbuffer");
        return;
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display, config, size);
    if (surface_ == EGL_NO_SURFACE) {
        surface_ = nullptr;
        error_ = eglFailure("cannot create the EGL pbuffer");
        return;
    }
    const EGLint profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                              EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, profile);
    if (context == EGL_NO_CONTEXT) {
        error_ = eglFailure("cannot create an OpenGL compatibility context");
        return;
    }
    if (!eglMakeCurrent(display, surface_, surface_, context)) {
        error_ = eglFailure("cannot make the EGL context current");
        eglDestroyContext(display, context);
        return;
    }
    context_ = context;
    glViewport(0, 0, width, height);
}

OffscreenGl::~OffscreenGl() {
    if (!display_)
        return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_)
        eglDestroyContext(display_, context_);
    if (surface_)
        eglDestroySurface(display_, surface_);
    // The display stays initialised (a later context takes it again): terminating it would
    // unload Mesa's driver, whose few lifelong allocations then show in no named module, where
    // the sanitizer build's leak suppressions cannot tell them from ours.
    eglReleaseThread();
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
