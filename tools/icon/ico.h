// Packs square RGBA images into a Windows icon file (.ico).
#pragma once

#include <string>
#include <vector>

struct IcoImage {
    int side;                        // 1 to 256 pixels
    std::vector<unsigned char> rgba; // side rows of side pixels, top row first, straight alpha
};

// The icon file holding the images in the order given. Images up to 48 pixels go in as 32-bit
// bitmaps with an AND mask, which every Windows since XP shows; larger ones as PNG, as Windows
// Vista and later take them (a 256-pixel bitmap would take 256 KB). False, with the reason in
// error, for a bad image or when PNG encoding fails.
bool encodeIco(const std::vector<IcoImage> &images, std::vector<unsigned char> &ico,
               std::string &error);
