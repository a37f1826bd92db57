// The Windows screensaver's command line, as the system and the display settings give it:
//   /s           full screen, the saver proper
//   /p HWND      a preview inside that window (also /p:HWND)
//   /c[:HWND]    the settings dialog, owned by that window; also what no argument at all means
// Switches are case-insensitive and may start with '-' as well as '/'.
#pragma once

enum class ScrMode { Settings, Preview, Screen };

struct ScrCommand {
    ScrMode mode = ScrMode::Settings;
    unsigned long window = 0; // the preview's parent, or the dialog's owner (0: none)
};

extern const char kScrUsage[];

// Parses the command line after the program name. False for anything else, with the command
// left as it was.
bool parseScrCommand(const char *commandLine, ScrCommand &command);
