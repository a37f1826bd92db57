// One file through the JPEG decoder interface as the texture loader drives it, shared by the
// fuzz target and the test that replays its seed corpus.
#pragma once

#include <cstdint>

// The caps the harness reads under: a texture limit that makes large pictures scale, and the
// loader's byte limit.
constexpr int32_t harnessMaxDimension = 4096;
constexpr int64_t harnessMaxOutputBytes = 64LL * 1024 * 1024;

// Reads the header of the file at path, then the whole picture into a buffer of exactly the
// size the header gave. 0 with the delivered size on success, the failing read's JpegFailure
// otherwise. A broken promise of the interface (a size beyond the caps, a failure without a
// reason, a write past the buffer) aborts.
int decodeJpegFile(const char *path, int32_t *width, int32_t *height);
