// gluBuild2DMipmaps for the browser build, where WebGL has no GLU. As GLU does, the picture is
// first scaled to a power of two on each side (WebGL 1 repeats and mipmaps nothing else), the
// nearest one, no larger than the largest texture; then every level of the chain down to
// 1 x 1 is made by halving the one before and uploaded. Both steps are box filters: each
// output pixel is the average of the input area it covers.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

int channelsOf(GLenum format) {
    switch (format) {
    case GL_LUMINANCE:
    case GL_ALPHA:
        return 1;
    case GL_LUMINANCE_ALPHA:
        return 2;
    case GL_RGB:
        return 3;
    case GL_RGBA:
        return 4;
    default:
        return 0;
    }
}

// The power of two GLU puts in place of a side: the nearer one, the larger on a tie
// (3 -> 4, 5 -> 4, 6 -> 8, 12 -> 16).
GLsizei nearestPowerOfTwo(GLsizei side) {
    GLsizei power = 1;
    while (power <= side / 2)
        power *= 2;
    return static_cast<int64_t>(side) * 2 >= static_cast<int64_t>(power) * 3 ? power * 2 : power;
}

// How much of input pixel k lies in the span [start, end).
inline double overlap(double start, double end, int k) {
    return (k + 1 < end ? k + 1 : end) - (k > start ? k : start);
}

// Box-filters a width x height picture whose rows lie pitch bytes apart to outWidth x outHeight,
// rows without gaps. Row by row, so that no more than one row is held in floats.
bool boxScale(const unsigned char *in, std::size_t pitch, int width, int height, unsigned char *out,
              int outWidth, int outHeight, int channels) {
    const std::size_t rowValues = static_cast<std::size_t>(width) * channels;
    float *row = static_cast<float *>(std::malloc(rowValues * sizeof(float)));
    if (!row)
        return false;
    const double yRatio = static_cast<double>(height) / outHeight;
    const double xRatio = static_cast<double>(width) / outWidth;
    for (int y = 0; y < outHeight; ++y) {
        const double top = y * yRatio, bottom = (y + 1) * yRatio;
        for (std::size_t i = 0; i < rowValues; ++i)
            row[i] = 0.0f;
        for (int k = static_cast<int>(top); k < height && k < bottom; ++k) {
            const float weight = static_cast<float>(overlap(top, bottom, k) / yRatio);
            const unsigned char *source = in + k * pitch;
            for (std::size_t i = 0; i < rowValues; ++i)
                row[i] += weight * source[i];
        }
        for (int x = 0; x < outWidth; ++x) {
            const double left = x * xRatio, right = (x + 1) * xRatio;
            for (int c = 0; c < channels; ++c) {
                double sum = 0.0;
                for (int k = static_cast<int>(left); k < width && k < right; ++k)
                    sum += overlap(left, right, k) * row[k * channels + c];
                const double value = sum / xRatio + 0.5;
                *out++ = static_cast<unsigned char>(value < 255.0 ? value : 255.0);
            }
        }
    }
    std::free(row);
    return true;
}

} // namespace

GLint GLAPIENTRY gluBuild2DMipmaps(GLenum target, GLint /*internalFormat*/, GLsizei width,
                                   GLsizei height, GLenum format, GLenum type, const void *data) {
    const int channels = channelsOf(format);
    if (channels == 0 || type != GL_UNSIGNED_BYTE)
        return GLU_INVALID_ENUM;
    if (width < 1 || height < 1 || !data)
        return GLU_INVALID_VALUE;

    GLint largest = 0, alignment = 4;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    GLsizei levelWidth = nearestPowerOfTwo(width), levelHeight = nearestPowerOfTwo(height);
    while (largest > 0 && levelWidth > largest)
        levelWidth /= 2;
    while (largest > 0 && levelHeight > largest)
        levelHeight /= 2;

    // The input rows start at multiples of the unpack alignment, as GL reads them.
    const std::size_t a = alignment > 0 ? static_cast<std::size_t>(alignment) : 1;
    const std::size_t pitch = (static_cast<std::size_t>(width) * channels + a - 1) / a * a;
    // Every level after the first takes at most half of it.
    const std::size_t size =
        static_cast<std::size_t>(levelWidth) * static_cast<std::size_t>(levelHeight) * channels;
    unsigned char *level = static_cast<unsigned char *>(std::malloc(size));
    unsigned char *next = static_cast<unsigned char *>(std::malloc(size / 2 + channels));
    GLint result = GLU_OUT_OF_MEMORY;
    if (level && next &&
        boxScale(static_cast<const unsigned char *>(data), pitch, width, height, level, levelWidth,
                 levelHeight, channels)) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        result = 0;
        for (GLint n = 0;; ++n) {
            // WebGL takes no component count as the internal format: it must equal the format.
            glTexImage2D(target, n, format, levelWidth, levelHeight, 0, format, GL_UNSIGNED_BYTE,
                         level);
            if (levelWidth == 1 && levelHeight == 1)
                break;
            const GLsizei halfWidth = levelWidth > 1 ? levelWidth / 2 : 1;
            const GLsizei halfHeight = levelHeight > 1 ? levelHeight / 2 : 1;
            if (!boxScale(level, static_cast<std::size_t>(levelWidth) * channels, levelWidth,
                          levelHeight, next, halfWidth, halfHeight, channels)) {
                result = GLU_OUT_OF_MEMORY;
                break;
            }
            unsigned char *swap = level;
            level = next;
            next = swap;
            levelWidth = halfWidth;
            levelHeight = halfHeight;
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    }
    std::free(level);
    std::free(next);
    return result;
}
