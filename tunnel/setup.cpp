#include "tunnel/effect.h"

#ifdef _WIN32
#include <windows.h> // GL/gl.h needs it on Windows
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#include "tunnel/state.h"

Texture wallTexture;

namespace {

// The view always shows at least -4/3..4/3 across; the constant stays a double.
constexpr double kFourThirds = 4.0 / 3.0;

// Aspect used at set-up when the client area has no height yet: the created window's 4:3.
constexpr float kDefaultAspect = static_cast<float>(640.0 / 480.0);

} // namespace

bool clientAspect(float &aspect) {
    // A minimised window reports an empty client area, which has no aspect ratio: dividing
    // by a zero height (or projecting a zero width) would put infinities into the matrix.
    if (clientWidth <= 0 || clientHeight <= 0)
        return false;
    aspect = static_cast<float>(static_cast<double>(clientWidth) / clientHeight);
    return true;
}

void setProjection(float aspect) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (aspect > kFourThirds)
        gluOrtho2D(-aspect, aspect, -1.0, 1.0);
    else
        gluOrtho2D(-kFourThirds, kFourThirds, -kFourThirds / aspect, kFourThirds / aspect);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    lastAspect = aspect;
}

bool initEffect(const char *texturePath) {
    WallPicture wall;
    wall.path = texturePath;
    return initEffect(wall);
}

bool initEffect(const WallPicture &wall) {
    float aspect = kDefaultAspect;
    clientAspect(aspect);
    setProjection(aspect);

    // A missing or unreadable file leaves the fallback pattern in the texture; so does the
    // empty name, which no file has.
    const bool loaded =
        wall.bytes ? wallTexture.loadJpegFromMemory(wall.bytes, wall.size, "built-in wall texture")
                   : wallTexture.loadJpeg(wall.path ? wall.path : "");
    glEnable(GL_TEXTURE_2D);
    wallTexture.bind();

    // The strips are laid out so that the inside of the tunnel winds clockwise.
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);

    position = 0.0f;
    speed = 8000.0f;
    initProfile();
    return loaded;
}
