// Test helpers: an offscreen context and read-back of the bound 2D texture.
#pragma once

#include "offscreen_gl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// One offscreen context for all tests of a suite; each test checks it leaves no GL error.
class GlTest : public ::testing::Test {
  protected:
    static inline std::unique_ptr<OffscreenGl> gl;
    static void SetUpTestSuite() { gl = std::make_unique<OffscreenGl>(16, 16); }
    static void TearDownTestSuite() { gl.reset(); }
    void SetUp() override {
        ASSERT_TRUE(gl && gl->ok()) << gl->error();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        if (gl && gl->ok()) {
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        }
    }
};

inline GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

inline GLint levelSize(int level, GLenum which) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &value);
    return value;
}

// The texels of one level of the bound texture, rows without gaps.
inline std::vector<unsigned char> texels(int level, GLenum format, int channels) {
    std::vector<unsigned char> out(static_cast<size_t>(levelSize(level, GL_TEXTURE_WIDTH)) *
                                   levelSize(level, GL_TEXTURE_HEIGHT) * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!out.empty())
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
    return out;
}

// The number of levels of the bound texture, with the last one 1 x 1 when the chain is whole.
inline int mipmapLevels(int *lastWidth, int *lastHeight) {
    int level = 0;
    while (level < 32 && levelSize(level, GL_TEXTURE_WIDTH) > 0) {
        *lastWidth = levelSize(level, GL_TEXTURE_WIDTH);
        *lastHeight = levelSize(level, GL_TEXTURE_HEIGHT);
        ++level;
    }
    return level;
}

// The bound texture holds the 2 x 2 fallback: rows (0, 255) and (255, 0), and a 1 x 1 level.
inline void expectCheckerboard() {
    EXPECT_EQ(levelSize(0, GL_TEXTURE_WIDTH), 2);
    EXPECT_EQ(levelSize(0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(texels(0, GL_LUMINANCE, 1), (std::vector<unsigned char>{0, 255, 255, 0}));
    int w = 0, h = 0;
    EXPECT_EQ(mipmapLevels(&w, &h), 2);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}
