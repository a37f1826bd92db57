#include "tunnel/bounds.h"

#include <cmath>

#include "tunnel/state.h"

void resetRect(ScreenRect &rect) {
    rect.minX = -1e10f;
    rect.maxX = 1e10f;
    rect.minY = -1e10f;
    rect.maxY = 1e10f;
}

void intersectRect(ScreenRect &target, const ScreenRect &other) {
    target.minX = target.minX > other.minX ? target.minX : other.minX;
    target.maxX = other.maxX > target.maxX ? target.maxX : other.maxX;
    target.minY = other.minY >= target.minY ? other.minY : target.minY;
    target.maxY = other.maxY > target.maxY ? target.maxY : other.maxY;
}

bool isRectEmpty(const ScreenRect &rect) {
    if (rect.minX > rect.maxX)
        return true;
    return rect.minY > rect.maxY;
}

void solveOnUnitCircle(double alpha, double beta, double gamma, float &u1, float &v1, float &u2,
                       float &v2) {
    const double sigma = 1.0 / std::sqrt(alpha * alpha + beta * beta);
    const double a = alpha * sigma;
    const double b = beta * sigma;
    const double g = gamma * sigma;
    const double tau = std::sqrt(1.0 - g * g);
    u1 = static_cast<float>(g * a - tau * b);
    v1 = static_cast<float>(g * b + tau * a);
    u2 = static_cast<float>(g * a + tau * b);
    v2 = static_cast<float>(g * b - tau * a);
}

namespace {

// One screen axis of the bounds. c picks the lateral component (x or z); the forward one is y.
// The projected coordinate c/y is stationary on the circle where α·u + β·v = γ.
template <float Vector4::*C>
void axisBounds(const Vector4 &m, const Vector4 &r, const Vector4 &s, double sign, float &lo,
                float &hi) {
    const double alpha = static_cast<double>(m.y) * (r.*C) - static_cast<double>(m.*C) * r.y;
    const double beta = static_cast<double>(m.*C) * s.y - static_cast<double>(m.y) * (s.*C);
    const double gamma = static_cast<double>(r.y) * (s.*C) - static_cast<double>(r.*C) * s.y;
    float u1, v1, u2, v2;
    solveOnUnitCircle(alpha, beta, gamma, u1, v1, u2, v2);

    const double z = zoom;
    auto project = [&](float u, float v) {
        const double lateral =
            static_cast<double>(r.*C) * v + (m.*C) + static_cast<double>(s.*C) * u;
        const double forward = static_cast<double>(r.y) * v + m.y + static_cast<double>(s.y) * u;
        return static_cast<float>(sign * (z * lateral / forward));
    };
    const float p1 = project(u1, v1);
    const float p2 = project(u2, v2);
    if (p1 >= p2) {
        lo = p2;
        hi = p1;
    } else {
        lo = p1;
        hi = p2;
    }
}

} // namespace

void ringScreenBounds(int32_t slot, ScreenRect &rect) {
    const RingFrame &frame = ringFrames[slot];
    const Vector4 m = frame.center;
    const Vector4 r = scaled(frame.axisX, frame.extent);
    const Vector4 s = scaled(frame.axisZ, frame.extent);
    axisBounds<&Vector4::x>(m, r, s, 1.0, rect.minX, rect.maxX);
    axisBounds<&Vector4::z>(m, r, s, -1.0, rect.minY, rect.maxY);
}
