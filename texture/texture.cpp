#include "texture/texture.h"

#include "texture/jpeg_decoder.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstring>
#include <new>

namespace {

// A decoded image larger than this is refused rather than allocated: it is far beyond any wall
// texture, and the size comes straight from the file.
constexpr int64_t maxPixelBytes = 256LL * 1024 * 1024;

// Uploads a mipmap chain from rows that follow each other without gaps.
void buildMipmaps(GLint components, GLsizei width, GLsizei height, GLenum format,
                  const void *pixels) {
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

} // namespace

bool Texture::create(const char *textureName) {
    release();
    // Bounded copy: a longer name is cut to 63 characters and stays terminated.
    std::size_t length = 0;
    if (textureName) {
        while (length < sizeof(name) - 1 && textureName[length] != '\0')
            ++length;
        std::memcpy(name, textureName, length);
    }
    name[length] = '\0';

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glTexture = texture + 1;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    static_cast<GLfloat>(GL_LINEAR_MIPMAP_NEAREST));
    return true;
}

void Texture::release() {
    if (glTexture != 0) {
        const GLuint texture = glTexture - 1;
        glDeleteTextures(1, &texture);
        glTexture = 0;
    }
}

void Texture::bind() {
    glBindTexture(GL_TEXTURE_2D, glTexture - 1);
}

bool Texture::loadJpeg(const char *path, bool /*singleChannel*/) {
    create(path);

    JpegProperties properties;
    std::memset(&properties, 0, sizeof(properties));
    if (jpegInit(&properties) != 0)
        return false; // no decoder: the texture stays without an image
    properties.path = path;

    unsigned char *pixels = nullptr;
    int result = jpegRead(&properties, jpegReadParameters);
    if (result == 0) {
        height = properties.imageHeight;
        width = properties.imageWidth;
        // Sizes come from the file: reject non-positive or absurd ones before multiplying
        // into an allocation, and survive an allocation that fails.
        const int64_t bytes = static_cast<int64_t>(width) * height * 3;
        if (width > 0 && height > 0 && bytes <= maxPixelBytes)
            pixels = new (std::nothrow) unsigned char[static_cast<std::size_t>(bytes)];
        if (pixels) {
            properties.output = pixels;
            properties.outputColour = jpegColourRgb;
            properties.outputHeight = height;
            properties.outputWidth = width;
            properties.outputChannels = 3;
            result = jpegRead(&properties, jpegReadImage);
            if (result == 0)
                buildMipmaps(3, width, height, GL_RGB, pixels);
        } else {
            result = -1; // no buffer: skip the image read and fall back
        }
    }

    delete[] pixels;
    jpegFree(&properties);

    if (result != 0) {
        static const unsigned char checkerboard[4] = {0, 255, 255, 0};
        width = 2;
        height = 2;
        buildMipmaps(1, 2, 2, GL_LUMINANCE, checkerboard);
    }
    return result == 0;
}
