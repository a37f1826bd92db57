// The per-frame walk: places, bounds, cuts off and projects the rings ahead of the viewer.
#pragma once

#include <cstdint>

// Builds the frame's geometry for the viewer at positionFixed (1/256-ring units: the ring
// is positionFixed >> 8, the fraction through it the low 8 bits). Generates every ring the
// walk reaches for the first time, unless a stop was requested. Writes visibleRings and, when
// that is not 0, ringDepth and ringVertices for the visible rings.
// Relies on the viewer's ring (positionFixed >> 8) never going back relative to the ring
// numbering, so that every slot read for a ring up to lastGeneratedRing holds that very ring.
// advanceFlight keeps this: its steps are never negative, and where it renumbers it drops the
// same whole number of 320-ring periods from the position and from lastGeneratedRing (a
// multiple of 64: slots stay), so the viewer's ring, counted the new way, is no lower.
void buildTunnel(int32_t positionFixed);

// Converts a position sum to the builder's integer without undefined behaviour: truncates
// toward zero and saturates at the int32 range. Not a number gives fallback (the caller
// passes the last position it handed over).
int32_t positionToFixed(double sum, int32_t fallback);
