// The Windows screensaver's settings in the registry, one value per setting under
// HKEY_CURRENT_USER\Software\Vorticel:
//   PolyStep  DWORD   1, 2, 4 or 8
//   Sinusoid  DWORD   0 or 1
//   Speed     string  a decimal number, 0.1 to 10
//   Zoom      string  a decimal number, 0.5 to 8
//   ShowFps   DWORD   0 or 1
//   MaxFps    DWORD   0 to 1000, 0 for no cap
// The ranges are the command line's. A value that is missing, of another type or out of its
// range gives that setting its default; the others are kept.
#pragma once

#include "saver/settings.h"

extern const char kSaverRegistryKey[]; // "Software\Vorticel", under HKEY_CURRENT_USER

SaverSettings loadSaverSettings(const char *key = kSaverRegistryKey);
// False when the key cannot be opened or a value cannot be written.
bool storeSaverSettings(const SaverSettings &settings, const char *key = kSaverRegistryKey);
