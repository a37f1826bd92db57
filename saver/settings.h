// The screensaver's settings: what they mean, their defaults and ranges, and how they reach
// the effect. Shared by every way of setting them (command line, settings dialog).
#pragma once

#include <cstdint>

struct SaverSettings {
    int32_t polyStep = 1;  // column stride around a ring: 1, 2, 4 or 8 (as keys 4 to 1)
    bool sinusoid = false; // sinusoidal ring size (as SPACE)
    double speed = 1.0;    // factor of the start speed, 31.25 rings per second
    double zoom = 2.0;     // projection scale (as * and /)
    bool showFps = false;  // frame rate and triangle count drawn in a corner
    int32_t maxFps = 60;   // frames per second at most; 0: no cap
};

// The ranges, inclusive. A setting outside them is refused, never clamped.
constexpr double kSaverSpeedMin = 0.1, kSaverSpeedMax = 10.0;
constexpr double kSaverZoomMin = 0.5, kSaverZoomMax = 8.0;
constexpr int32_t kSaverMaxFpsMax = 1000;

bool saverPolyStepValid(long polyStep);
// Null when every setting is in its range, else a short reason naming the first that is not.
const char *saverSettingsProblem(const SaverSettings &settings);

// Sets the effect's polyStep, sinusoidSize, speed and zoom; after initEffect, which sets the
// start values.
void applySaverSettings(const SaverSettings &settings);
