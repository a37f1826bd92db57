#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

#include "tunnel/builder.h"
#include "tunnel/effect.h"
#include "tunnel/flight.h"
#include "tunnel/screen_limit.h"
#include "tunnel/state.h"

namespace {

#ifdef __EMSCRIPTEN__
// WebGL draws no quads, nor does the browser build's GL emulation: a triangle strip through
// the same vertices draws each quad of the strip as two triangles wound the same way.
constexpr GLenum kStripMode = GL_TRIANGLE_STRIP;
#else
constexpr GLenum kStripMode = GL_QUAD_STRIP;
#endif

// Hands a projected point to GL. A huge zoom, or a point just ahead of the eye's plane, gives
// coordinates far off the screen, and an infinite zoom gives infinities and not-a-number:
// those are brought within reach (screen_limit.h), so that GL only ever gets finite values.
// The grey levels and texture coordinates are finite already: depth, shade and u are
// bounded, and v is a ring number over 32.
inline void vertex(const TunnelVertex &p) {
    float x = p.x, y = p.y;
    limitToScreen(x, y);
    glVertex2f(x, y);
}

// One strip between visible rings i and i + 1, nearer ring's vertex first in each pair.
void drawStrip(int32_t i) {
    const float nearGrey = greyFactor(ringDepth[i]);
    const float farGrey = greyFactor(ringDepth[i + 1]);
    const TunnelVertex *nearRing = ringVertices[i];
    const TunnelVertex *farRing = ringVertices[i + 1];
    glBegin(kStripMode);
    for (int32_t j = 0; j <= kRimPoints; j += polyStep) {
        const TunnelVertex &a = nearRing[j];
        const float ga = static_cast<float>(static_cast<double>(nearGrey) * a.shade);
        glColor3f(ga, ga, ga);
        glTexCoord2f(a.u, a.v);
        vertex(a);
        const TunnelVertex &b = farRing[j];
        const float gb = static_cast<float>(static_cast<double>(farGrey) * b.shade);
        glColor3f(gb, gb, gb);
        glTexCoord2f(b.u, b.v);
        vertex(b);
    }
    glEnd();
}

// Puts the frame rate and triangle count of the period just ended into the window title.
void refreshTitle(double elapsed) {
    // visibleRings is still the previous frame's: this frame has not been built yet.
    const int32_t tri = ((visibleRings - 1) * 128) / polyStep;
    const double fps = frameCount / elapsed;
    char text[256];
    std::snprintf(text, sizeof text, "%s - %g fps (%d tri)", "Vorticel", fps,
                  static_cast<int>(tri));
    SetWindowTextA(windowHandle, text);
    fpsMarkTime = timeNow;
    frameCount = 0;
}

} // namespace

float greyFactor(float depth) {
    const double v = 1.0 / (static_cast<double>(depth) * 0.15 + 0.1);
    // No lower bound; not a number passes through.
    return static_cast<float>(v > 1.0 ? 1.0 : v);
}

void renderFrame() {
    // Not a number on either side counts as equal; an empty client area keeps the last view.
    float aspect;
    if (clientAspect(aspect) && (aspect < lastAspect || aspect > lastAspect))
        setProjection(aspect);

    startFpsPeriodOnce();
    const double elapsed = static_cast<double>(timeNow) - fpsMarkTime;
    if (elapsed >= 1.0)
        refreshTitle(elapsed);

    // Advance by timeDelta × speed (flight.h: the first rules, then those of long runs).
    buildTunnel(advanceFlight());

    if (visibleRings == 0) {
        // The viewer has flown out of a stopped tunnel: ask the window to close, every frame.
        if (stopRequested)
            PostMessageA(windowHandle, WM_CLOSE, 0, 0);
        return;
    }

    glClear(GL_COLOR_BUFFER_BIT);
    // Back to front: nearer wall covers farther wall without a depth buffer.
    for (int32_t i = visibleRings - 2; i >= 0; --i)
        drawStrip(i);
    ++frameCount;
}
