// When the full-screen Windows screensaver ends: on a key, a mouse button, or the mouse moving
// more than a few pixels. Windows sends a mouse move when the window appears, with the mouse
// standing still; that first position is where movement is measured from.
#pragma once

#include <windows.h>

class SaverInputGuard {
  public:
    // Pixels the mouse may stray, in either direction, from its first position.
    static constexpr int kSlack = 4;

    // True when the message ends the saver.
    bool ends(UINT message, LPARAM lParam);

  private:
    bool placed = false;
    int firstX = 0, firstY = 0;
};
