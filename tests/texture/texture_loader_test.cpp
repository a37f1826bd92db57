// The loader linked with a decoder that cannot start: a bound texture without image, no reads.
#include "texture/jpeg_decoder.h"
#include "texture/texture.h"
#include "offscreen_gl.h"
#include <GL/gl.h>
#include <gtest/gtest.h>

static int laterCalls = 0; // reads and frees after the failed start
int jpegInit(JpegProperties *) {
    return 5;
}
int jpegRead(JpegProperties *, int32_t) {
    return ++laterCalls;
}
int jpegFree(JpegProperties *) {
    return ++laterCalls;
}

TEST(LoaderWithoutDecoder, LeavesTheCreatedTextureWithoutImage) {
    OffscreenGl gl(16, 16);
    ASSERT_TRUE(gl.ok()) << gl.error();
    Texture texture;
    texture.width = 7;
    EXPECT_FALSE(texture.loadJpeg("wall.jpg"));
    EXPECT_EQ(texture.width, 7); // untouched
    EXPECT_STREQ(texture.failure(), "no JPEG decoder");
    GLint bound = 0, width = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(bound, static_cast<GLint>(texture.glTexture - 1));
    EXPECT_EQ(width, 0);
    EXPECT_EQ(laterCalls, 0);
}
