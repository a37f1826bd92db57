// A stand-in for the JPEG decoder, linked instead of the real one, so that the loader's own
// steps can be checked exactly: scripted results and sizes, and a record of the calls.
#pragma once

#include "texture/jpeg_decoder.h"

#include <string>
#include <vector>

struct FakeDecoder {
    // Script.
    int initResult = 0;
    int parametersResult = 0;
    int imageResult = 0;
    int32_t width = 0, height = 0;    // reported by the parameter read
    std::vector<unsigned char> image; // copied into the output on a successful image read

    // Observations.
    int initCalls = 0, parameterCalls = 0, imageCalls = 0, freeCalls = 0;
    std::string path;
    JpegProperties atImageRead{}; // the record as the loader filled it for the image read
};

extern FakeDecoder fakeDecoder;
