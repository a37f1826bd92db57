#include "texture/texture.h"

#include "texture/jpeg_decoder.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The most a decoded picture may take as RGB: 4096 x 4096 fits whole, and a larger picture is
// decoded at a smaller scale instead (GLU then resamples it to a power of two, as any other).
// Decoded whole, a 9000 x 9000 picture costs seconds of decoding and resampling and most of a
// gigabyte, for a wall that never shows that much detail; at a half, well under a second.
constexpr int64_t maxPixelBytes = 64LL * 1024 * 1024;

// Used when the context cannot tell its largest texture: every OpenGL since 3.0 takes this.
constexpr GLint fallbackMaxTextureSize = 1024;

GLint maxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? size : fallbackMaxTextureSize;
}

// The sentence Texture::failure gives for a decoder failure.
void describeFailure(const JpegProperties &p, char *text, std::size_t capacity) {
    const char *fixed = "cannot decode the image";
    switch (p.failure) {
    case jpegFailureNotRegularFile:
        fixed = "not a regular file";
        break;
    case jpegFailureOpen:
    case jpegFailureRead: {
        const char *what = p.failure == jpegFailureOpen ? "cannot open" : "cannot read";
        if (p.systemError == 0) {
            std::snprintf(text, capacity, "%s: the file ended early", what);
            return;
        }
#ifdef _WIN32
        char reason[160] = "";
        const DWORD n =
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(p.systemError), 0, reason, sizeof(reason), nullptr);
        std::size_t length = n < sizeof(reason) ? n : 0;
        while (length > 0 && (reason[length - 1] == '\n' || reason[length - 1] == '\r' ||
                              reason[length - 1] == '.' || reason[length - 1] == ' '))
            --length;
        reason[length] = '\0';
        if (length == 0)
            std::snprintf(reason, sizeof(reason), "error %d", static_cast<int>(p.systemError));
        std::snprintf(text, capacity, "%s: %s", what, reason);
#else
        std::snprintf(text, capacity, "%s: %s", what, std::strerror(p.systemError));
#endif
        return;
    }
    case jpegFailureFileTooLarge:
        fixed = "file too large";
        break;
    case jpegFailureNotJpeg:
        fixed = "not a JPEG image";
        break;
    case jpegFailureImageTooLarge:
        fixed = "image too large";
        break;
    case jpegFailureBadData:
        fixed = "damaged JPEG data";
        break;
    case jpegFailureOutOfMemory:
        fixed = "out of memory";
        break;
    default:
        break;
    }
    std::snprintf(text, capacity, "%s", fixed);
}

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

bool Texture::loadJpeg(const char *path) {
    return load(path, path, nullptr, 0);
}

bool Texture::loadJpegFromMemory(const unsigned char *data, std::size_t size,
                                 const char *textureName) {
    // No bytes at all are no picture: an empty one, which fails as "not a JPEG image".
    static const unsigned char nothing = 0;
    return load(textureName, nullptr, data ? data : &nothing, data ? size : 0);
}

bool Texture::load(const char *textureName, const char *path, const unsigned char *data,
                   std::size_t size) {
    create(textureName);
    failureText[0] = '\0';

    JpegProperties properties;
    std::memset(&properties, 0, sizeof(properties));
    if (jpegInit(&properties) != 0) {
        std::snprintf(failureText, sizeof(failureText), "no JPEG decoder");
        return false; // no decoder: the texture stays without an image
    }
    properties.path = path;
    properties.memory = data;
    properties.memorySize = size;
    properties.maxDimension = maxTextureSize();
    properties.maxOutputBytes = maxPixelBytes;

    unsigned char *pixels = nullptr;
    int result = jpegRead(&properties, jpegReadParameters);
    if (result == 0) {
        // The decoder has checked the scaled size against both caps.
        height = properties.scaledHeight;
        width = properties.scaledWidth;
        pixels = new (std::nothrow) unsigned char[static_cast<std::size_t>(width) *
                                                  static_cast<std::size_t>(height) * 3];
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
            properties.failure = jpegFailureOutOfMemory;
        }
    }
    if (result != 0)
        describeFailure(properties, failureText, sizeof(failureText));

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
