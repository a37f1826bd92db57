#include "saver/frame_pacer.h"

#include <cmath>

FramePacer::FramePacer(int64_t frequency, int32_t maxFps)
    : frequency(static_cast<double>(frequency)),
      step(maxFps > 0 && frequency > 0 ? static_cast<double>(frequency) / maxFps : 0.0) {}

bool FramePacer::due(int64_t now, DWORD &waitMs) {
    waitMs = 0;
    const double at = static_cast<double>(now);
    if (step <= 0.0)
        return true;
    if (!started) {
        started = true;
        next = at;
    }
    if (at >= next) {
        next += step;
        if (next <= at)
            next = at + step;
        return true;
    }
    waitMs = static_cast<DWORD>(std::ceil((next - at) * 1000.0 / frequency));
    return false;
}
