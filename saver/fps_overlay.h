// The saver's frame-rate overlay: "FPS: 59.9" and "Triangles: 8064" in white on a black box in
// the bottom-left corner, as XScreenSaver's hacks show their frame rate, drawn with the window
// system's bitmap font (wglUseFontBitmapsA).
#pragma once

#include <windows.h>

// Makes the font's display lists for the current context. False, after a report through
// saverReport, when the window system has no font: the overlay then stays off.
bool startFpsOverlay(HDC deviceContext);

// Counts the frame just built (the counter reading perfNow) and draws the overlay over it.
// Everything it changes in GL is put back, as renderFrame relies on it. Nothing without a font.
void drawFpsOverlay();

// Deletes the font's lists while the context is still current.
void stopFpsOverlay();
