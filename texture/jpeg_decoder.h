// The small JPEG decoder the texture loader reads through: initialise a properties record,
// read the image parameters or the whole image, and free what the decoder holds for the record.
// One implementation per platform (TurboJPEG on Linux, WIC on Windows).
#pragma once

#include <cstddef>
#include <cstdint>

// What to read with jpegRead.
enum JpegReadMode : int32_t {
    jpegReadParameters = 0, // the image size only: imageWidth, imageHeight
    jpegReadImage = 2,      // the whole image into the output buffer
};

// Colour codes for outputColour.
enum JpegColour : int32_t {
    jpegColourRgb = 1, // red, green, blue, one byte each, in that order
};

// The record shared between a caller and the decoder. Zero it before jpegInit.
struct JpegProperties {
    // Set by the caller.
    const char *path;       // zero-terminated path of the JPEG file
    unsigned char *output;  // buffer for jpegReadImage: outputHeight rows of
                            // outputWidth * outputChannels bytes, without gaps
    int32_t outputWidth;    // must equal imageWidth (no scaling)
    int32_t outputHeight;   // must equal imageHeight, positive
    int32_t outputChannels; // 3
    int32_t outputColour;   // jpegColourRgb

    // Set by the decoder after a successful read.
    int32_t imageWidth;
    int32_t imageHeight;

    // Decoder-private state: the decompressor and the file's bytes, read once.
    void *decoder;
    unsigned char *fileData;
    size_t fileSize;
};

// True when the record asks for the one layout the decoders deliver: an unscaled RGB image into
// a buffer, after the image size has been read.
inline bool jpegOutputDeliverable(const JpegProperties &p) {
    return p.output && p.outputChannels == 3 && p.outputColour == jpegColourRgb &&
           p.outputWidth == p.imageWidth && p.outputHeight == p.imageHeight;
}

// Prepares the record for reading. 0 on success; anything else means the decoder is unusable
// and jpegFree need not be called.
int jpegInit(JpegProperties *properties);

// Reads from the file named by properties->path. 0 on success; a missing, unreadable or
// undecodable file, an unknown mode or an output layout the decoder cannot deliver gives a
// non-zero result. The first row written is the top row of the picture.
int jpegRead(JpegProperties *properties, int32_t mode);

// Frees what the decoder holds for the record. Safe to call more than once. Always 0.
int jpegFree(JpegProperties *properties);
