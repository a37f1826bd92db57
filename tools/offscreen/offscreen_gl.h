// An offscreen OpenGL context on the current X display (a GLX pbuffer), for the tools and tests
// that draw for real without a window.
#pragma once

#include <string>
#include <vector>

class OffscreenGl {
  public:
    // Opens the display named by DISPLAY and makes a double-buffered RGBA pbuffer of the given
    // size current. ok() tells whether that worked; error() says why not.
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
    unsigned long pbuffer_ = 0;
    void *context_ = nullptr;
    std::string error_;
};
