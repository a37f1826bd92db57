// The per-frame walk: places, bounds, cuts off and projects the rings ahead of the viewer.
#pragma once

#include <cstdint>

// Builds the frame's geometry for the viewer at positionFixed (1/256-ring units: the ring
// is positionFixed >> 8, the fraction through it the low 8 bits). Generates every ring the
// walk reaches for the first time, unless a stop was requested. Writes visibleRings and, when
// that is not 0, ringDepth and ringVertices for the visible rings.
void buildTunnel(int32_t positionFixed);

// Converts a position sum to the builder's integer without undefined behaviour: truncates
// toward zero and saturates at the int32 range. Not a number gives fallback (the caller
// passes the last position it handed over).
int32_t positionToFixed(double sum, int32_t fallback);
