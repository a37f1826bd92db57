#include "saver/fps_overlay.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "saver/saver.h"
#include "shell/window.h"
#include "tunnel/state.h"

namespace {

// The bitmap font of the overlay: display lists for the characters 32 to 127.
constexpr DWORD kFirstChar = 32, kCharCount = 96;
// Character cell of the window system's font, at least: 6 x 13 ("fixed"), 8 x 16 (Windows).
constexpr int kCharWidth = 8, kLineHeight = 16, kMargin = 6;

struct Overlay {
    GLuint lists = 0; // 0 while no font lists exist
    bool started = false;
    int64_t markCount = 0; // counter value at the start of the current period
    int frames = 0;        // frames finished in it
    double fps = 0.0;
    bool measured = false;
} overlay;

int32_t frameTriangles() {
    return visibleRings > 1 ? ((visibleRings - 1) * 128) / polyStep : 0;
}

// Counts frames over periods of at least a second on the performance counter.
void measureFrame() {
    if (perfFrequency <= 0)
        return;
    if (!overlay.started) {
        overlay.started = true;
        overlay.markCount = perfNow;
        return;
    }
    ++overlay.frames;
    const double elapsed = static_cast<double>(perfNow - overlay.markCount) / perfFrequency;
    if (elapsed >= 1.0) {
        overlay.fps = overlay.frames / elapsed;
        overlay.measured = true;
        overlay.frames = 0;
        overlay.markCount = perfNow;
    }
}

} // namespace

bool startFpsOverlay(HDC deviceContext) {
    overlay = Overlay();
    overlay.lists = glGenLists(kCharCount);
    if (overlay.lists &&
        !wglUseFontBitmapsA(deviceContext, kFirstChar, kCharCount, overlay.lists)) {
        glDeleteLists(overlay.lists, kCharCount);
        overlay.lists = 0;
    }
    if (!overlay.lists)
        saverReport("no bitmap font for the frame rate: it is not shown");
    return overlay.lists != 0;
}

void stopFpsOverlay() {
    if (overlay.lists)
        glDeleteLists(overlay.lists, kCharCount);
    overlay.lists = 0;
}

void drawFpsOverlay() {
    if (!overlay.lists)
        return;
    measureFrame();
    char fpsLine[32], triangleLine[32];
    if (overlay.measured)
        std::snprintf(fpsLine, sizeof fpsLine, "FPS: %.1f", overlay.fps);
    else
        std::snprintf(fpsLine, sizeof fpsLine, "FPS: -");
    std::snprintf(triangleLine, sizeof triangleLine, "Triangles: %d",
                  static_cast<int>(frameTriangles()));
    const char *lines[] = {fpsLine, triangleLine};
    const int lengths[] = {static_cast<int>(std::strlen(fpsLine)),
                           static_cast<int>(std::strlen(triangleLine))};
    const int longest = lengths[0] > lengths[1] ? lengths[0] : lengths[1];
    const int width = clientWidth > 0 ? clientWidth : 1;
    const int height = clientHeight > 0 ? clientHeight : 1;

    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIST_BIT | GL_TRANSFORM_BIT);
    glDisable(GL_TEXTURE_2D); // bitmaps and the box would be textured too
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glColor3f(0.0f, 0.0f, 0.0f);
    glRecti(0, 0, 2 * kMargin + longest * kCharWidth, 2 * kMargin + 2 * kLineHeight);
    glColor3f(1.0f, 1.0f, 1.0f);
    glListBase(overlay.lists - kFirstChar);
    for (int i = 0; i < 2; ++i) {
        // The top line first; baselines sit a quarter line above each cell's bottom.
        glRasterPos2i(kMargin, kMargin + (1 - i) * kLineHeight + kLineHeight / 4);
        glCallLists(lengths[i], GL_UNSIGNED_BYTE, lines[i]);
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}
