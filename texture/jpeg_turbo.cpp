// The JPEG decoder on libjpeg-turbo's TurboJPEG API.
#include "texture/jpeg_decoder.h"

#include <cstdio>
#include <cstdlib>
#include <turbojpeg.h>

namespace {

// Larger files are not wall textures; refusing them keeps the read bounded.
constexpr long maxFileSize = 64L * 1024 * 1024;

// Reads the whole file into properties->fileData once. 0 on success.
int readFile(JpegProperties *properties) {
    if (properties->fileData)
        return 0;
    if (!properties->path)
        return -1;
    FILE *file = std::fopen(properties->path, "rb");
    if (!file)
        return -1;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size <= 0 || size > maxFileSize || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return -1;
    }
    unsigned char *data = static_cast<unsigned char *>(std::malloc(static_cast<size_t>(size)));
    if (!data) {
        std::fclose(file);
        return -1;
    }
    const size_t got = std::fread(data, 1, static_cast<size_t>(size), file);
    std::fclose(file);
    if (got != static_cast<size_t>(size)) {
        std::free(data);
        return -1;
    }
    properties->fileData = data;
    properties->fileSize = got;
    return 0;
}

int readParameters(JpegProperties *properties) {
    if (readFile(properties) != 0)
        return -1;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(properties->decoder, properties->fileData,
                            static_cast<unsigned long>(properties->fileSize), &width, &height,
                            &subsampling, &colourspace) != 0)
        return -1;
    if (width <= 0 || height <= 0)
        return -1;
    properties->imageWidth = width;
    properties->imageHeight = height;
    return 0;
}

int readImage(JpegProperties *properties) {
    if (readParameters(properties) != 0)
        return -1;
    if (!jpegOutputDeliverable(*properties))
        return -1;
    // TurboJPEG reports a warning (such as data that ends early) as a failure here too.
    if (tjDecompress2(properties->decoder, properties->fileData,
                      static_cast<unsigned long>(properties->fileSize), properties->output,
                      properties->outputWidth, properties->outputWidth * 3,
                      properties->outputHeight, TJPF_RGB, 0) != 0)
        return -1;
    return 0;
}

} // namespace

int jpegInit(JpegProperties *properties) {
    if (!properties)
        return -1;
    properties->fileData = nullptr;
    properties->fileSize = 0;
    properties->decoder = tjInitDecompress();
    return properties->decoder ? 0 : -1;
}

int jpegRead(JpegProperties *properties, int32_t mode) {
    if (!properties || !properties->decoder)
        return -1;
    switch (mode) {
    case jpegReadParameters:
        return readParameters(properties);
    case jpegReadImage:
        return readImage(properties);
    default:
        return -1;
    }
}

int jpegFree(JpegProperties *properties) {
    if (!properties)
        return 0;
    if (properties->decoder) {
        tjDestroy(properties->decoder);
        properties->decoder = nullptr;
    }
    std::free(properties->fileData);
    properties->fileData = nullptr;
    properties->fileSize = 0;
    return 0;
}
