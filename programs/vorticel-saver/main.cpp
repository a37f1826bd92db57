// vorticel-saver's entry on Linux: the command line, the window to draw in (the daemon's,
// one named by id, the root, or its own), the wall texture installed with it, and the signals
// by which a screensaver daemon stops its hacks.
#include <windows.h>

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cmdline/cmdline.h"
#include "saver/saver.h"
#include "shell/installed_texture.h"
#include "programs/vorticel-saver/args.h"
#include "programs/vorticel-saver/xscreensaver_list.h"
#include "vorticel_x11.h"

namespace {

const char kProgram[] = "vorticel-saver";
// Where Debian's XScreenSaver daemon runs its display modes from.
const char kDaemonHackFolder[] = "/usr/libexec/xscreensaver";

void reportLine(const char *line) {
    std::fprintf(stderr, "%s: %s\n", kProgram, line);
}

void stopOnSignal(int) {
    saverStop = 1;
}

// The handle of an X window named by id, or null after a one-line report.
HWND foreignWindow(unsigned long id, const char *from) {
    if (!GetDesktopWindow())
        return nullptr; // no display: the platform has said why
    HWND window = vorticelForeignWindow(id);
    if (!window) {
        char line[160];
        std::snprintf(line, sizeof line, "there is no window 0x%lx%s on the display", id, from);
        reportLine(line);
    }
    return window;
}

// --install: the line that runs this program on the daemon's window, in ~/.xscreensaver. The
// daemon looks for its hacks in its own folder first: there the bare name does, and the
// settings dialog finds the program's settings by it; anywhere else the full path.
int install() {
    const char *home = std::getenv("HOME");
    if (!home || !*home) {
        reportLine("HOME is not set: no ~/.xscreensaver to add the saver to");
        return 1;
    }
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string command = kProgram;
    if (length > 0) {
        self[length] = '\0';
        if (std::string(self) != std::string(kDaemonHackFolder) + "/" + kProgram)
            command = self;
    }
    return installDisplayMode(std::string(home) + "/.xscreensaver", "GL: " + command + " --root",
                              kProgram);
}

} // namespace

int main(int argc, char **argv) {
    SaverCommand command;
    std::string error;
    if (!parseSaverCommand(argc, argv, command, error)) {
        std::fprintf(stderr, "%s: %s\n%s", kProgram, error.c_str(), kSaverUsage);
        return 1;
    }
    if (command.help) {
        std::fputs(kSaverUsage, stdout);
        return 0;
    }
    if (command.version) {
        std::printf("%s %s\n", kProgram, VORTICEL_VERSION);
        return 0;
    }
    if (command.install)
        return install();
    saverReport = reportLine;
    vorticelQuietDebugOutput();

    // The daemon stops a hack with SIGTERM, a user with ^C: both end the run with 0. Not
    // restarted: the wait between frames returns at once.
    struct sigaction action = {};
    action.sa_handler = stopOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    SaverTarget target;
    if (command.root || command.windowId) {
        target.place = SaverPlace::Child;
        unsigned long id = command.windowId;
        const char *from = "";
        // A window named on the command line wins; --root alone takes the daemon's window.
        const char *daemonWindow = command.windowId ? nullptr : std::getenv("XSCREENSAVER_WINDOW");
        if (daemonWindow && *daemonWindow) {
            from = " (from XSCREENSAVER_WINDOW)";
            if (!cmdline::parseId(daemonWindow, id)) {
                std::fprintf(stderr, "%s: XSCREENSAVER_WINDOW is not a window id: '%s'\n", kProgram,
                             daemonWindow);
                return 1;
            }
        }
        target.parent = id ? foreignWindow(id, from) : GetDesktopWindow();
        if (!target.parent)
            return 1;
    } else if (command.fullScreen) {
        target.place = SaverPlace::FullScreen;
    }

    std::string texture = command.texture;
    if (texture.empty()) {
        texture = installedTexture();
        if (texture.empty()) {
            const std::string line = std::string("no wall texture grottebl.jpg ") +
                                     kInstalledTextureWhere + "; the wall shows a checkerboard";
            reportLine(line.c_str());
        }
    }
    WallPicture wall;
    if (!texture.empty())
        wall.path = texture.c_str();
    static char instanceToken;
    return runSaver(reinterpret_cast<HINSTANCE>(&instanceToken), command.settings, target, wall);
}
