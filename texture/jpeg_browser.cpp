// The JPEG decoder of the browser build. The page has fetched and decoded each picture before
// the effect starts (texture/jpeg_browser.js, keyed by path); this reads what it found and
// applies the rules every decoder follows: the file size limit, the scale by jpegScaleDivisor,
// and the same failures. The browser scales the decoded picture to the chosen size.
#include "texture/jpeg_decoder.h"

#include <emscripten.h>

#include <cerrno>

namespace {

// What the page found for path: facts[0] the HTTP status (0: no answer), [1] the file's size
// (-1: its body could not be read), [2] and [3] the frame header's width and height (0: none),
// [4] 1 when the browser decoded the picture. False when the page never fetched path.
// clang-format off
EM_JS(bool, pageFacts, (const char *path, int32_t *facts), {
    const found = Module['jpegImages'] && Module['jpegImages'].get(UTF8ToString(path));
    if (!found)
        return false;
    const values = [found.status, found.bytes, found.width, found.height, found.image ? 1 : 0];
    HEAP32.set(values, facts >> 2);
    return true;
});

// Draws the decoded picture at width x height and writes it as RGB rows to output. False when
// the browser refuses.
EM_JS(bool, pagePixels, (const char *path, unsigned char *output, int32_t width, int32_t height), {
    const image = Module['jpegImages'].get(UTF8ToString(path)).image;
    let rgba;
    try {
        const canvas = new OffscreenCanvas(width, height);
        const context = canvas.getContext('2d', { willReadFrequently: true });
        context.imageSmoothingQuality = 'high';
        context.drawImage(image, 0, 0, width, height);
        rgba = context.getImageData(0, 0, width, height).data;
    } catch (e) {
        return false;
    }
    for (let i = 0, o = output; i < rgba.length; i += 4, o += 3) {
        HEAPU8[o] = rgba[i];
        HEAPU8[o + 1] = rgba[i + 1];
        HEAPU8[o + 2] = rgba[i + 2];
    }
    return true;
});
// clang-format on

int fail(JpegProperties *properties, JpegFailure failure, int systemError = 0) {
    properties->failure = failure;
    properties->systemError = systemError;
    return -1;
}

// The errno an HTTP answer stands for: a missing file for 404 and 410, a refusal for 401 and
// 403, an input/output error for anything else and for no answer at all.
int httpError(int32_t status) {
    if (status == 404 || status == 410)
        return ENOENT;
    if (status == 401 || status == 403)
        return EACCES;
    return EIO;
}

int readParameters(JpegProperties *properties, bool &decoded) {
    int32_t facts[5] = {0, 0, 0, 0, 0};
    if (!properties->path || !pageFacts(properties->path, facts))
        return fail(properties, jpegFailureOpen, ENOENT);
    const int32_t status = facts[0], bytes = facts[1], width = facts[2], height = facts[3];
    if (status < 200 || status > 299)
        return fail(properties, jpegFailureOpen, httpError(status));
    if (bytes < 0)
        return fail(properties, jpegFailureRead, EIO);
    if (bytes > jpegMaxFileSize)
        return fail(properties, jpegFailureFileTooLarge);
    if (width <= 0 || height <= 0)
        return fail(properties, jpegFailureNotJpeg);
    const int32_t divisor =
        jpegScaleDivisor(width, height, properties->maxDimension, properties->maxOutputBytes);
    if (divisor == 0)
        return fail(properties, jpegFailureImageTooLarge);
    properties->imageWidth = width;
    properties->imageHeight = height;
    properties->scaledWidth = jpegScaledSide(width, divisor);
    properties->scaledHeight = jpegScaledSide(height, divisor);
    decoded = facts[4] != 0;
    return 0;
}

int readImage(JpegProperties *properties) {
    bool decoded = false;
    if (readParameters(properties, decoded) != 0)
        return -1;
    if (!jpegOutputDeliverable(*properties))
        return fail(properties, jpegFailureBadRequest);
    // The header read, but the picture did not decode.
    if (!decoded || !pagePixels(properties->path, properties->output, properties->outputWidth,
                                properties->outputHeight))
        return fail(properties, jpegFailureBadData);
    return 0;
}

// Stands for the decoder in a record: the page holds the real state.
char pageDecoder;

} // namespace

int jpegInit(JpegProperties *properties) {
    if (!properties)
        return -1;
    properties->decoder = &pageDecoder;
    properties->fileData = nullptr;
    properties->fileSize = 0;
    return 0;
}

int jpegRead(JpegProperties *properties, int32_t mode) {
    if (!properties || !properties->decoder)
        return -1;
    properties->failure = jpegFailureNone;
    properties->systemError = 0;
    bool decoded = false;
    switch (mode) {
    case jpegReadParameters:
        return readParameters(properties, decoded);
    case jpegReadImage:
        return readImage(properties);
    default:
        return fail(properties, jpegFailureBadRequest);
    }
}

int jpegFree(JpegProperties *properties) {
    if (properties)
        properties->decoder = nullptr;
    return 0;
}
