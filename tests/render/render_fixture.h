// Test support for the effect's drawing side: one offscreen context for the whole run,
// recording doubles of the two window calls, and a reset of the effect's global state.
#pragma once

#include <windows.h>

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "offscreen_gl.h"

struct PostedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// What the renderer asked of the window since the last reset.
struct WindowCalls {
    std::vector<std::pair<HWND, std::string>> titles;
    std::vector<PostedMessage> posted;
};
extern WindowCalls windowCalls;

// The handle the tests give the effect; never dereferenced.
HWND testWindow();

class RenderTest : public ::testing::Test {
  protected:
    // Fresh-process effect state for a width x height client area, then initEffect.
    void SetUp() override;

    // Puts the effect state back to that of a fresh process and runs initEffect.
    static void restartEffect(int width, int height);
    // Runs frames at a fixed step from the current timeNow.
    static void runFrames(int count, float step);
    // Fills the colour buffer with a colour, leaving the clear colour black again.
    static void fillColour(float r, float g, float b);
    static std::vector<unsigned char> pixels() { return gl->readRgb(); }

  public:
    static OffscreenGl *gl; // the shared context, made before the first test
};
