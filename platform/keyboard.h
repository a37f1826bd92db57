// Keyboard translation (keyboard.cpp): X key events to key messages, and their characters.
#pragma once

#include "windows.h"

#include <X11/Xlib.h>

namespace platform {

// Queues a key event as WM_KEYDOWN or WM_KEYUP for the window.
void postKey(HWND window, XKeyEvent &event);

} // namespace platform
