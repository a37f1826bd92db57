// The tunnel effect's state: record types, the global tables and scalars, and the frame inputs
// that the application shell keeps for the effect.
//
// Ring n of the tunnel lives in slot n & 63 of the ring buffers; each ring has 64 rim points,
// point k at the angle k·π/32. Everything is a fixed-size global that lives for the whole run.
#pragma once

#include <cstdint>

#include "math/vector.h"

// The window handle, opaque to the effect. This is the same type the Windows headers declare
// (STRICT handles), so the headless core needs no window-system header.
struct HWND__;
typedef HWND__ *HWND;

constexpr int kRingSlots = 64;    // rings held in the ring buffers
constexpr int kRimPoints = 64;    // points around each ring
constexpr int kRingVertices = 65; // vertices per drawn ring; vertex 64 closes the strip

struct ProfilePoint {
    float dirX;   // 25·sin(k·π/32): offset along the ring's first axis
    float dirY;   // 25·cos(k·π/32): offset along the ring's second axis
    float noiseA; // radius-and-brightness noise carried from ring to ring
    float noiseB; // steering noise carried from ring to ring
};

struct ShapePoint {
    float x;      // offset from the ring centre along the first axis
    float y;      // offset along the second axis
    float shadeA; // radius-and-brightness noise value in [0, 1]
    float shadeB; // steering noise value in [0, 1]
};

struct RingFrame {
    Vector4 angles; // turn from this ring to the next (x from driftB, y = 0, z from driftA)
    Vector4 center; // ring centre in eye space, rewritten by every walk that reaches the ring
    Vector4 axisX;  // ring plane's first axis (the ShapePoint x direction)
    Vector4 axisZ;  // ring plane's second axis (the ShapePoint y direction)
    float extent;   // radius used for the screen bounds: 25 × point 63's radius factor

    // Constructs the four vectors and sets nothing; the global table starts all zero.
    RingFrame() {}
};

struct TunnelVertex {
    float x, y;  // screen position in the units of the orthographic view
    float u, v;  // texture coordinates: around the ring, along the tunnel
    float shade; // 0.25 + 0.75·shadeA, before depth shading
};

// Global scalars.
extern float zoom;                // projection scale, 2.0 at process start
extern float speed;               // position units per second, 8000 after set-up
extern float position;            // viewer's place in 1/256-ring units
extern float lastAspect;          // aspect for which the projection was last set
extern int32_t polyStep;          // 1, 2, 4 or 8: stride between drawn rim points
extern int32_t visibleRings;      // rings that survived the latest build, 0 to 64
extern int32_t lastGeneratedRing; // highest ring number generated so far, -1 for none
extern float driftA;              // smoothed steering behind the z turn
extern float driftB;              // smoothed steering behind the x turn
extern int32_t sinusoidSize;      // 1: new rings get a size that follows a sine of the ring number
extern int32_t stopRequested;     // 1: no more rings are generated; never cleared
extern int32_t frameCount;        // frames drawn since the last title refresh

// Global tables.
extern ProfilePoint profile[kRimPoints];
extern ShapePoint ringShapes[kRingSlots][kRimPoints];
extern RingFrame ringFrames[kRingSlots];
extern float ringDepth[kRingSlots];
extern TunnelVertex ringVertices[kRingSlots][kRingVertices];

// Frame inputs written by the application shell.
extern HWND windowHandle;
extern int32_t clientWidth;
extern int32_t clientHeight;
extern float timeNow;
extern float timeDelta;

// Fills the base circle, clears the carried noise, and resets the generation bookkeeping
// (lastGeneratedRing = -1, polyStep = 1).
void initProfile();
