#include "tunnel/builder.h"

#include <climits>
#include <cmath>

#include "tunnel/bounds.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

int32_t positionToFixed(double sum, int32_t fallback) {
    if (std::isnan(sum))
        return fallback;
    if (sum >= 2147483647.0)
        return INT32_MAX;
    if (sum <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(sum);
}

namespace {

// Size factor of a new ring: 1, or (sin(n·π/10) + 4)/4 with π as a float.
float sizeFactorFor(int32_t ring) {
    if (!sinusoidSize)
        return 1.0f;
    const double pi = 3.1415927410125732;
    return static_cast<float>((std::sin(ring * pi / 10.0) + 4.0) / 4.0);
}

// Walks up to 64 rings from baseRing and returns how many were reached.
int32_t walk(int32_t baseRing, float fraction) {
    Vector4 centre(0.0f, 0.0f, 0.0f);
    Vector4 axisX(1.0f, 0.0f, 0.0f);
    Vector4 step(0.0f, 8.0f, 0.0f);
    Vector4 axisZ(0.0f, 0.0f, 1.0f);
    Matrix3 turn;
    ScreenRect sightRect;
    resetRect(sightRect);

    // baseRing is at most INT32_MAX >> 8, so baseRing + i cannot overflow.
    for (int32_t i = 0; i < kRingSlots; ++i) {
        if (isRectEmpty(sightRect))
            return i;
        const int32_t n = baseRing + i;
        const int32_t slot = n & 63;
        if (n > lastGeneratedRing) {
            if (stopRequested)
                return i;
            generateRing(slot, sizeFactorFor(n));
            lastGeneratedRing = n;
        }

        RingFrame &frame = ringFrames[slot];
        if (i == 0) {
            const float k = 1.0f - fraction;
            centre += scaled(step, k);
            frame.center = centre;
            frame.axisX = axisX;
            frame.axisZ = axisZ;
            turn.fromAngles(k * frame.angles.x, k * frame.angles.y, k * frame.angles.z);
        } else {
            centre += step;
            frame.center = centre;
            frame.axisX = axisX;
            frame.axisZ = axisZ;
            turn.fromAngles(frame.angles.x, frame.angles.y, frame.angles.z);
        }
        turn.transform(axisX);
        turn.transform(step);
        turn.transform(axisZ);

        ScreenRect ringRect;
        ringScreenBounds(slot, ringRect);
        intersectRect(sightRect, ringRect);
    }
    return kRingSlots;
}

// Projects the rim points of one visible ring into its row of ringVertices.
void projectRing(int32_t i, int32_t ring) {
    const RingFrame &frame = ringFrames[ring & 63];
    const ShapePoint *shape = ringShapes[ring & 63];
    const Vector4 centre = frame.center;
    const Vector4 axisX = frame.axisX;
    const Vector4 axisZ = frame.axisZ;
    const float v = static_cast<float>(ring * 0.03125);
    const double z = zoom;
    TunnelVertex *row = ringVertices[i];

    for (int32_t j = 0; j <= kRimPoints; j += polyStep) {
        const ShapePoint &p = shape[j & 63];
        const double px = p.x, py = p.y;
        const float wx = static_cast<float>(px * axisX.x + centre.x + py * axisZ.x);
        float wy = static_cast<float>(px * axisX.y + centre.y + py * axisZ.y);
        const float wz = static_cast<float>(px * axisX.z + centre.z + py * axisZ.z);
        // At or behind the eye's plane (or not a number): project as if 0.1 ahead.
        if (!(wy > 0.0f))
            wy = 0.1f;
        TunnelVertex &out = row[j];
        out.x = static_cast<float>(z * wx / wy);
        out.y = static_cast<float>(-(z * wz / wy));
        out.u = static_cast<float>(j * 0.015625);
        out.v = v;
        out.shade = static_cast<float>(0.75 * p.shadeA + 0.25);
    }
}

} // namespace

void buildTunnel(int32_t positionFixed) {
    const float fraction = static_cast<float>((positionFixed & 255) * 0.00390625);
    const int32_t baseRing = positionFixed >> 8;

    visibleRings = walk(baseRing, fraction);
    for (int32_t i = 0; i < visibleRings; ++i) {
        ringDepth[i] = static_cast<float>(i + 1.0 - fraction);
        projectRing(i, baseRing + i);
    }
}
