// A texture object that owns one OpenGL 2D texture, with its JPEG loader.
#pragma once

#include <cstddef>
#include <cstdint>

class Texture {
  public:
    char name[64];      // name it was created with, zero-terminated
    uint32_t glTexture; // OpenGL texture name plus one; 0 while none is held
    int32_t width;      // size of the image last put into the texture
    int32_t height;

    Texture() : glTexture(0) { failureText[0] = '\0'; }
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

    // Fills the texture from a JPEG file as an RGB mipmap chain. A picture wider or taller
    // than GL_MAX_TEXTURE_SIZE, or of more than 64 MB as RGB, is decoded at the first of 1/2,
    // 1/4 and 1/8 that fits, and width and height are the decoded size. Only a regular file is
    // read, and opening never blocks. On a path that is not a regular file, a file that cannot
    // be read or decoded, or a picture too large even at 1/8, the texture gets a 2 x 2
    // black-and-white checkerboard and the result is false; when the decoder cannot be
    // initialised the texture stays without an image. Needs a current OpenGL context.
    bool loadJpeg(const char *path);

    // As loadJpeg, from a JPEG's bytes in memory (a resource the program carries), named
    // textureName. The bytes are only read during the call.
    bool loadJpegFromMemory(const unsigned char *data, std::size_t size, const char *textureName);

    // Why the last load did not put the file's picture in, as a short sentence without a
    // full stop: "not a regular file", "cannot open: <reason>", "cannot read: <reason>",
    // "file too large", "not a JPEG image", "damaged JPEG data", "image too large",
    // "out of memory" or "no JPEG decoder". nullptr after a load that succeeded, and before
    // any load. The text stays valid until the next load.
    const char *failure() const { return failureText[0] != '\0' ? failureText : nullptr; }

  private:
    char failureText[96];

    // loadJpeg's work: the file at path, or size bytes at data when data is not null.
    bool load(const char *textureName, const char *path, const unsigned char *data,
              std::size_t size);
};
