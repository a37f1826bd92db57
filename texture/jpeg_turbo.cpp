// The JPEG decoder on libjpeg-turbo's TurboJPEG API.
#include "texture/jpeg_decoder.h"

#include <cerrno>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <jpeglib.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace {

// libjpeg keeps the coefficients of the whole picture for a progressive (or multi-scan) file:
// 6 bytes a pixel at full 4:4:4 size, whatever scale it decodes at, and zeroed up front. A
// header of a few bytes can claim 30000 x 30000 and cost gigabytes and seconds. Beyond this
// limit libjpeg refuses the picture instead.
constexpr long coefficientMemoryLimit = 512L * 1024 * 1024;

// Sets the limit on the decompressor itself, not through the process environment. TurboJPEG
// before 3.0 has no call for it: its handle points at its instance, which begins with a
// compressor and a decompressor of libjpeg's (the same library's jpeglib.h, so the same
// layout). That is checked first: a decompressor-only handle has an untouched compressor and
// a fresh decompressor. False when the handle is not laid out so.
bool limitCoefficientMemory(tjhandle handle) {
#ifdef TJPARAM_MAXMEMORY
    return tj3Set(handle, TJPARAM_MAXMEMORY, coefficientMemoryLimit >> 20) == 0;
#else
    struct Instance {
        jpeg_compress_struct compressor;
        jpeg_decompress_struct decompressor;
    };
    Instance *instance = static_cast<Instance *>(handle);
    jpeg_decompress_struct &d = instance->decompressor;
    const int freshDecompressor = 200; // libjpeg's DSTATE_START
    if (instance->compressor.mem || instance->compressor.is_decompressor || !d.is_decompressor ||
        d.global_state != freshDecompressor || !d.mem || !d.err)
        return false;
    // A JPEGMEM the user set, which libjpeg has read by now, may only lower the limit.
    long &limit = d.mem->max_memory_to_use;
    if (limit <= 0 || limit > coefficientMemoryLimit)
        limit = coefficientMemoryLimit;
    return true;
#endif
}

int fail(JpegProperties *properties, JpegFailure failure, int systemError = 0) {
    properties->failure = failure;
    properties->systemError = systemError;
    return -1;
}

// Reads the whole file into properties->fileData once. The path may name anything a user
// types: it is opened without blocking (a FIFO without a writer, a device), and the opened
// descriptor must be a regular file before a byte is read. 0 on success.
int readFile(JpegProperties *properties) {
    if (properties->memory) { // bytes in memory need no reading, only a look at their size
        const JpegFailure failure = jpegMemoryFailure(*properties);
        return failure == jpegFailureNone ? 0 : fail(properties, failure);
    }
    if (properties->fileData)
        return 0;
    if (!properties->path || properties->path[0] == '\0')
        return fail(properties, jpegFailureOpen, ENOENT);
    const int fd = open(properties->path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // A socket cannot be opened at all (ENXIO); name it for what it is.
        struct stat status;
        if (stat(properties->path, &status) == 0 && !S_ISREG(status.st_mode))
            return fail(properties, jpegFailureNotRegularFile);
        return fail(properties, jpegFailureOpen, error);
    }
    struct stat status;
    int result = 0;
    if (fstat(fd, &status) != 0)
        result = fail(properties, jpegFailureRead, errno);
    else if (!S_ISREG(status.st_mode))
        result = fail(properties, jpegFailureNotRegularFile);
    else if (status.st_size == 0)
        result = fail(properties, jpegFailureNotJpeg);
    else if (status.st_size > jpegMaxFileSize)
        result = fail(properties, jpegFailureFileTooLarge);
    unsigned char *data = nullptr;
    const size_t size = result == 0 ? static_cast<size_t>(status.st_size) : 0;
    if (result == 0) {
        data = static_cast<unsigned char *>(std::malloc(size));
        if (!data)
            result = fail(properties, jpegFailureOutOfMemory);
    }
    for (size_t got = 0; result == 0 && got < size;) {
        const ssize_t n = read(fd, data + got, size - got);
        if (n > 0)
            got += static_cast<size_t>(n);
        else if (n == 0)
            result = fail(properties, jpegFailureRead); // the file shrank while being read
        else if (errno != EINTR)
            result = fail(properties, jpegFailureRead, errno);
    }
    close(fd);
    if (result != 0) {
        std::free(data);
        return result;
    }
    properties->fileData = data;
    properties->fileSize = size;
    return 0;
}

