// One file through the JPEG decoder as the texture loader drives it.
#pragma once

#include <cstdint>

// A texture limit that makes large pictures scale, and the loader's byte limit.
constexpr int32_t harnessMaxDimension = 4096;
constexpr int64_t harnessMaxOutputBytes = 64LL * 1024 * 1024;

// The header, then the picture into a buffer of exactly that size: 0 and the size, or the
// JpegFailure. A broken promise (size beyond the caps, failure without a reason, overrun) aborts.
int decodeJpegFile(const char *path, int32_t *width, int32_t *height);
