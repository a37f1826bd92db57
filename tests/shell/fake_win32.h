// A recording stand-in for the window system, GL viewport and effect entry points, so the
// shell's logic can be driven message by message without a display.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

struct FakeSystem {
    std::vector<std::string> calls; // one entry per call, in order, e.g. "RegisterClassA"
    std::deque<MSG> queue;          // posted messages, handed out by PeekMessageA
    bool invalid = false;           // a paint is pending while the window is invalid

    // What the calls return or report.
    ATOM registerResult = 1;
    bool createFails = false;
    int64_t frequency = 1000;
    int64_t counter = 0;
    int bitsPerPixel = 32;

    // What the calls received.
    WNDCLASSA registeredClass = {};
    DWORD createStyle = 0;
    int createX = 0, createY = 0, createWidth = 0, createHeight = 0;
    std::vector<std::string> boxTexts, boxCaptions;
    std::vector<UINT> boxTypes;
    PIXELFORMATDESCRIPTOR chosenRequest = {};
    std::string debugOutput;
    int viewportWidth = -1, viewportHeight = -1;
    int frames = 0;            // renderFrame calls
    int closeAfterFrames = -1; // renderFrame posts WM_CLOSE on this frame
    int quitDispatches = 0;
    bool runningDuringInit = true;

    int count(const std::string &name) const;
    // Index of the first call of that name, or -1.
    int indexOf(const std::string &name) const;
};

extern FakeSystem fake;

// Resets the fake and the shell and effect globals it touches.
void resetFake();

// The handles the double hands out.
const HWND kFakeWindow = reinterpret_cast<HWND>(0x1000);
const HDC kFakeDc = reinterpret_cast<HDC>(0x2000);
const HGLRC kFakeContext = reinterpret_cast<HGLRC>(0x3000);
