// The drawing side of the effect: set-up, projection rule, frame renderer and tear-down.
// All of it runs on the thread that holds the current OpenGL context.
#pragma once

#include <cstddef>

#include "texture/texture.h"
#include "tunnel/flight.h" // fpsMarkTime

// The tunnel wall's texture, loaded at set-up and bound for the whole run.
extern Texture wallTexture;

// Where the wall texture comes from: a JPEG file, or a JPEG's bytes that the program carries
// (the Windows screensaver's resource). Neither gives the fallback pattern.
struct WallPicture {
    const char *path = nullptr;           // the file
    const unsigned char *bytes = nullptr; // the bytes, taken instead of the file when set
    std::size_t size = 0;
};

// Projection, wall texture, fixed GL state, start values of the motion, base profile. True when
// the texture image was loaded.
bool initEffect(const WallPicture &wall);
// initEffect of the file at texturePath (Vorticel: "grottebl.jpg" in the working folder); null
// means no file, which gives the fallback pattern.
bool initEffect(const char *texturePath);

// Orthographic view showing at least -4/3..4/3 across and -1..1 up for the given aspect;
// records lastAspect.
void setProjection(float aspect);

// One frame: aspect check, title refresh, advance, build, draw back to front.
void renderFrame();

// Aspect ratio of the client area, clientWidth / clientHeight rounded to a float. False, and
// aspect untouched, while the area is empty (a minimised window): the projection then stays.
bool clientAspect(float &aspect);

// Grey level of a ring at the given depth: 1 / (0.15 depth + 0.1), at most 1.
float greyFactor(float depth);
