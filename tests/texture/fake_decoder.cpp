#include "fake_decoder.h"

#include <cstring>

FakeDecoder fakeDecoder;

int jpegInit(JpegProperties *) {
    ++fakeDecoder.initCalls;
    return fakeDecoder.initResult;
}

int jpegRead(JpegProperties *properties, int32_t mode) {
    fakeDecoder.path = properties->path ? properties->path : "";
    if (mode == jpegReadParameters) {
        ++fakeDecoder.parameterCalls;
        properties->imageWidth = fakeDecoder.width;
        properties->imageHeight = fakeDecoder.height;
        return fakeDecoder.parametersResult;
    }
    ++fakeDecoder.imageCalls;
    fakeDecoder.atImageRead = *properties;
    if (fakeDecoder.imageResult != 0)
        return fakeDecoder.imageResult;
    // Fills exactly the layout the record asks for (the sanitizer catches a short buffer).
    const size_t bytes = static_cast<size_t>(properties->outputWidth) * properties->outputHeight *
                         properties->outputChannels;
    if (!properties->output || bytes != fakeDecoder.image.size())
        return -1;
    std::memcpy(properties->output, fakeDecoder.image.data(), bytes);
    return 0;
}

int jpegFree(JpegProperties *) {
    ++fakeDecoder.freeCalls;
    return 0;
}
