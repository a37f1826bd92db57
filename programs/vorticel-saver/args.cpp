#include "programs/vorticel-saver/args.h"

#include "cmdline/cmdline.h"

const char kSaverUsage[] =
    "usage: vorticel-saver [OPTION]...\n"
    "Flies down an endless textured tunnel: a screensaver. Options start with - or --.\n"
    "\n"
    "Where it draws (default: its own resizable window \"Vorticel\", 640 x 480):\n"
    "  --root            the window named by $XSCREENSAVER_WINDOW, else the root window\n"
    "  --window-id ID    inside the X window ID (hexadecimal 0x... or decimal); with --root\n"
    "                    too, as XScreenSaver's settings dialog gives it for its preview\n"
    "  --fullscreen      its own window covering the screen\n"
    "\n"
    "Settings:\n"
    "  --poly-step N     polygon step around a ring: 1 (finest), 2, 4 or 8 (default 1)\n"
    "  --sinusoid        ring sizes follow a sine\n"
    "  --speed F         speed, 0.1 to 10 times 31.25 rings per second (default 1)\n"
    "  --zoom Z          zoom, 0.5 to 8 (default 2)\n"
    "  --fps             show the frame rate and triangle count in a corner\n"
    "  --max-fps N       at most N frames per second, 1 to 1000; 0: no cap (default 60)\n"
    "  --texture PATH    wall texture, a JPEG file (default: the one installed with it)\n"
    "  --install         add it to your XScreenSaver display modes (~/.xscreensaver) and exit\n"
    "  --help            show this text and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Keys in its own window: 1 to 4 polygon step, SPACE sinusoid, + and - speed,\n"
    "* and / zoom, ESC or q quit.\n"
    "Exit status: 0; 1 for a bad option or a window it cannot use.\n";

bool parseSaverCommand(int argc, const char *const *argv, SaverCommand &command,
                       std::string &error) {
    SaverSettings &s = command.settings;
    cmdline::Parser parser;
    parser.acceptSingleDash();
    parser.flag("--root", [&] { command.root = true; });
    parser.value("--window-id", "a window id (0x... or decimal)",
                 [&](const char *v) { return cmdline::parseId(v, command.windowId); });
    parser.flag("--fullscreen", [&] { command.fullScreen = true; });
    parser.value("--poly-step", "1, 2, 4 or 8", [&](const char *v) {
        long step = 0;
        if (!cmdline::parseLong(v, 1, 8, step) || !saverPolyStepValid(step))
            return false;
        s.polyStep = static_cast<int32_t>(step);
        return true;
    });
    parser.flag("--sinusoid", [&] { s.sinusoid = true; });
    parser.value("--speed", "a number from 0.1 to 10", [&](const char *v) {
        return cmdline::parseDouble(v, kSaverSpeedMin, kSaverSpeedMax, s.speed);
    });
    parser.value("--zoom", "a number from 0.5 to 8", [&](const char *v) {
        return cmdline::parseDouble(v, kSaverZoomMin, kSaverZoomMax, s.zoom);
    });
    parser.flag("--fps", [&] { s.showFps = true; });
    parser.value("--max-fps", "a whole number from 0 to 1000", [&](const char *v) {
        long fps = 0;
        if (!cmdline::parseLong(v, 0, kSaverMaxFpsMax, fps))
            return false;
        s.maxFps = static_cast<int32_t>(fps);
        return true;
    });
    parser.value("--texture", "a file name", [&](const char *v) {
        command.texture = v;
        return !command.texture.empty();
    });
    parser.flag("--install", [&] { command.install = true; });
    parser.flag("--help", [&] { command.help = true; });
    parser.flag("--version", [&] { command.version = true; });
    if (!parser.parse(argc, argv, error))
        return false;
    // The settings dialog's preview comes as --root --window-id ID: the window named wins.
    if (command.fullScreen && (command.root || command.windowId)) {
        error = "--fullscreen excludes --root and --window-id";
        return false;
    }
    return true;
}
