// The frame cap's schedule on the performance counter.
#pragma once

#include <windows.h>

#include <cstdint>

// Frames are due at fixed steps of 1/maxFps s from the first one, so that the rate holds
// however the waits round; a run that falls more than a step behind starts afresh instead
// of catching up in a burst. maxFps 0: every frame is due at once.
class FramePacer {
  public:
    FramePacer(int64_t frequency, int32_t maxFps);
    // True when a frame is due at counter value now (the schedule then moves on a step);
    // otherwise false, with the milliseconds until the next one, rounded up, in waitMs.
    bool due(int64_t now, DWORD &waitMs);

  private:
    double frequency, step, next = 0.0;
    bool started = false;
};
