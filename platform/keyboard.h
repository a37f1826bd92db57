// Keyboard translation (keyboard.cpp): X key events to key messages, and their characters.
// Uses nothing else of platform/: the caller queues what it returns.
#pragma once

#include "windows.h"

#include <X11/Xlib.h>

namespace platform {

// A key event as WM_KEYDOWN or WM_KEYUP for the window.
MSG keyMessage(HWND window, XKeyEvent &event);
// The character that a WM_KEYDOWN's lParam types (0 for none): what TranslateMessage posts.
unsigned keyCharacter(Display *connection, LPARAM lParam);

} // namespace platform
