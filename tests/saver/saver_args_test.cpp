// vorticel-saver's command line, the settings' ranges and effect values, the frame cap.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "programs/vorticel-saver/args.h"
#include "saver/frame_pacer.h"
#include "tunnel/state.h"

namespace {

// Parses words split at '|' and applies the settings; the effect's values and the command.
std::string parsed(const std::string &line) {
    std::vector<std::string> words = {"vorticel-saver"};
    for (size_t at = 0, bar = 0; !line.empty() && at <= line.size(); at = bar + 1) {
        bar = std::min(line.find('|', at), line.size());
        words.push_back(line.substr(at, bar - at));
    }
    std::vector<const char *> argv;
    for (const std::string &word : words)
        argv.push_back(word.c_str());
    SaverCommand c;
    std::string error;
    if (!parseSaverCommand(static_cast<int>(argv.size()), argv.data(), c, error))
        return error.empty() ? "refused without a reason" : "refused";
    applySaverSettings(c.settings); // what the effect gets
    return std::to_string(polyStep) + " " + std::to_string(sinusoidSize) + " " +
           std::to_string(speed) + " " + std::to_string(zoom) + " " +
           std::to_string(c.settings.showFps) + " " + std::to_string(c.settings.maxFps) + " '" +
           c.texture + "' " + std::to_string(c.windowId) + " " + std::to_string(c.root) + " " +
           std::to_string(c.fullScreen) + " " + std::to_string(c.help) + std::to_string(c.version);
}

// One or two dashes, values next or after '='; --root with --window-id as the dialog's preview
// gives it. Anything out of range, malformed, unknown, stray or conflicting is refused.
TEST(SaverCommandLine, EveryFlagAndValueSpellingAndNothingElse) {
    const char *cases[][2] = {
        {"", "1 0 8000.000000 2.000000 0 60 '' 0 0 0 00"},
        {"-poly-step|4|--sinusoid|-speed|2.5e-1|--zoom=8|-fps|--max-fps|0|-texture|/tmp/x.jpg|"
         "-window-id|0x1a00003",
         "4 1 2000.000000 8.000000 1 0 '/tmp/x.jpg' 27262979 0 0 00"},
        {"-root|--window-id=27262979|--poly-step=8|-speed|10|-zoom|0.5",
         "8 0 80000.000000 0.500000 0 60 '' 27262979 1 0 00"},
        {"--fullscreen|-max-fps|1000|--speed|0.1|--help|-version",
         "1 0 800.000000 2.000000 0 1000 '' 0 0 1 11"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parsed(c[0]), c[1]);
    const char *refused[][2] = {{"--poly-step", "3"},      {"--speed", "10.5"},
                                {"--speed", "0.09"},       {"--speed", "nan"},
                                {"--speed", "1e400"},      {"--zoom", "0"},
                                {"--zoom", "8.01"},        {"--max-fps", "-1"},
                                {"--max-fps", "1001"},     {"--max-fps", "1.0"},
                                {"--max-fps", " 1"},       {"--max-fps", "99999999999999999999"},
                                {"--window-id", "0"},      {"--window-id", "0x"},
                                {"--window-id", "-5"},     {"--window-id", "0x12g"},
                                {"--texture", ""},         {"--zoom", nullptr},
                                {"--sinusoid=1", nullptr}, {"--delay", "3"},
                                {"-root", "-fullscreen"},  {"--window-id=5", "--fullscreen"}};
    for (const auto &c : refused)
        EXPECT_EQ(parsed(std::string(c[0]) + (c[1] ? std::string("|") + c[1] : "")), "refused")
            << c[0];
}

// As the settings dialog and the registry check them: each range, edges included.
TEST(SaverSettings, EachRangeIsChecked) {
    // polyStep, sinusoid, speed, zoom, showFps, maxFps
    const SaverSettings valid[] = {{8, true, 0.1, 0.5, true, 0},
                                   {2, false, 10.0, 8.0, false, 1000}};
    const SaverSettings invalid[] = {
        {3, false, 1.0, 2.0, false, 60},   {1, false, 0.0999, 2.0, false, 60},
        {1, false, 10.01, 2.0, false, 60}, {1, false, 0.0 / 0.0, 2.0, false, 60},
        {1, false, 1.0, 0.49, false, 60},  {1, false, 1.0, 8.01, false, 60},
        {1, false, 1.0, 2.0, false, -1},   {1, false, 1.0, 2.0, false, 1001}};
    for (const SaverSettings &s : valid)
        EXPECT_EQ(saverSettingsProblem(s), nullptr);
    for (const SaverSettings &s : invalid)
        EXPECT_NE(saverSettingsProblem(s), nullptr) << &s - invalid;
}

// Fixed steps, waits rounded up, late frames keep the schedule, one far behind restarts it.
TEST(FramePacer, FramesComeAtFixedStepsAndTheWaitIsRoundedUp) {
    FramePacer pacer(1000000, 30);
    const struct {
        int64_t now;
        bool due;
        DWORD wait;
    } steps[] = {{500, true, 0},     {500, false, 34},     {33000, false, 1},
                 {33900, true, 0},   {67000, false, 1},    {67200, true, 0},
                 {5000000, true, 0}, {5000001, false, 34}, {5033334, true, 0}};
    for (const auto &s : steps) {
        DWORD wait = 99;
        EXPECT_EQ(pacer.due(s.now, wait), s.due) << s.now;
        EXPECT_EQ(wait, s.wait) << s.now;
    }
    DWORD wait = 0;
    FramePacer uncapped(1000000, 0);
    EXPECT_TRUE(uncapped.due(1, wait) && uncapped.due(1, wait) && wait == 0);
}

} // namespace
