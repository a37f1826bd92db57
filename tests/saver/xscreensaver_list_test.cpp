// vorticel-saver --install: the saver's line in the programs resource of ~/.xscreensaver.
#include <gtest/gtest.h>

#include <string>

#include "programs/vorticel-saver/xscreensaver_list.h"

const char kEntry[] = "GL: vorticel-saver --root";

TEST(DisplayModes, TheEntryGoesFirstOnceAndTheOtherLinesStay) {
    const struct {
        const char *settings, *expected;
        bool added;
    } cases[] = {
        {"", "programs:\t\\\n\t\tGL: vorticel-saver --root \\n\n", true},
        {"mode:\t\tone\n", "mode:\t\tone\nprograms:\t\\\n\t\tGL: vorticel-saver --root \\n\n",
         true},
        // A value on the header line moves below the new entry.
        {"programs: maze -root \\n\\\n\t- qix -root\nmode: one\n",
         "programs:\t\\\n\t\tGL: vorticel-saver --root \\n\\\n\t\tmaze -root \\n\\\n\t- qix "
         "-root\nmode: one\n",
         true},
        // Another program whose name starts with the saver's is not the saver.
        {"programs:\t\\\n\t\tvorticel-saver-old \\n\n",
         "programs:\t\\\n\t\tGL: vorticel-saver --root \\n\\\n\t\tvorticel-saver-old \\n\n", true},
        // Already there, enabled or disabled, by name or by path, with a title: unchanged.
        {"programs:\t\\\n\t\tmaze -root \\n\\\n  GL: vorticel-saver --root \\n\n", nullptr, false},
        {"programs: \\\n- \"Vorticel\" GL: /opt/bin/vorticel-saver --root\n", nullptr, false},
    };
    for (const auto &c : cases) {
        std::string settings = c.settings;
        EXPECT_EQ(addDisplayMode(settings, kEntry, "vorticel-saver"), c.added) << c.settings;
        EXPECT_EQ(settings, c.expected ? c.expected : c.settings) << c.settings;
    }
}
