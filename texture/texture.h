// A texture object that owns one OpenGL 2D texture, with its JPEG loader.
#pragma once

#include <cstdint>

class Texture {
  public:
    char name[64];      // name it was created with, zero-terminated
    uint32_t glTexture; // OpenGL texture name plus one; 0 while none is held
    int32_t width;      // size of the image last put into the texture
    int32_t height;

    Texture() : glTexture(0) {}
    ~Texture() { release(); }
    Texture(const Texture &) = delete;
    Texture &operator=(const Texture &) = delete;

    // Holds a new bound texture without an image (repeat wrap, linear / linear-mipmap-nearest
    // filters). Names longer than 63 characters are truncated. Always true.
    bool create(const char *textureName);

    // Deletes the held texture, if any.
    void release();

    // Binds the held texture; only for a created object.
    void bind();

    // Fills the texture from a JPEG file as an RGB mipmap chain. On a file that cannot be read
    // or decoded the texture gets a 2 x 2 black-and-white checkerboard and the result is
    // false; when the decoder cannot be initialised the texture stays without an image.
    bool loadJpeg(const char *path, bool singleChannel);
};
