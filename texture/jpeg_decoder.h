// The small JPEG decoder the texture loader reads through: initialise a properties record,
// read the image parameters or the whole image, and free what the decoder holds for the record.
// The picture comes from a file, or from bytes in memory (a resource of the program).
// One implementation per platform (TurboJPEG on Linux, WIC on Windows).
#pragma once

#include <cstddef>
#include <cstdint>

// What to read with jpegRead.
enum JpegReadMode : int32_t {
    jpegReadParameters = 0, // the image size only: imageWidth, imageHeight, scaledWidth, ...
    jpegReadImage = 2,      // the whole image into the output buffer
};

// Colour codes for outputColour.
enum JpegColour : int32_t {
    jpegColourRgb = 1, // red, green, blue, one byte each, in that order
};

// Why a read failed; set on every failing read.
enum JpegFailure : int32_t {
    jpegFailureNone = 0,
    jpegFailureNotRegularFile, // a directory, FIFO, device or socket: refused before any read
    jpegFailureOpen,           // the file cannot be opened (systemError says why)
    jpegFailureRead,           // reading the opened file failed or ended early (systemError)
    jpegFailureFileTooLarge,   // more bytes than any picture file the loader takes
    jpegFailureNotJpeg,        // the header does not read as a JPEG image
    jpegFailureImageTooLarge,  // too large for the caps even at the smallest scale
    jpegFailureBadData,        // the header reads but the image data does not decode
    jpegFailureOutOfMemory,
    jpegFailureBadRequest, // unknown mode, or an output layout the decoder cannot deliver
};

// The record shared between a caller and the decoder. Zero it before jpegInit.
struct JpegProperties {
    // Set by the caller.
    const char *path;       // zero-terminated path of the JPEG file
    unsigned char *output;  // buffer for jpegReadImage: outputHeight rows of
                            // outputWidth * outputChannels bytes, without gaps
    int32_t outputWidth;    // must equal scaledWidth
    int32_t outputHeight;   // must equal scaledHeight
    int32_t outputChannels; // 3
    int32_t outputColour;   // jpegColourRgb
    int32_t maxDimension;   // largest width or height to deliver; 0 for no limit
    int64_t maxOutputBytes; // largest RGB image to deliver, in bytes; 0 for no limit

    // Set by the caller to read a JPEG's bytes in memory instead of the file at path. The
    // bytes stay the caller's and must outlive the record's reads.
    const unsigned char *memory; // null: read the file
    size_t memorySize;

    // Set by the decoder after a successful read.
    int32_t imageWidth; // the size stored in the file
    int32_t imageHeight;
    int32_t scaledWidth; // the size jpegReadImage delivers: see jpegScaleDivisor
    int32_t scaledHeight;

    // Set by the decoder on a failing read.
    int32_t failure;     // JpegFailure
    int32_t systemError; // with jpegFailureOpen or jpegFailureRead: errno, or GetLastError on
                         // Windows; 0 for a file that ended early

    // Decoder-private state: the decompressor and the file's bytes, read once.
    void *decoder;
    unsigned char *fileData;
    size_t fileSize;
};

// Largest picture file the decoders read, in bytes; larger files are not wall textures.
constexpr int64_t jpegMaxFileSize = 64LL * 1024 * 1024;

// The bytes a record decodes: the caller's memory, or the file's bytes once read.
inline const unsigned char *jpegBytes(const JpegProperties &p) {
    return p.memory ? p.memory : p.fileData;
}
inline size_t jpegByteCount(const JpegProperties &p) {
    return p.memory ? p.memorySize : p.fileSize;
}

// What the caller's bytes in memory fail on before any decoding, judged by their size as a
// file's size is: none at all, or more than a picture file may have. jpegFailureNone otherwise.
inline JpegFailure jpegMemoryFailure(const JpegProperties &p) {
    if (p.memorySize == 0)
        return jpegFailureNotJpeg;
    if (p.memorySize > static_cast<uint64_t>(jpegMaxFileSize))
        return jpegFailureFileTooLarge;
    return jpegFailureNone;
}

// One side of a picture scaled by 1 / divisor, rounded up as libjpeg's DCT scaling rounds it.
inline int32_t jpegScaledSide(int32_t side, int32_t divisor) {
    return static_cast<int32_t>((static_cast<int64_t>(side) + divisor - 1) / divisor);
}

// The scale a picture of width x height is delivered at, as the divisor 1, 2, 4 or 8: the first
// at which neither scaled side exceeds maxDimension and the RGB image takes no more than
// maxOutputBytes. A limit of 0 or less is no limit. 0 when even 1/8 is too large, or for a
// size that is not positive.
inline int32_t jpegScaleDivisor(int32_t width, int32_t height, int32_t maxDimension,
                                int64_t maxOutputBytes) {
    if (width <= 0 || height <= 0)
        return 0;
    for (int32_t divisor = 1; divisor <= 8; divisor *= 2) {
        const int64_t w = jpegScaledSide(width, divisor), h = jpegScaledSide(height, divisor);
        if (maxDimension > 0 && (w > maxDimension || h > maxDimension))
            continue;
        if (maxOutputBytes > 0 && w * h > maxOutputBytes / 3) // w * h * 3 without overflow
            continue;
        return divisor;
    }
    return 0;
}

// True when the record asks for the one layout the decoders deliver: an RGB image of the
// scaled size into a buffer, after the image size has been read.
inline bool jpegOutputDeliverable(const JpegProperties &p) {
    return p.output && p.outputChannels == 3 && p.outputColour == jpegColourRgb &&
           p.scaledWidth > 0 && p.scaledHeight > 0 && p.outputWidth == p.scaledWidth &&
           p.outputHeight == p.scaledHeight;
}

// Prepares the record for reading. 0 on success; anything else means the decoder is unusable
// and jpegFree need not be called.
int jpegInit(JpegProperties *properties);

// Reads from properties->memory when it is set, else from the file named by properties->path.
// The file is opened without blocking and read only when it is a regular file, once per
// record; bytes in memory are judged by their size as a file is (none: not a JPEG). 0 on success;
// otherwise non-zero, with properties->failure saying why. The first row written is the top row of
// the picture.
int jpegRead(JpegProperties *properties, int32_t mode);

// Frees what the decoder holds for the record. Safe to call more than once. Always 0.
int jpegFree(JpegProperties *properties);
