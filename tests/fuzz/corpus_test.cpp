// The fuzz target's seed corpus through its harness, in every build.
#include "jpeg_harness.h"

#include "texture/jpeg_decoder.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(JpegSeedCorpus, GoodSeedsDecodeToTheirSizeAndBadOnesFailWithAReason) {
    int good = 0, bad = 0;
    DIR *folder = opendir(SEED_CORPUS);
    ASSERT_NE(folder, nullptr);
    while (const dirent *entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name[0] == '.')
            continue;
        SCOPED_TRACE(name);
        int32_t width = 0, height = 0, wantWidth = 0, wantHeight = 0;
        const int status = decodeJpegFile((SEED_CORPUS "/" + name).c_str(), &width, &height);
        if (name.rfind("ok-", 0) == 0) {
            ASSERT_EQ(std::sscanf(name.c_str() + name.find_last_of('-') + 1, "%dx%d", &wantWidth,
                                  &wantHeight),
                      2);
            EXPECT_TRUE(status == 0 && width == wantWidth && height == wantHeight) << width;
            ++good;
        } else {
            EXPECT_NE(status, 0);
            EXPECT_NE(status, jpegFailureOpen); // the file is there: a reason about its content
            ++bad;
        }
    }
    closedir(folder);
    EXPECT_GE(good, 5);
    EXPECT_GE(bad, 3);
}
