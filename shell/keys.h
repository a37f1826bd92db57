// The keyboard controls. They only change the effect's state (tunnel/state.h), which the next
// frame picks up, so they build and test without a window system.
#pragma once

#include <cstdint>

// Gives a typed character (the WM_CHAR code) its meaning for the effect:
//   ESC        stop making rings; the viewer flies out of the end
//   SPACE      sinusoidal ring size on or off (for rings made from now on)
//   * and /    zoom in and out by 1.1
//   + and -    faster and slower by 1.4141
//   1 to 4     polyStep 8, 4, 2, 1 (8 to 64 quads around a ring)
// Any other character does nothing.
void handleKey(uintptr_t character);
