// Texture with the real decoder on an offscreen OpenGL context.
#include "texture/texture.h"

#include "gl_readback.h"
#include "jpeg_fixtures.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

using TextureGl = GlTest;

TEST_F(TextureGl, CreateHoldsABoundTextureNamePlusOneWithTheWallParameters) {
    Texture texture;
    EXPECT_TRUE(texture.create("wall"));
    ASSERT_NE(texture.glTexture, 0u);
    EXPECT_EQ(boundTexture(), static_cast<GLint>(texture.glTexture - 1));
    EXPECT_TRUE(glIsTexture(texture.glTexture - 1));
    EXPECT_STREQ(texture.name, "wall");
    EXPECT_EQ(levelSize(0, GL_TEXTURE_WIDTH), 0); // no image yet

    GLuint other = 0;
    glGenTextures(1, &other);
    glBindTexture(GL_TEXTURE_2D, other);
    texture.bind();
    EXPECT_EQ(boundTexture(), static_cast<GLint>(texture.glTexture - 1));
    glDeleteTextures(1, &other);
}

TEST_F(TextureGl, CreateAgainDeletesTheFirstTexture) {
    Texture texture;
    texture.create("first");
    const GLuint first = texture.glTexture - 1;
    texture.create("second");
    const GLuint second = texture.glTexture - 1;
    EXPECT_STREQ(texture.name, "second");
    // A name handed out again proves the first was deleted; otherwise it must be gone.
    EXPECT_TRUE(second == first || !glIsTexture(first));
    EXPECT_TRUE(glIsTexture(second));
}

TEST_F(TextureGl, ReleaseAndDestructorDeleteOnlyWhatIsHeld) {
    GLuint held = 0;
    {
        Texture empty;
        empty.release(); // nothing held: no-op
        EXPECT_EQ(empty.glTexture, 0u);

        Texture texture;
        texture.create("t");
        held = texture.glTexture - 1;
        texture.release();
        EXPECT_EQ(texture.glTexture, 0u);
        EXPECT_FALSE(glIsTexture(held));
        texture.release();

        texture.create("t");
        held = texture.glTexture - 1;
        EXPECT_TRUE(glIsTexture(held));
    } // destructors
    EXPECT_FALSE(glIsTexture(held));
}

TEST_F(TextureGl, LongNamesAreCutTo63CharactersAndStayTerminated) {
    const std::string longName(100, 'n');
    Texture texture;
    std::memset(texture.name, 'x', sizeof(texture.name));
    texture.create(longName.c_str());
    EXPECT_EQ(std::string(texture.name), longName.substr(0, 63));
    texture.create(std::string(63, 'm').c_str());
    EXPECT_EQ(std::string(texture.name), std::string(63, 'm'));
}

TEST_F(TextureGl, MissingFileGivesTheCheckerboard) {
    Texture texture;
    texture.width = texture.height = 99;
    const std::string path = tempPath("absent.jpg");
    EXPECT_FALSE(texture.loadJpeg(path.c_str(), false));
    EXPECT_EQ(texture.width, 2);
    EXPECT_EQ(texture.height, 2);
    EXPECT_STREQ(texture.name, path.c_str());
    expectCheckerboard();
}

TEST_F(TextureGl, OddWidthJpegLoadsWithItsSizePixelsAndWallParameters) {
    const Quadrants &q = oddQuadrants;
    const std::string path = tempPath("odd.jpg");
    ASSERT_TRUE(writeFile(path, encodeJpeg(q.rgb(), q.width, q.height)));
    Texture texture;
    ASSERT_TRUE(texture.loadJpeg(path.c_str(), false));
    EXPECT_EQ(texture.width, 37);
    EXPECT_EQ(texture.height, 21);
    EXPECT_EQ(boundTexture(), static_cast<GLint>(texture.glTexture - 1));

    // GLU may rescale to a power of two; compare each texel with the block it falls in, away
    // from the block edges. Row 0 of the texture must be the top of the picture.
    const int tw = levelSize(0, GL_TEXTURE_WIDTH), th = levelSize(0, GL_TEXTURE_HEIGHT);
    ASSERT_GT(tw, 0);
    ASSERT_GT(th, 0);
    const std::vector<unsigned char> level0 = texels(0, GL_RGB, 3);
    int compared = 0;
    for (int ty = 0; ty < th; ++ty) {
        for (int tx = 0; tx < tw; ++tx) {
            const double sx = (tx + 0.5) * q.width / tw, sy = (ty + 0.5) * q.height / th;
            if (std::fabs(sx - q.splitX) < 3 || std::fabs(sy - q.splitY) < 3)
                continue;
            const unsigned char *want = q.at(static_cast<int>(sx), static_cast<int>(sy));
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(level0[(ty * tw + tx) * 3 + c], want[c], 12)
                    << "texel " << tx << "," << ty << " channel " << c;
            ++compared;
        }
    }
    EXPECT_GT(compared, tw * th / 3);

    int w = 0, h = 0;
    EXPECT_GT(mipmapLevels(&w, &h), 1);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);

    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR_MIPMAP_NEAREST);
}

TEST_F(TextureGl, UndecodableFilesGiveTheCheckerboard) {
    Bytes truncated = encodeJpeg(noiseRgb(64, 64), 64, 64);
    truncated.resize(truncated.size() / 2);
    Bytes huge = encodeJpeg(noiseRgb(16, 16), 16, 16);
    ASSERT_TRUE(setFrameSize(huge, 65500, 65500));
    const struct {
        const char *name;
        Bytes bytes;
    } cases[] = {{"truncated.jpg", truncated}, {"huge.jpg", huge}, {"junk.jpg", Bytes(64, 7)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = tempPath(c.name);
        ASSERT_TRUE(writeFile(path, c.bytes));
        Texture texture;
        EXPECT_FALSE(texture.loadJpeg(path.c_str(), false));
        EXPECT_EQ(texture.width, 2);
        EXPECT_EQ(texture.height, 2);
        expectCheckerboard();
    }
}

TEST_F(TextureGl, UploadsLeaveTheUnpackAlignmentAsFound) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    Texture texture;
    texture.loadJpeg(tempPath("absent.jpg").c_str(), false);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    expectCheckerboard();
}

} // namespace
