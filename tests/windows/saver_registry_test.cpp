// The screensaver's settings in the registry: saved and read back, and what a missing, mistyped
// or out-of-range value gives. On a scratch key of its own, removed afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "programs/vorticel-scr/registry.h"

namespace {

const char kKey[] = "Software\\Vorticel Registry Test";

class SaverRegistry : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    // A REG_DWORD when text is null, else a REG_SZ of size bytes (0: with its terminator).
    void set(const char *name, DWORD word, const char *text = nullptr, DWORD size = 0) {
        ASSERT_EQ(
            text ? RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_SZ, text,
                                   size ? size : DWORD(std::strlen(text) + 1))
                 : RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &word, sizeof word),
            ERROR_SUCCESS);
    }
};

void expectSettings(const SaverSettings &read, const SaverSettings &want) {
    EXPECT_EQ(read.polyStep, want.polyStep);
    EXPECT_EQ(read.sinusoid, want.sinusoid);
    EXPECT_EQ(read.speed, want.speed);
    EXPECT_EQ(read.zoom, want.zoom);
    EXPECT_EQ(read.showFps, want.showFps);
    EXPECT_EQ(read.maxFps, want.maxFps);
}

TEST_F(SaverRegistry, WithoutTheKeyTheDefaultsAndSavedSettingsReadBackExactly) {
    expectSettings(loadSaverSettings(kKey), SaverSettings());
    SaverSettings saved;
    saved.polyStep = 8;
    saved.sinusoid = true;
    saved.speed = 0.1; // not exact in binary: the text must carry every bit back
    saved.zoom = 7.3;
    saved.showFps = true;
    saved.maxFps = 0;
    ASSERT_TRUE(storeSaverSettings(saved, kKey));
    expectSettings(loadSaverSettings(kKey), saved);
    // Written as people would read them, one value per setting.
    char text[32] = "";
    DWORD size = sizeof text;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, kKey, "Speed", RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "0.1");
}

TEST_F(SaverRegistry, EachBadValueFallsBackAloneAndTheGoodOnesStay) {
    // Good values first, then one bad value at a time: only that setting returns to default.
    SaverSettings good;
    good.polyStep = 2;
    good.sinusoid = true;
    good.speed = 3.5;
    good.zoom = 4.0;
    good.showFps = true;
    good.maxFps = 30;
    const struct {
        const char *name;
        DWORD word;       // written as a DWORD when text is null
        const char *text; // else as a string
    } bad[] = {{"PolyStep", 3, nullptr},
               {"PolyStep", 0, nullptr},
               {"PolyStep", 0x80000002, nullptr},
               {"PolyStep", 0, "2"},
               {"Sinusoid", 2, nullptr},
               {"Speed", 0, "fast"},
               {"Speed", 0, "nan"},
               {"Speed", 0, "inf"},
               {"Speed", 0, "0x1p1"},
               {"Speed", 0, "10.5"},
               {"Speed", 0, " 2"},
               {"Speed", 2, nullptr},
               {"Zoom", 0, "0.4"},
               {"Zoom", 0, "1e400"},
               {"Zoom", 0, ""},
               {"ShowFps", 0xFFFFFFFF, nullptr},
               {"MaxFps", 1001, nullptr},
               {"MaxFps", 0xFFFFFFFF, nullptr},
               {"MaxFps", 0, "30"}};
    const SaverSettings d;
    for (const auto &value : bad) {
        const std::string name = value.name;
        SCOPED_TRACE(name + " = " + (value.text ? value.text : std::to_string(value.word)));
        ASSERT_TRUE(storeSaverSettings(good, kKey));
        set(value.name, value.word, value.text);
        SaverSettings want = good;
        want.polyStep = name == "PolyStep" ? d.polyStep : good.polyStep;
        want.sinusoid = name == "Sinusoid" ? d.sinusoid : good.sinusoid;
        want.speed = name == "Speed" ? d.speed : good.speed;
        want.zoom = name == "Zoom" ? d.zoom : good.zoom;
        want.showFps = name == "ShowFps" ? d.showFps : good.showFps;
        want.maxFps = name == "MaxFps" ? d.maxFps : good.maxFps;
        expectSettings(loadSaverSettings(kKey), want);
    }
}

TEST_F(SaverRegistry, AStringWithoutItsTerminatorOrTooLongIsReadSafely) {
    set("Speed", 0, "2.5xxxx", 3); // "2.5" stored without the terminating zero
    EXPECT_EQ(loadSaverSettings(kKey).speed, 2.5);
    set("Zoom", 0, std::string(200, '1').c_str());
    EXPECT_EQ(loadSaverSettings(kKey).zoom, SaverSettings().zoom);
}

} // namespace
