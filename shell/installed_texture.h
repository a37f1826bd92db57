// The wall texture installed with the programs, for the Linux programs, which may be started
// from any folder.
#pragma once

#include <string>

// grottebl.jpg beside the running executable (a build tree), in share/vorticel one or two
// levels above its folder (bin/ and libexec/xscreensaver/ of an install, wherever it was
// unpacked), then in the folder the build installs it to. Empty when none of them is a
// readable regular file.
std::string installedTexture();

// A regular file that can be read: what a wall texture may be.
bool readableFile(const std::string &path);

// Where installedTexture looks, for a line that says it found nothing.
extern const char kInstalledTextureWhere[];