// True when TurboJPEG offers the scale 1 / divisor, which tjDecompress2 then picks for an
// output of the rounded-up scaled size (no larger factor gives the same size or smaller).
bool offersScale(int divisor) {
    int count = 0;
    const tjscalingfactor *factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i)
        if (factors[i].num * divisor == factors[i].denom)
            return true;
    return false;
}

int readParameters(JpegProperties *properties) {
    if (readFile(properties) != 0)
        return -1;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(properties->decoder, jpegBytes(*properties),
                            static_cast<unsigned long>(jpegByteCount(*properties)), &width, &height,
                            &subsampling, &colourspace) != 0 ||
        width <= 0 || height <= 0)
        return fail(properties, jpegFailureNotJpeg);
    const int32_t divisor =
        jpegScaleDivisor(width, height, properties->maxDimension, properties->maxOutputBytes);
    if (divisor == 0 || (divisor > 1 && !offersScale(divisor)))
        return fail(properties, jpegFailureImageTooLarge);
    properties->imageWidth = width;
    properties->imageHeight = height;
    properties->scaledWidth = jpegScaledSide(width, divisor);
    properties->scaledHeight = jpegScaledSide(height, divisor);
    return 0;
}

int readImage(JpegProperties *properties) {
    if (readParameters(properties) != 0)
        return -1;
    if (!jpegOutputDeliverable(*properties))
        return fail(properties, jpegFailureBadRequest);
    // A warning (data that ends early, a damaged segment) is a failure anyway: stop at the
    // first one rather than decode the rest of a damaged image, and bound the number of
    // progressive scans, which a crafted file can make endless.
    int flags = TJFLAG_STOPONWARNING;
#ifdef TJFLAG_LIMITSCANS
    flags |= TJFLAG_LIMITSCANS;
#endif
    // Asked for the scaled size, TurboJPEG decodes at the matching DCT scale.
    if (tjDecompress2(properties->decoder, jpegBytes(*properties),
                      static_cast<unsigned long>(jpegByteCount(*properties)), properties->output,
                      properties->outputWidth, properties->outputWidth * 3,
                      properties->outputHeight, TJPF_RGB, flags) == 0)
        return 0;
    // Over the coefficient memory limit libjpeg asks for a backing store, which it lacks.
    const char *error = tjGetErrorStr2(properties->decoder);
    if (error && std::strstr(error, "acking store"))
        return fail(properties, jpegFailureImageTooLarge);
    return fail(properties, jpegFailureBadData);
}

} // namespace

int jpegInit(JpegProperties *properties) {
    if (!properties)
        return -1;
    properties->fileData = nullptr;
    properties->fileSize = 0;
    properties->decoder = tjInitDecompress();
    // Without the limit a crafted file could take gigabytes: no decoder rather than that.
    if (properties->decoder && !limitCoefficientMemory(properties->decoder)) {
        tjDestroy(properties->decoder);
        properties->decoder = nullptr;
    }
    return properties->decoder ? 0 : -1;
}

int jpegRead(JpegProperties *properties, int32_t mode) {
    if (!properties || !properties->decoder)
        return -1;
    properties->failure = jpegFailureNone;
    properties->systemError = 0;
    switch (mode) {
    case jpegReadParameters:
        return readParameters(properties);
    case jpegReadImage:
        return readImage(properties);
    default:
        return fail(properties, jpegFailureBadRequest);
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
