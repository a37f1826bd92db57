// vorticel-saver's command line: where it draws and its settings, as flags with one or two
// leading dashes (X screensaver hacks are given "-root").
#pragma once

#include <string>

#include "saver/settings.h"

struct SaverCommand {
    SaverSettings settings;
    bool root = false;          // the daemon's window ($XSCREENSAVER_WINDOW), else the root
    unsigned long windowId = 0; // non-zero: inside that X window
    bool fullScreen = false;
    std::string texture; // empty: the installed wall texture
    bool install = false, help = false, version = false;
};

extern const char kSaverUsage[];

// False at the first bad argument, with a one-line reason. Values out of range are refused;
// --fullscreen excludes --root and --window-id, and --window-id wins over --root.
bool parseSaverCommand(int argc, const char *const *argv, SaverCommand &command,
                       std::string &error);
