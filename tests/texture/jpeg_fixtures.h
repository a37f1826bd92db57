// Test helpers: JPEG files made on the spot with TurboJPEG.
#pragma once

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// RGB rows split into four flat colour blocks at (splitX, splitY): top-left, top-right,
// bottom-left, bottom-right.
struct Quadrants {
    int width, height, splitX, splitY;
    unsigned char colour[4][3];
    const unsigned char *at(int x, int y) const {
        return colour[(y < splitY ? 0 : 2) + (x < splitX ? 0 : 1)];
    }
    Bytes rgb() const;
};
extern const Quadrants oddQuadrants; // 37 x 21

// Pseudo-random RGB noise, which compresses poorly and so gives long image data.
Bytes noiseRgb(int width, int height);

Bytes encodeJpeg(const Bytes &rgb, int width, int height, int quality = 100);
Bytes decodeRgb(const Bytes &jpeg, int *width, int *height); // empty on failure

// Rewrites the frame header's image size; false when there is no baseline frame header.
bool setFrameSize(Bytes &jpeg, int width, int height);

// A fresh path in the test's temporary directory.
std::string tempPath(const std::string &name);
bool writeFile(const std::string &path, const Bytes &bytes);
Bytes readFile(const std::string &path);
