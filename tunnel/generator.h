// The ring generator: the program's own pseudo-random sequence and the making of one ring.
#pragma once

#include <cstdint>

// Whole state of the linear congruential generator; 1 at process start, never reseeded.
extern uint32_t randomState;

// Advances the state by one step and returns its bits 16 to 30 (0 to 32767).
int32_t randomInt();

// One draw times 1/32768 times scale, in double precision and not rounded to a float.
double randomFloat(float scale);

// Makes one ring into the given slot (0 to 63): its cross-section, extent and turn, advancing
// the noise and steering state carried from ring to ring.
void generateRing(int32_t slot, float sizeFactor);
