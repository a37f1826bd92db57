// The frame clock and the advance of the viewer: what turns performance-counter readings into
// timeNow and timeDelta, and timeDelta into the position handed to the builder. No window, no
// GL, so a fake counter can drive it through days of frames.
//
// A run starts under the first rules: timeNow is the counter's time since the start rounded
// to a float, timeDelta the unrounded quotient less the previous (rounded) timeNow, and the
// position a float advanced by timeDelta × speed, handed over truncated. Those rules wear out:
// a float time has 61 µs steps from 512 s (15.6 ms after 36 h) and a float position stops
// taking small advances. So the first frame whose time since the start reaches 900 s, or whose
// advanced position is not below 2^20 units (or not a number), switches the run for good to
// the long-run rules:
// - timeDelta is taken from the unrounded quotients of both frames, and a counter reading
//   behind the previous one counts as that one (the clock never runs back);
// - once the time reaches 900 s the clock's zero point (start) moves forward by the whole
//   seconds elapsed, and so does everything counted from it (fpsMarkTime), so timeNow stays
//   below about 901 s;
// - the position is kept as a double (the float `position` mirrors it), an advance never
//   goes back and never exceeds the largest float speed, and from 2^20 units on the position
//   drops by whole tunnel periods of 320 rings, renumbering the made rings to match.
#pragma once

#include <cstdint>

// Start of the current frame-rate period, latched on the first frame; the clock moves it
// with its zero point.
extern float fpsMarkTime;

// Time since the start at which the clock leaves the first rules, in seconds.
constexpr double kLongRunSeconds = 900.0;
// Position at which the advance leaves the first rules and then drops by whole periods.
constexpr double kLongRunPosition = 1048576.0; // 2^20 units, 4096 rings
// The tunnel's period in position units: 320 rings keep ring slots (64), texture (32 rings)
// and the sinusoidal size (20 rings) alike.
constexpr double kTunnelPeriod = 320.0 * 256.0;

// One frame of the clock from a counter reading: sets timeNow and timeDelta. frequency is in
// counts per second; when it is not positive the clock stands still at 0. Under the long-run
// rules start may move forward by whole seconds (frequency counts each).
void stepFrameClock(int64_t count, int64_t frequency, int64_t &start);

// Advances the viewer by timeDelta × speed and returns the position for buildTunnel, in
// 1/256-ring units. Under the long-run rules it may renumber the rings (lastGeneratedRing).
int32_t advanceFlight();

// On the first frame of a run, starts the frame-rate period at timeNow; later frames leave
// fpsMarkTime alone.
void startFpsPeriodOnce();

// A new run: the first rules again, nothing remembered of the previous frames.
void resetFlight();

// What a run has done so far, for tests and measurements.
struct FlightRecord {
    bool longRun;           // the long-run rules are in force
    double position;        // the exact position (the float `position` rounds it)
    int64_t clockRebases;   // times the clock's zero point moved
    int64_t secondsMoved;   // whole seconds it moved in all
    int64_t ringRebases;    // times the ring numbering dropped
    double ringsRenumbered; // rings it dropped by in all (a multiple of 320)
};
FlightRecord flightRecord();
