// Vorticel: the effect in a window of its own. It shows the about box, opens the 640 x 480
// window "Vorticel", reads its wall texture grottebl.jpg from the working folder and flies
// until the tunnel has run out after ESC, or the window is closed. On Linux, where it is
// started from any folder, the texture installed with it stands in for a missing one.
#ifndef _WIN32
#include <cstdio>
#include <string>

#include "shell/installed_texture.h"
#endif

#include "shell/frame_loop.h"
#include "shell/window.h"
#include "tunnel/effect.h"
#include "tunnel/state.h"

namespace {

const char kTitle[] = "Vorticel";
const char kAboutText[] = "Very open interpretation of this week theme :)\n"
                          "This is a rewrite of my first Quorvane entry,\n"
                          " then it is a rebirth...\n"
                          "\n"
                          "Keys:\n"
                          " 1...4: set nb poly\n"
                          " SPACE: enable/disable sinusoide size\n"
                          " ESC: stop tunnel\n"
                          "\n"
                          "May the FUN be with you!";

// A start-up failure: the message box, then a status that says the run failed.
int fatalBlow(const char *text) {
    MessageBoxA(nullptr, text, "Fatal Blow", MB_ICONHAND);
    return 1;
}

#ifdef _WIN32
const char *wallTexturePath() {
    return "grottebl.jpg";
}
#else
// A grottebl.jpg in the working folder wins, a user's own wall; then the installed one.
const char *wallTexturePath() {
    static std::string path = "grottebl.jpg";
    if (readableFile(path))
        return path.c_str();
    path = installedTexture();
    if (!path.empty())
        return path.c_str();
    std::fprintf(stderr,
                 "Vorticel: no wall texture grottebl.jpg in the working folder, %s; "
                 "the wall shows a checkerboard\n",
                 kInstalledTextureWhere);
    return nullptr;
}
#endif

// The about box, with no owner window.
void showAbout() {
    MessageBoxA(nullptr, kAboutText, kTitle, MB_OK);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    showAbout();
    running = false;

    if (!registerEffectClass(instance, kTitle, windowProc))
        return fatalBlow(
            "Failed to register the idiot window class, right before creating the window.");

    HWND window = CreateWindowExA(
        0, kTitle, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
    if (!window)
        return fatalBlow("Failed to create the effect window.");
    windowHandle = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    startFrameClock();

    initEffect(wallTexturePath());
    // Never waits: whenever the queue is empty, the next frame is due.
    return runFrameLoop(window, nullptr);
}
