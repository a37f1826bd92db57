// The shared command-line parser, the saver's flags and settings, and the frame cap's schedule.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "cmdline/cmdline.h"
#include "saver/frame_pacer.h"
#include "programs/vorticel-saver/args.h"
#include "tunnel/state.h"

namespace {

// Parses a command line given as words after the program name.
bool parseSaver(std::vector<const char *> words, SaverCommand &command, std::string &error) {
    words.insert(words.begin(), "vorticel-saver");
    return parseSaverCommand(static_cast<int>(words.size()), words.data(), command, error);
}

std::string saverError(std::vector<const char *> words) {
    SaverCommand command;
    std::string error;
    EXPECT_FALSE(parseSaver(words, command, error)) << words[0];
    return error;
}

TEST(CommandLine, OptionsTakeValuesNextOrAfterEqualsAndPositionalsGoToTheirHandler) {
    std::vector<std::string> seen;
    cmdline::Parser parser;
    parser.flag("--stop", [&] { seen.push_back("stop"); });
    parser.value("--zoom", "a number", [&](const char *v) {
        seen.push_back(std::string("zoom ") + v);
        return std::string(v) != "bad";
    });
    parser.positional([&](const char *v) {
        seen.push_back(std::string("at ") + v);
        return std::isdigit(static_cast<unsigned char>(v[v[0] == '-' ? 1 : 0])) != 0;
    });
    const char *argv[] = {"tool", "--zoom", "2", "-5", "--stop", "--zoom=-1", "7"};
    std::string error;
    ASSERT_TRUE(parser.parse(7, argv, error)) << error;
    EXPECT_EQ(seen, (std::vector<std::string>{"zoom 2", "at -5", "stop", "zoom -1", "at 7"}));

    // Without single-dash spelling "-stop" is no option; a refused value names what it takes.
    const struct {
        std::vector<const char *> argv;
        const char *error;
    } bad[] = {{{"tool", "-stop"}, "unknown option '-stop'"},
               {{"tool", "--zoom"}, "missing value after --zoom"},
               {{"tool", "--zoom", "bad"}, "--zoom takes a number, not 'bad'"},
               {{"tool", "--stop=1"}, "--stop takes no value"},
               {{"tool", "--what"}, "unknown option '--what'"},
               {{"tool", "xyz"}, "unexpected argument 'xyz'"}};
    for (const auto &c : bad) {
        error.clear();
        EXPECT_FALSE(parser.parse(static_cast<int>(c.argv.size()), c.argv.data(), error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(CommandLine, NumbersMustBeWholeAndInRange) {
    long l = 0;
    double d = 0;
    unsigned long id = 0;
    EXPECT_TRUE(cmdline::parseLong("-12", -20, 20, l));
    EXPECT_EQ(l, -12);
    for (const char *text : {"", " 1", "1 ", "1.0", "21", "0x10", "99999999999999999999"})
        EXPECT_FALSE(cmdline::parseLong(text, -20, 20, l)) << text;
    EXPECT_TRUE(cmdline::parseDouble("2.5e-1", 0.1, 10, d));
    EXPECT_EQ(d, 0.25);
    for (const char *text : {"", "nan", "inf", "0x1p3", "1e400", "0.0999", "10.01", "1,5"})
        EXPECT_FALSE(cmdline::parseDouble(text, 0.1, 10, d)) << text;
    EXPECT_TRUE(cmdline::parseId("0x1a00003", id));
    EXPECT_EQ(id, 0x1a00003u);
    EXPECT_TRUE(cmdline::parseId("27262979", id));
    EXPECT_EQ(id, 27262979u);
    for (const char *text : {"", "0x", "0", "-5", "+5", "0x12g", "12a", " 12"})
        EXPECT_FALSE(cmdline::parseId(text, id)) << text;
}

TEST(SaverCommandLine, EveryFlagWithOneOrTwoDashes) {
    SaverCommand command;
    std::string error;
    ASSERT_TRUE(parseSaver({"-poly-step", "4", "--sinusoid", "-speed", "0.5", "--zoom", "8", "-fps",
                            "--max-fps", "0", "-texture", "/tmp/x.jpg", "-window-id", "0x2a"},
                           command, error))
        << error;
    const SaverSettings &s = command.settings;
    EXPECT_EQ(s.polyStep, 4);
    EXPECT_TRUE(s.sinusoid);
    EXPECT_EQ(s.speed, 0.5);
    EXPECT_EQ(s.zoom, 8.0);
    EXPECT_TRUE(s.showFps);
    EXPECT_EQ(s.maxFps, 0);
    EXPECT_EQ(command.texture, "/tmp/x.jpg");
    EXPECT_EQ(command.windowId, 0x2au);
    EXPECT_EQ(saverSettingsProblem(s), nullptr);

    SaverCommand defaults;
    ASSERT_TRUE(parseSaver({"-root"}, defaults, error));
    EXPECT_TRUE(defaults.root);
    EXPECT_EQ(defaults.settings.polyStep, 1);
    EXPECT_EQ(defaults.settings.speed, 1.0);
    EXPECT_EQ(defaults.settings.zoom, 2.0);
    EXPECT_EQ(defaults.settings.maxFps, 60);
    EXPECT_FALSE(defaults.settings.showFps || defaults.settings.sinusoid);
}

// The parser's own messages (missing, no value, stray) are checked above.
TEST(SaverCommandLine, OutOfRangeUnknownAndConflictingAreRefusedNotClamped) {
    EXPECT_EQ(saverError({"--poly-step", "3"}), "--poly-step takes 1, 2, 4 or 8, not '3'");
    EXPECT_EQ(saverError({"--speed", "10.5"}), "--speed takes a number from 0.1 to 10, not '10.5'");
    EXPECT_EQ(saverError({"--speed", "0.09"}), "--speed takes a number from 0.1 to 10, not '0.09'");
    EXPECT_EQ(saverError({"--zoom", "0"}), "--zoom takes a number from 0.5 to 8, not '0'");
    EXPECT_EQ(saverError({"--max-fps", "-1"}),
              "--max-fps takes a whole number from 0 to 1000, not '-1'");
    EXPECT_EQ(saverError({"--max-fps", "1001"}),
              "--max-fps takes a whole number from 0 to 1000, not '1001'");
    EXPECT_EQ(saverError({"--window-id", "window"}),
              "--window-id takes a window id (0x... or decimal), not 'window'");
    EXPECT_EQ(saverError({"--texture", ""}), "--texture takes a file name, not ''");
    EXPECT_EQ(saverError({"--delay", "3"}), "unknown option '--delay'");
    const std::string exclusive = "--fullscreen excludes --root and --window-id";
    EXPECT_EQ(saverError({"-root", "-fullscreen"}), exclusive);
    EXPECT_EQ(saverError({"-window-id", "5", "--fullscreen"}), exclusive);
}

TEST(SaverSettings, RangesAreCheckedAndApplyGivesTheEffectsValues) {
    SaverSettings s, badStep, badSpeed, badRate;
    badStep.polyStep = 3;
    badSpeed.speed = 0.0 / 0.0;
    badRate.maxFps = 1001;
    EXPECT_EQ(saverSettingsProblem(s), nullptr);
    for (const SaverSettings &bad : {badStep, badSpeed, badRate})
        EXPECT_NE(saverSettingsProblem(bad), nullptr);
    s.polyStep = 8;
    s.sinusoid = true;
    s.speed = 0.1;
    s.zoom = 0.5;
    applySaverSettings(s);
    EXPECT_EQ(polyStep, 8);
    EXPECT_EQ(sinusoidSize, 1);
    EXPECT_EQ(speed, 800.0f); // 0.1 of the start speed, 8000 units per second
    EXPECT_EQ(zoom, 0.5f);
    applySaverSettings(SaverSettings());
    EXPECT_EQ(speed, 8000.0f);
    EXPECT_EQ(sinusoidSize, 0);
}

TEST(FramePacer, FramesComeAtFixedStepsAndTheWaitIsRoundedUp) {
    FramePacer pacer(1000000, 30); // microseconds; a step of 33333.3
    DWORD wait = 99;
    EXPECT_TRUE(pacer.due(500, wait)); // the first frame at once
    EXPECT_EQ(wait, 0u);
    EXPECT_FALSE(pacer.due(500, wait));
    EXPECT_EQ(wait, 34u); // 33.33 ms, rounded up: never woken early, never spinning
    EXPECT_FALSE(pacer.due(33000, wait));
    EXPECT_EQ(wait, 1u);
    EXPECT_TRUE(pacer.due(33900, wait)); // due at 33833.3
    // Frames a little late do not move the schedule: the next is due at 67166.7.
    EXPECT_FALSE(pacer.due(67000, wait));
    EXPECT_EQ(wait, 1u);
    EXPECT_TRUE(pacer.due(67200, wait));
    // Over a second, 30 frames at most, however late each wake-up is.
    int frames = 0;
    for (int64_t t = 67900; t <= 1067900; t += 700) // 1 s of wake-ups, each up to 0.7 ms late
        frames += pacer.due(t, wait) ? 1 : 0;
    EXPECT_EQ(frames, 30);
    // Far behind: one frame now, then the schedule starts afresh instead of a burst.
    EXPECT_TRUE(pacer.due(5000000, wait));
    EXPECT_FALSE(pacer.due(5000001, wait));
    EXPECT_EQ(wait, 34u);

    FramePacer uncapped(1000000, 0);
    EXPECT_TRUE(uncapped.due(1, wait));
    EXPECT_TRUE(uncapped.due(1, wait));
    EXPECT_EQ(wait, 0u);
}

} // namespace
