// Screen rectangles and the closed-form screen bounds of a ring.
#pragma once

#include <cstdint>

// Axis-aligned rectangle in projected screen units.
struct ScreenRect {
    float minX, minY, maxX, maxY;
};

// The whole screen: ±1e10 on both axes.
void resetRect(ScreenRect &rect);

// Replaces target by its intersection with other. Each field is chosen by one comparison,
// which also fixes how a not-a-number value travels (minX, maxX, maxY take other's; minY keeps
// target's).
void intersectRect(ScreenRect &target, const ScreenRect &other);

// Empty when minX > maxX or minY > maxY; a not-a-number pair never empties a rectangle.
bool isRectEmpty(const ScreenRect &rect);

// The two points (u, v) of the unit circle on the line α·u + β·v = γ. Not a number where the
// line misses the circle.
void solveOnUnitCircle(double alpha, double beta, double gamma, float &u1, float &v1, float &u2,
                       float &v2);

// The rectangle covered on the screen by the ring in the given slot, taken as a circle of
// radius extent in the plane of its axes.
void ringScreenBounds(int32_t slot, ScreenRect &rect);
