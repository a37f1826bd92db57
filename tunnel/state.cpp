#include "tunnel/state.h"

#include "math/trig.h"

float zoom = 2.0f;
float speed;
float position;
float lastAspect;
int32_t polyStep;
int32_t visibleRings;
int32_t lastGeneratedRing;
float driftA;
float driftB;
int32_t sinusoidSize;
int32_t stopRequested;
int32_t frameCount;

ProfilePoint profile[kRimPoints];
ShapePoint ringShapes[kRingSlots][kRimPoints];
RingFrame ringFrames[kRingSlots];
float ringDepth[kRingSlots];
TunnelVertex ringVertices[kRingSlots][kRingVertices];

HWND windowHandle;
int32_t clientWidth;
int32_t clientHeight;
float timeNow;
float timeDelta;

void initProfile() {
    // π/32 rounded to a float: point 32 lands slightly off the axis, which the tunnel keeps.
    const double step = 0.09817477f;
    for (int k = 0; k < kRimPoints; ++k) {
        const double angle = k * step;
        profile[k].dirX = static_cast<float>(25.0 * sine(angle));
        profile[k].dirY = static_cast<float>(25.0 * cosine(angle));
        profile[k].noiseA = 0.0f;
        profile[k].noiseB = 0.0f;
    }
    lastGeneratedRing = -1;
    polyStep = 1;
}
