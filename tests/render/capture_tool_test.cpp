// Runs vorticel-capture: argument errors, and the PNG files it writes for saved frames.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

int runTool(const std::string &args) {
    const std::string command =
        std::string(VORTICEL_CAPTURE_EXE) + " --quiet " + args + " >/dev/null 2>&1";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Width and height from a PNG file's header, or -1, -1 when it is not one.
std::pair<long, long> pngSize(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {-1, -1};
    unsigned char header[24] = {};
    const size_t got = std::fread(header, 1, sizeof header, f);
    std::fclose(f);
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (got != sizeof header || std::memcmp(header, signature, 8) != 0 ||
        std::memcmp(header + 12, "IHDR", 4) != 0)
        return {-1, -1};
    auto be32 = [&](int at) {
        return (long(header[at]) << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) |
               header[at + 3];
    };
    return {be32(16), be32(20)};
}

} // namespace

TEST(CaptureTool, RejectsBadArgumentsWithStatusTwo) {
    for (const char *args :
         {"--frames 0", "--frames ten", "--step 0", "--step nan", "--size 640", "--size 0x480",
          "--poly-step 3", "--save 5 --frames 4", "--save 1,,2", "--bogus", "--out"}) {
        EXPECT_EQ(runTool(args), 2) << args;
    }
}

TEST(CaptureTool, SavesTheChosenFramesAsPng) {
    const std::string dir = "capture-test-out";
    std::remove((dir + "/frame-0002.png").c_str());
    std::remove((dir + "/frame-0005.png").c_str());
    ASSERT_EQ(runTool("--frames 5 --size 160x120 --poly-step 8 --save 2,5 --out " + dir), 0);
    EXPECT_EQ(pngSize(dir + "/frame-0002.png"), std::make_pair(160L, 120L));
    EXPECT_EQ(pngSize(dir + "/frame-0005.png"), std::make_pair(160L, 120L));
    EXPECT_EQ(pngSize(dir + "/frame-0003.png"), std::make_pair(-1L, -1L));
}
