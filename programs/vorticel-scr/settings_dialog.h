// The Windows screensaver's settings dialog: the saver's settings, read from and written to
// the registry.
#pragma once

#include <windows.h>

// Shows the dialog, owned by owner (may be null), until OK or Cancel. IDOK when the settings
// were saved, IDCANCEL when left unchanged, -1 when the dialog could not be shown.
INT_PTR showSaverSettings(HINSTANCE instance, HWND owner);
