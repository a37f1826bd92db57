// The fuzz target's seed corpus through the same harness, in every build: each ok- seed
// decodes to the size its name gives, each bad- seed fails with a reason.
#include "jpeg_harness.h"

#include "texture/jpeg_decoder.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> seeds() {
    std::vector<std::string> names;
    if (DIR *folder = opendir(SEED_CORPUS)) {
        while (const dirent *entry = readdir(folder))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        closedir(folder);
    }
    return names;
}

TEST(JpegSeedCorpus, GoodSeedsDecodeToTheirSizeAndBadOnesFailWithAReason) {
    int good = 0, bad = 0;
    for (const std::string &name : seeds()) {
        SCOPED_TRACE(name);
        int32_t width = 0, height = 0;
        const int status = decodeJpegFile((SEED_CORPUS "/" + name).c_str(), &width, &height);
        if (name.rfind("ok-", 0) == 0) {
            int expectedWidth = 0, expectedHeight = 0;
            const size_t size = name.find_last_of('-') + 1;
            ASSERT_EQ(std::sscanf(name.c_str() + size, "%dx%d", &expectedWidth, &expectedHeight),
                      2);
            EXPECT_EQ(status, 0);
            EXPECT_EQ(width, expectedWidth);
            EXPECT_EQ(height, expectedHeight);
            ++good;
        } else {
            EXPECT_NE(status, 0);
            EXPECT_NE(status, jpegFailureOpen); // the file is there: a reason about its content
            ++bad;
        }
    }
    EXPECT_GE(good, 5);
    EXPECT_GE(bad, 3);
}

} // namespace
