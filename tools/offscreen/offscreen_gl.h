// An offscreen OpenGL context without a window system (an EGL pbuffer on Mesa's surfaceless
// platform), for the tools and tests that draw for real: they need no X display, so the build
// can draw the icon and the drawing tests run anywhere Mesa does.
#pragma once

#include <string>
#include <vector>

class OffscreenGl {
  public:
    // Makes an RGB pbuffer of the given size, with a 16-bit depth buffer, and a compatibility
    // profile context (the effect draws with OpenGL 1.1), and makes them current. ok() tells
    // whether that worked; error() says why not.
    OffscreenGl(int width, int height);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl &) = delete;
    OffscreenGl &operator=(const OffscreenGl &) = delete;

    bool ok() const { return context_ != nullptr; }
    const std::string &error() const { return error_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // Reads the back buffer as RGB rows, top row first.
    std::vector<unsigned char> readRgb() const;

  private:
    int width_, height_;
    void *display_ = nullptr;
    void *surface_ = nullptr;
    void *context_ = nullptr;
    std::string error_;
};
