// Writes 8-bit RGB images as PNG files.
#pragma once

#include <string>
#include <vector>

// rgb holds height rows of width pixels, top row first, three bytes each. On failure returns
// false and says why in error.
bool writePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb,
              std::string &error);
