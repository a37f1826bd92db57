#include "saver/settings.h"

#include <cmath>

#include "tunnel/state.h"

namespace {

// The speed the effect starts with, in position units per second: 31.25 rings.
constexpr float kStartSpeed = 8000.0f;

bool within(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

} // namespace

bool saverPolyStepValid(long polyStep) {
    return polyStep == 1 || polyStep == 2 || polyStep == 4 || polyStep == 8;
}

const char *saverSettingsProblem(const SaverSettings &s) {
    if (!saverPolyStepValid(s.polyStep))
        return "the polygon step is not 1, 2, 4 or 8";
    if (!within(s.speed, kSaverSpeedMin, kSaverSpeedMax))
        return "the speed is not within 0.1 to 10";
    if (!within(s.zoom, kSaverZoomMin, kSaverZoomMax))
        return "the zoom is not within 0.5 to 8";
    if (s.maxFps < 0 || s.maxFps > kSaverMaxFpsMax)
        return "the frame cap is not within 0 to 1000";
    return nullptr;
}

void applySaverSettings(const SaverSettings &s) {
    polyStep = s.polyStep;
    sinusoidSize = s.sinusoid ? 1 : 0;
    speed = static_cast<float>(kStartSpeed * s.speed);
    zoom = static_cast<float>(s.zoom);
}
