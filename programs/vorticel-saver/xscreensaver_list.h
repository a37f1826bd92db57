// vorticel-saver --install: the saver's line in the display modes of the user's XScreenSaver
// settings (~/.xscreensaver), which the daemon merges with the system's list and watches for
// changes. The settings are X resources; the list is the "programs:" resource, one command
// per line, each line but the last ending in "\n\".
#pragma once

#include <string>

// Adds entry (e.g. "GL: vorticel-saver --root") as the first line of the programs resource in
// the settings text, making the resource when there is none. False, with the text unchanged,
// when a line of the resource already runs program (enabled or disabled with '-').
bool addDisplayMode(std::string &settings, const std::string &entry, const std::string &program);

// Adds the saver to the file's list; the file is made when missing. Returns 0 and says what it
// did on standard output, or 1 after a line on standard error.
int installDisplayMode(const std::string &file, const std::string &entry,
                       const std::string &program);
