// Keeps a projected point that is handed to GL finite and within reach of the view.
#pragma once

#include <cmath>

// How far from the centre a point handed to GL may lie, in screen units (the view spans
// about ±1.33). Points of the tunnel come this far out only when they lie within a hair of
// the eye's plane or the zoom is vast.
constexpr float kScreenLimit = 1048576.0f; // 2^20

// Brings a point beyond kScreenLimit on either axis, or not finite, within the limit; see
// limitToScreen.
void pullWithinScreenLimit(float &x, float &y);

// Leaves a point within ±kScreenLimit on both axes exactly as it is. A point farther out moves
// in along the line from the centre of the view until its larger coordinate is kScreenLimit:
// every edge from a point on the screen to it keeps its direction to within a millionth of a
// radian, so what is seen does not change. An infinite coordinate counts as a direction (a
// point at infinity along that axis), and not a number as 0. Two compares on the common path.
inline void limitToScreen(float &x, float &y) {
    if (!(std::fabs(x) <= kScreenLimit && std::fabs(y) <= kScreenLimit))
        pullWithinScreenLimit(x, y);
}
