// libFuzzer target: each input, as a file, through the JPEG harness.
#include "jpeg_harness.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

std::string inputPath;

void removeInput() {
    unlink(inputPath.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    const char *folder = std::getenv("TMPDIR");
    std::string pattern =
        std::string(folder && *folder ? folder : "/tmp") + "/vorticel-fuzz-XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd < 0)
        std::abort();
    close(fd);
    inputPath = pattern;
    std::atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const int fd = open(inputPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            std::abort();
        done += static_cast<size_t>(n);
    }
    close(fd);
    int32_t width = 0, height = 0;
    decodeJpegFile(inputPath.c_str(), &width, &height);
    return 0;
}
