#include "tunnel/reset.h"

#include <cstring>

#include "tunnel/flight.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

void resetEffectState() {
    randomState = 1;
    zoom = 2.0f;
    speed = position = lastAspect = 0.0f;
    driftA = driftB = 0.0f;
    polyStep = visibleRings = lastGeneratedRing = 0;
    sinusoidSize = stopRequested = frameCount = 0;
    std::memset(profile, 0, sizeof profile);
    std::memset(ringShapes, 0, sizeof ringShapes);
    std::memset(static_cast<void *>(ringFrames), 0, sizeof ringFrames);
    std::memset(ringDepth, 0, sizeof ringDepth);
    std::memset(ringVertices, 0, sizeof ringVertices);
    windowHandle = nullptr;
    clientWidth = clientHeight = 0;
    timeNow = timeDelta = 0.0f;
    fpsMarkTime = 0.0f;
    resetFlight();
    initProfile();
}
