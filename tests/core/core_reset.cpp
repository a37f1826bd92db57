#include "core_reset.h"

#include "tunnel/generator.h"
#include "tunnel/state.h"

void resetCore() {
    randomState = 1;
    zoom = 2.0f;
    driftA = 0.0f;
    driftB = 0.0f;
    sinusoidSize = 0;
    stopRequested = 0;
    visibleRings = 0;
    frameCount = 0;
    std::memset(profile, 0, sizeof profile);
    std::memset(ringShapes, 0, sizeof ringShapes);
    std::memset(ringDepth, 0, sizeof ringDepth);
    std::memset(ringVertices, 0, sizeof ringVertices);
    for (RingFrame &frame : ringFrames) {
        frame.angles = Vector4{};
        frame.center = Vector4{};
        frame.axisX = Vector4{};
        frame.axisZ = Vector4{};
        frame.extent = 0.0f;
    }
    initProfile();
}
