// The Windows screensaver's command line, and which input ends it full screen.
#include <gtest/gtest.h>

#include "programs/vorticel-scr/args.h"
#include "saver/input_guard.h"

// Every spelling Windows uses; anything else is refused and leaves the command as it was.
TEST(ScrCommandLine, SwitchesInEverySpellingWindowsUses) {
    const struct {
        const char *line;
        ScrMode mode;
        unsigned long window;
    } good[] = {
        {nullptr, ScrMode::Settings, 0},     {"  \t", ScrMode::Settings, 0},
        {"-C", ScrMode::Settings, 0},        {"/c:1234", ScrMode::Settings, 1234},
        {"/C 0x1a", ScrMode::Settings, 26},  {" -s ", ScrMode::Screen, 0},
        {"/p 4242", ScrMode::Preview, 4242}, {"/P:4242", ScrMode::Preview, 4242},
        {"/p \"77\"", ScrMode::Preview, 77},
    };
    for (const auto &c : good) {
        ScrCommand command;
        command.window = 5;
        ASSERT_TRUE(parseScrCommand(c.line, command)) << (c.line ? c.line : "(none)");
        EXPECT_TRUE(command.mode == c.mode && command.window == c.window) << c.window;
    }
    for (const char *line :
         {"/a", "s", "/", "/screen", "/s 12", "/p", "/p 12ab", "/p 12 3", "/p:12 3", "/c:x"}) {
        ScrCommand command;
        command.mode = ScrMode::Preview;
        command.window = 7;
        EXPECT_FALSE(parseScrCommand(line, command)) << line;
        EXPECT_TRUE(command.mode == ScrMode::Preview && command.window == 7) << line;
    }
}

// The first move says where the mouse is (negative left of or above the primary monitor).
TEST(ScrInput, KeysAndButtonsEndItAtOnceTheMouseOnlyWhenItMovesAway) {
    for (UINT message : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                         WM_XBUTTONDOWN})
        EXPECT_TRUE(SaverInputGuard().ends(message, 0)) << message;
    const int slack = SaverInputGuard::kSlack;
    const int moves[][4] = {{WM_KEYUP, 900, 900, false},
                            {WM_MOUSEMOVE, -3, -2, false},
                            {WM_MOUSEMOVE, -3 + slack, -2 - slack, false},
                            {WM_MOUSEMOVE, -3 - slack, -2, false},
                            {WM_MOUSEMOVE, -3 + slack + 1, -2, true},
                            {WM_MOUSEMOVE, -3, -2 - slack - 1, true}};
    SaverInputGuard guard;
    for (const auto &m : moves)
        EXPECT_EQ(guard.ends(static_cast<UINT>(m[0]), MAKELPARAM(m[1], m[2])), m[3] != 0) << m[1];
}
