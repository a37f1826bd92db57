// The screensaver's settings in the registry: saved and read back, and what a missing, mistyped
// or out-of-range value gives. On a scratch key of its own, removed afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "app/saver_registry_win.h"

namespace {

const char kKey[] = "Software\\Vorticel Registry Test";

class SaverRegistry : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

    void setDword(const char *name, DWORD value) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof value),
                  ERROR_SUCCESS);
    }
    void setString(const char *name, const char *text, DWORD size = 0) {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_SZ, text,
                                  size ? size : static_cast<DWORD>(std::strlen(text) + 1)),
                  ERROR_SUCCESS);
    }
};

void expectDefaults(const SaverSettings &s) {
    const SaverSettings d;
    EXPECT_EQ(s.polyStep, d.polyStep);
    EXPECT_EQ(s.sinusoid, d.sinusoid);
    EXPECT_EQ(s.speed, d.speed);
    EXPECT_EQ(s.zoom, d.zoom);
    EXPECT_EQ(s.showFps, d.showFps);
    EXPECT_EQ(s.maxFps, d.maxFps);
}

TEST_F(SaverRegistry, WithoutTheKeyTheDefaults) {
    expectDefaults(loadSaverSettings(kKey));
}

TEST_F(SaverRegistry, SavedSettingsReadBackExactly) {
    SaverSettings saved;
    saved.polyStep = 8;
    saved.sinusoid = true;
    saved.speed = 0.1; // not exact in binary: the text must carry every bit back
    saved.zoom = 7.3;
    saved.showFps = true;
    saved.maxFps = 0;
    ASSERT_TRUE(storeSaverSettings(saved, kKey));
    const SaverSettings read = loadSaverSettings(kKey);
    EXPECT_EQ(read.polyStep, 8);
    EXPECT_TRUE(read.sinusoid);
    EXPECT_EQ(read.speed, 0.1);
    EXPECT_EQ(read.zoom, 7.3);
    EXPECT_TRUE(read.showFps);
    EXPECT_EQ(read.maxFps, 0);

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
    for (const auto &value : bad) {
        ASSERT_TRUE(storeSaverSettings(good, kKey));
        if (value.text)
            setString(value.name, value.text);
        else
            setDword(value.name, value.word);
        const SaverSettings read = loadSaverSettings(kKey);
        const SaverSettings d;
        const std::string name = value.name;
        SCOPED_TRACE(name + " = " + (value.text ? value.text : std::to_string(value.word)));
        EXPECT_EQ(read.polyStep, name == "PolyStep" ? d.polyStep : good.polyStep);
        EXPECT_EQ(read.sinusoid, name == "Sinusoid" ? d.sinusoid : good.sinusoid);
        EXPECT_EQ(read.speed, name == "Speed" ? d.speed : good.speed);
        EXPECT_EQ(read.zoom, name == "Zoom" ? d.zoom : good.zoom);
        EXPECT_EQ(read.showFps, name == "ShowFps" ? d.showFps : good.showFps);
        EXPECT_EQ(read.maxFps, name == "MaxFps" ? d.maxFps : good.maxFps);
    }
}

TEST_F(SaverRegistry, AStringWithoutItsTerminatorOrTooLongIsReadSafely) {
    setString("Speed", "2.5xxxx", 3); // "2.5" stored without the terminating zero
    EXPECT_EQ(loadSaverSettings(kKey).speed, 2.5);
    const std::string longText(200, '1');
    setString("Zoom", longText.c_str());
    EXPECT_EQ(loadSaverSettings(kKey).zoom, SaverSettings().zoom);
}

} // namespace
