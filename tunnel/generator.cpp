#include "tunnel/generator.h"

#include "tunnel/state.h"

uint32_t randomState = 1;

int32_t randomInt() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int32_t>((randomState >> 16) & 0x7FFFu);
}

double randomFloat(float scale) {
    return randomInt() * 3.0517578125e-05 * scale;
}

namespace {

// Clamps to [0, 1]; 0 and 1 themselves pass unchanged.
float clampUnit(float value) {
    if (value < 0.0f)
        return 0.0f;
    if (value > 1.0f)
        return 1.0f;
    return value;
}

// Moves a steering value toward its target by at most 0.01 per ring; within reach it lands
// on the target exactly.
float steer(float drift, float target) {
    const double step = 0.01f;
    if (drift - step > target)
        return static_cast<float>(drift - step);
    if (drift + step < target)
        return static_cast<float>(drift + step);
    return target;
}

// The turn in radians for a steering value u in [-2, 2): u³·2·8·π/2500, left to right.
float turnAngle(float u) {
    const double pi = 3.1415927410125732; // π as a float
    return static_cast<float>(static_cast<double>(u) * u * u * 2.0 * 8.0 * pi / 2500.0);
}

} // namespace

void generateRing(int32_t slot, float sizeFactor) {
    const double offsetCentre = 0.15f;
    const double gain = 0.9999f;
    ShapePoint *shape = ringShapes[slot];

    float r = 0.0f;
    for (int k = 0; k < kRimPoints; ++k) {
        const float a =
            clampUnit(static_cast<float>(randomFloat(0.3f) + profile[k].noiseA - offsetCentre));
        const float b =
            clampUnit(static_cast<float>(randomFloat(0.3f) + profile[k].noiseB - offsetCentre));
        shape[k].shadeA = a;
        shape[k].shadeB = b;
        r = static_cast<float>((2.0 - a) * sizeFactor);
        shape[k].x = static_cast<float>(static_cast<double>(r) * profile[k].dirX);
        shape[k].y = static_cast<float>(static_cast<double>(r) * profile[k].dirY);
    }

    // Three-point average around the rim, slightly damped, as the next ring's noise.
    for (int k = 0; k < kRimPoints; ++k) {
        const ShapePoint &next = shape[(k + 1) & 63];
        const ShapePoint &prev = shape[(k + 63) & 63];
        profile[k].noiseA = static_cast<float>(
            (static_cast<double>(shape[k].shadeA) + next.shadeA + prev.shadeA) * gain / 3.0);
        profile[k].noiseB = static_cast<float>(
            (static_cast<double>(shape[k].shadeB) + next.shadeB + prev.shadeB) * gain / 3.0);
    }

    RingFrame &frame = ringFrames[slot];
    frame.extent = static_cast<float>(static_cast<double>(r) * 25.0);

    driftA = steer(driftA, profile[0].noiseB);
    driftB = steer(driftB, profile[32].noiseB);

    const float uA = static_cast<float>(2.0 * (2.0 * driftA - 1.0));
    const float uB = static_cast<float>(2.0 * (2.0 * driftB - 1.0));
    frame.angles.y = 0.0f;
    frame.angles.z = turnAngle(uA);
    frame.angles.x = turnAngle(uB);
}
