// The Windows screensaver's conventions that need no Windows: its command line, and which
// input ends it full screen.
#include <gtest/gtest.h>

#include "saver/input_guard.h"
#include "programs/vorticel-scr/args.h"

namespace {

TEST(ScrCommandLine, SwitchesInEverySpellingWindowsUses) {
    const struct {
        const char *line;
        ScrMode mode;
        unsigned long window;
    } good[] = {
        {"", ScrMode::Settings, 0},           {"  \t", ScrMode::Settings, 0},
        {"/c", ScrMode::Settings, 0},         {"-C", ScrMode::Settings, 0},
        {"/c:1234", ScrMode::Settings, 1234}, {"/C 0x1a", ScrMode::Settings, 26},
        {"/s", ScrMode::Screen, 0},           {"/S", ScrMode::Screen, 0},
        {"-s", ScrMode::Screen, 0},           {" /s ", ScrMode::Screen, 0},
        {"/p 4242", ScrMode::Preview, 4242},  {"/P:4242", ScrMode::Preview, 4242},
        {"-p  99", ScrMode::Preview, 99},     {"/p \"77\"", ScrMode::Preview, 77},
    };
    for (const auto &c : good) {
        ScrCommand command;
        command.window = 5; // parsing sets every field
        ASSERT_TRUE(parseScrCommand(c.line, command)) << "'" << c.line << "'";
        EXPECT_EQ(command.mode, c.mode) << c.line;
        EXPECT_EQ(command.window, c.window) << c.line;
    }
    ScrCommand command;
    EXPECT_TRUE(parseScrCommand(nullptr, command));
    EXPECT_EQ(command.mode, ScrMode::Settings);
}

TEST(ScrCommandLine, AnythingElseIsRefusedAndLeavesTheCommandAlone) {
    const char *bad[] = {"s",       "/",
                         "-",       "/x",
                         "/screen", "/s 12",
                         "/s:12",   "/p",
                         "/p:",     "/p 0",
                         "/p -4",   "/p 12ab",
                         "/p 12 3", "/p:12 3",
                         "/c:x",    "/c 1 2",
                         "/c:",     "//s",
                         "/p:0x",   "/s /c",
                         "--s",     "/p 99999999999999999999999"};
    for (const char *line : bad) {
        ScrCommand command;
        command.mode = ScrMode::Preview;
        command.window = 7;
        EXPECT_FALSE(parseScrCommand(line, command)) << "'" << line << "'";
        EXPECT_EQ(command.mode, ScrMode::Preview) << line;
        EXPECT_EQ(command.window, 7u) << line;
    }
}

LPARAM at(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

TEST(ScrInput, KeysAndButtonsEndItAtOnceTheMouseOnlyWhenItMovesAway) {
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                         WM_XBUTTONDOWN}) {
        SaverInputGuard guard;
        EXPECT_TRUE(guard.ends(message, 0)) << message;
    }
    // Other messages, key releases and characters included, never end it.
    SaverInputGuard guard;
    for (UINT message : {WM_KEYUP, WM_CHAR, WM_PAINT, WM_SIZE})
        EXPECT_FALSE(guard.ends(message, at(900, 900))) << message;

    // The first move only says where the mouse is; moves within the slack are tremor.
    EXPECT_FALSE(guard.ends(WM_MOUSEMOVE, at(500, 400)));
    const int slack = SaverInputGuard::kSlack;
    EXPECT_FALSE(guard.ends(WM_MOUSEMOVE, at(500 + slack, 400 - slack)));
    EXPECT_FALSE(guard.ends(WM_MOUSEMOVE, at(500 - slack, 400)));
    EXPECT_TRUE(guard.ends(WM_MOUSEMOVE, at(500 + slack + 1, 400)));
    EXPECT_TRUE(guard.ends(WM_MOUSEMOVE, at(500, 400 - slack - 1)));

    // Positions left of or above the primary monitor are negative.
    SaverInputGuard left;
    EXPECT_FALSE(left.ends(WM_MOUSEMOVE, at(-3, -2)));
    EXPECT_FALSE(left.ends(WM_MOUSEMOVE, at(0, 0))); // 3 and 2 pixels away, not 65533
    EXPECT_TRUE(left.ends(WM_MOUSEMOVE, at(-10, -2)));
}

} // namespace
