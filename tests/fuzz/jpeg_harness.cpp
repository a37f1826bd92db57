#include "jpeg_harness.h"

#include "texture/jpeg_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

void check(bool promise) {
    if (!promise)
        std::abort();
}

// A failing read must say why; a succeeding one must not.
int result(const JpegProperties &p, int read) {
    check((read == 0) == (p.failure == jpegFailureNone));
    return read == 0 ? 0 : p.failure;
}

} // namespace

int decodeJpegFile(const char *path, int32_t *width, int32_t *height) {
    JpegProperties p{};
    check(jpegInit(&p) == 0); // the decoder is always there
    p.path = path;
    p.maxDimension = harnessMaxDimension;
    p.maxOutputBytes = harnessMaxOutputBytes;
    int status = result(p, jpegRead(&p, jpegReadParameters));
    if (status == 0) {
        check(p.scaledWidth > 0 && p.scaledWidth <= std::min(p.imageWidth, harnessMaxDimension));
        check(p.scaledHeight > 0 && p.scaledHeight <= std::min(p.imageHeight, harnessMaxDimension));
        const size_t bytes = static_cast<size_t>(p.scaledWidth) * p.scaledHeight * 3;
        check(static_cast<int64_t>(bytes) <= harnessMaxOutputBytes);
        // One guard byte beyond the image; ASan watches the rest.
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[bytes + 1]); // not cleared
        buffer[bytes] = 0xA5;
        p.output = buffer.get();
        p.outputWidth = p.scaledWidth;
        p.outputHeight = p.scaledHeight;
        p.outputChannels = 3;
        p.outputColour = jpegColourRgb;
        status = result(p, jpegRead(&p, jpegReadImage));
        check(buffer[bytes] == 0xA5);
        *width = p.scaledWidth;
        *height = p.scaledHeight;
    }
    check(jpegFree(&p) == 0);
    check(jpegFree(&p) == 0);
    return status;
}
