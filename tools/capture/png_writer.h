// Writes 8-bit RGB or RGBA images as PNG, to a file or into memory.
#pragma once

#include <string>
#include <vector>

// pixels holds height rows of width pixels, top row first, channels bytes each (3: RGB,
// 4: RGBA, alpha not premultiplied). On failure returns false and says why in error.
bool encodePng(int width, int height, int channels, const std::vector<unsigned char> &pixels,
               std::vector<unsigned char> &png, std::string &error);

// encodePng of RGB rows, written to the file at path.
bool writePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb,
              std::string &error);

// Writes bytes to the file at path, replacing it. On failure returns false with the reason.
bool writeFileBytes(const std::string &path, const std::vector<unsigned char> &bytes,
                    std::string &error);
