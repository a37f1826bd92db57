// The screensaver shell: the effect in a window of its own, full screen, or in a child window
// inside a window it is given (a screensaver daemon's or a preview window), with a frame cap
// and an optional frame-rate overlay. Written against the Win32 subset, so that the Linux
// vorticel-saver and the Windows screensaver share it; their entries only choose the target.
#pragma once

#include <windows.h>

#include <csignal>
#include <cstdint>

#include "saver/frame_pacer.h"
#include "saver/input_guard.h"
#include "saver/settings.h"
#include "tunnel/effect.h"

enum class SaverPlace {
    Window,     // its own resizable window "Vorticel", 640 x 480
    FullScreen, // its own WS_POPUP window covering the (virtual) screen
    Child,      // a child window filling parent, following its size, ending when it goes
};

struct SaverTarget {
    SaverPlace place = SaverPlace::Window;
    HWND parent = nullptr; // for Child
    // A key, a mouse button or the mouse moving ends the run (the Windows screensaver's
    // full screen); otherwise the keys act as in Vorticel.
    bool endOnInput = false;
};

// Set to end the run (from a signal handler too): the loop destroys its window at its next
// pass, and the run ends with status 0.
extern volatile std::sig_atomic_t saverStop;

// Where the saver's one-line failure reports go; standard error by default.
extern void (*saverReport)(const char *line);

// Runs the saver until its window is gone and returns the exit status: 0, or 1 when the
// window or its rendering context cannot be made (after a report). wall: the wall texture, a
// file or bytes the program carries; neither when none was found (the caller has said so),
// which gives the fallback pattern. A texture that fails to load is reported and also gives
// the fallback pattern. In its own windows the keys act as in Vorticel, but ESC and q end the
// run at once.
int runSaver(HINSTANCE instance, const SaverSettings &settings, const SaverTarget &target,
             const WallPicture &wall);

// The saver window's procedure (registered by runSaver as the class "VorticelSaver").
LRESULT CALLBACK saverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
