// The screensaver's settings in the registry, on a scratch key removed afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstring>
#include <string>

#include "programs/vorticel-scr/registry.h"

namespace {

const char kKey[] = "Software\\Vorticel Registry Test";
const char *const kNames[] = {"PolyStep", "Sinusoid", "Speed", "Zoom", "ShowFps", "MaxFps"};
// None of them the default; a speed of a third, whose text must carry every bit back.
const SaverSettings kGood = {2, true, 1.0 / 3, 7.3, true, 0};

// The settings in the order of their value names.
std::array<double, 6> fields(const SaverSettings &s) {
    return {double(s.polyStep), double(s.sinusoid), s.speed, s.zoom,
            double(s.showFps),  double(s.maxFps)};
}

// Without the key the defaults; saved settings read back exactly; each bad value falls back alone.
TEST(SaverRegistry, DefaultsSavedSettingsAndEachBadValue) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    EXPECT_EQ(fields(loadSaverSettings(kKey)), fields(SaverSettings()));
    ASSERT_TRUE(storeSaverSettings(kGood, kKey));
    EXPECT_EQ(fields(loadSaverSettings(kKey)), fields(kGood));
    const struct {
        int setting;      // in kNames
        DWORD word;       // written as a DWORD when text is null
        const char *text; // else as a string
    } bad[] = {
        // A string where a DWORD belongs and the reverse (its bytes spell "5"), no number, a
        // number out of range.
        {0, 0, "2"},
        {2, '5', nullptr},
        {2, 0, "fast"},
        {5, 1001, nullptr},
    };
    for (const auto &value : bad) {
        SCOPED_TRACE(std::string(kNames[value.setting]) + " = " +
                     (value.text ? value.text : std::to_string(value.word)));
        ASSERT_TRUE(storeSaverSettings(kGood, kKey));
        ASSERT_EQ(value.text
                      ? RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kNames[value.setting], REG_SZ,
                                        value.text, DWORD(std::strlen(value.text) + 1))
                      : RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kNames[value.setting], REG_DWORD,
                                        &value.word, sizeof value.word),
                  ERROR_SUCCESS);
        std::array<double, 6> want = fields(kGood);
        want[value.setting] = fields(SaverSettings())[value.setting];
        EXPECT_EQ(fields(loadSaverSettings(kKey)), want);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

} // namespace
