#include "tunnel/flight.h"

#include <cfloat>
#include <cmath>

#include "tunnel/builder.h"
#include "tunnel/state.h"

float fpsMarkTime;

namespace {

FlightRecord record = {};
bool fpsMarkLatched = false;   // fpsMarkTime has been set by the run's first frame
double previousQuotient = 0.0; // the previous frame's unrounded time, moved with the clock
int32_t lastFixed = 0;         // position last handed to the builder

} // namespace

void resetFlight() {
    record = FlightRecord();
    fpsMarkLatched = false;
    previousQuotient = 0.0;
    lastFixed = 0;
}

void startFpsPeriodOnce() {
    if (!fpsMarkLatched) {
        fpsMarkTime = timeNow;
        fpsMarkLatched = true;
    }
}

FlightRecord flightRecord() {
    FlightRecord r = record;
    if (!r.longRun)
        r.position = position;
    return r;
}

void stepFrameClock(int64_t count, int64_t frequency, int64_t &start) {
    const float previous = timeNow;
    // Without a usable counter frequency the clock stands still instead of dividing by zero.
    double q =
        frequency > 0 ? static_cast<double>(count - start) / static_cast<double>(frequency) : 0.0;
    if (!record.longRun && q >= kLongRunSeconds)
        record.longRun = true;
    if (!record.longRun) {
        // The first rules: the step is taken against the previous timeNow as it was rounded.
        timeNow = static_cast<float>(q);
        timeDelta = static_cast<float>(q - previous);
        previousQuotient = q;
        return;
    }

    if (q >= kLongRunSeconds && count - start >= frequency) {
        // Move the zero point forward by the whole seconds elapsed, so that timeNow keeps the
        // resolution of the first minutes. Integer counts: the new time is exactly the old one
        // less those seconds. After a long stall (a suspended machine) the times shifted here
        // lie far back; they are only ever subtracted from the current time.
        const int64_t seconds = (count - start) / frequency;
        start += seconds * frequency;
        q = static_cast<double>(count - start) / static_cast<double>(frequency);
        // Both lie within a second or so of the seconds taken off, so both subtractions are
        // exact (Sterbenz) and the frame step and the frame-rate period keep their lengths.
        previousQuotient -= static_cast<double>(seconds);
        fpsMarkTime = static_cast<float>(static_cast<double>(fpsMarkTime) - seconds);
        ++record.clockRebases;
        record.secondsMoved += seconds;
    }
    // A reading behind the previous one (a counter that went back) counts as the previous
    // one: the clock never runs back, and the time it lost is not counted twice.
    q = std::fmax(q, previousQuotient);
    // Against the unrounded previous time: no rounding error carries from frame to frame.
    timeNow = static_cast<float>(q);
    timeDelta = static_cast<float>(q - previousQuotient);
    previousQuotient = q;
}

int32_t advanceFlight() {
    if (!record.longRun) {
        // The first rules. The builder gets the double sum, not the rounded position.
        const double sum = static_cast<double>(timeDelta) * speed + position;
        if (sum < kLongRunPosition) {
            position = static_cast<float>(sum);
            // Where the long-run rules take over should the clock be the one to end these.
            record.position = position;
            lastFixed = positionToFixed(sum, lastFixed);
            return lastFixed;
        }
        // 2^20 reached, or an infinite speed made the sum infinite or not a number: this frame
        // is the first under the long-run rules, from the position as it stood.
        record.longRun = true;
        record.position = std::isfinite(position) ? position : 0.0;
    }
    if (static_cast<float>(record.position) != position && std::isfinite(position)) {
        // Someone else set the position (a restart of the effect, a test): fly on from there.
        record.position = position;
    }

    // An infinite speed flies as the largest finite one, so 0 × ∞ never arises, and a step is
    // never negative or not a number: the viewer never goes back. A step of a frame may cover
    // any number of rings (the builder then starts afresh from the new place).
    const double pace = speed > 0.0f ? std::fmin(static_cast<double>(speed), FLT_MAX) : 0.0;
    double step = static_cast<double>(timeDelta) * pace;
    if (!(step > 0.0))
        step = 0.0;
    step = std::fmin(step, DBL_MAX);
    double sum = record.position + step;

    if (sum >= kLongRunPosition) {
        // Drop whole periods: fmod is exact, and so is the difference below 2^53. Ring n
        // becomes ring n - dropped; dropped is a multiple of 320, so each made ring keeps its
        // slot (n & 63), its texture coordinate up to whole repeats and its sinusoidal size,
        // and the viewer's ring, counted the new way, still never goes back. Rings made
        // before lie dropped rings lower; below -1 they are all behind the viewer, which is
        // what -1 says too. In doubles: a jump may be far beyond the int32 range.
        const double kept = std::fmod(sum, kTunnelPeriod);
        const double dropped = (sum - kept) / 256.0;
        const double last = static_cast<double>(lastGeneratedRing) - dropped;
        lastGeneratedRing = last < -1.0 ? -1 : static_cast<int32_t>(last);
        sum = kept;
        ++record.ringRebases;
        record.ringsRenumbered += dropped;
    }
    record.position = sum;
    position = static_cast<float>(sum);
    lastFixed = positionToFixed(sum, lastFixed);
    return lastFixed;
}
