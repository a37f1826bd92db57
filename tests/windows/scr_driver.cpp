// Drives Vorticel.scr as the display settings would ("preview SCR", "settings SCR ARGS"); prints
// a fact a line; the status is the screensaver's, or 1 with a FAIL line.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "programs/vorticel-scr/resource.h"

namespace {

PROCESS_INFORMATION process = {};

// Handles this thread's messages (a child in another process sends its parent some) until done().
template <typename Done> bool pumpUntil(Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= 30000)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Fails, ending a screensaver left behind.
int fail(const char *why) {
    TerminateProcess(process.hProcess, 2); // none started: nothing happens
    std::printf("FAIL %s\n", why);
    return 1;
}

bool start(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != 0;
}

// The screensaver's exit status once it has ended.
int ended(const char *why) {
    DWORD status = 0;
    if (!pumpUntil([] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }))
        return fail(why);
    GetExitCodeProcess(process.hProcess, &status);
    return static_cast<int>(status);
}

bool covers(HWND parent, HWND child, RECT &area) {
    RECT inner;
    POINT origin = {0, 0};
    return child && GetClientRect(parent, &area) && GetWindowRect(child, &inner) &&
           ClientToScreen(parent, &origin) && inner.left == origin.x && inner.top == origin.y &&
           inner.right - inner.left == area.right && inner.bottom - inner.top == area.bottom;
}

int preview(const char *scr) {
    // A plain window of a system class to preview in.
    HWND parent = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 100, 100, 320, 240,
                                  nullptr, nullptr, nullptr, nullptr);
    char command[MAX_PATH + 64];
    std::snprintf(command, sizeof command, "\"%s\" /p %lu", scr,
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)));
    if (!parent || !start(command))
        return fail("cannot start the preview");
    HWND child = nullptr;
    RECT area;
    char title[128] = "";
    if (!pumpUntil([&] {
            child = GetWindow(parent, GW_CHILD);
            return IsWindowVisible(child) && covers(parent, child, area);
        }))
        return fail("no child covering the window");
    std::printf("child covers %ld x %ld\n", area.right, area.bottom);
    // Frames drawn show in the child's title (wine draws OpenGL offscreen here).
    if (!pumpUntil([&] {
            return GetWindowTextA(child, title, sizeof title) && std::strstr(title, "tri)");
        }))
        return fail("no frame rate in the child's title");
    std::printf("child title %s\n", title);
    SetWindowPos(parent, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    if (!pumpUntil([&] { return covers(parent, child, area); }))
        return fail("the child did not follow the resize");
    std::printf("child follows to %ld x %ld\n", area.right, area.bottom);
    DestroyWindow(parent);
    return ended("the screensaver did not end with its window");
}

int settings(const char *scr, const char *arguments) {
    HWND dialog = nullptr;
    if (!start(std::string("\"") + scr + "\" " + arguments))
        return fail("cannot start the screensaver");
    if (!pumpUntil(
            [&] { return IsWindowVisible(dialog = FindWindowA("#32770", "Vorticel Settings")); }))
        return fail("no settings dialog");
    // Item texts do not cross processes reliably under wine: the choice's index it is.
    char cap[16] = "";
    GetDlgItemTextA(dialog, IDC_MAX_FPS, cap, sizeof cap);
    const auto item = [&](int id, UINT message) {
        return static_cast<long>(SendDlgItemMessageA(dialog, id, message, 0, 0));
    };
    std::printf("density %ld of %ld, sinusoid %u, speed %ld, zoom %ld, fps %u, cap %s\n",
                item(IDC_DENSITY, CB_GETCURSEL), item(IDC_DENSITY, CB_GETCOUNT),
                IsDlgButtonChecked(dialog, IDC_SINUSOID), item(IDC_SPEED, TBM_GETPOS),
                item(IDC_ZOOM, TBM_GETPOS), IsDlgButtonChecked(dialog, IDC_SHOW_FPS), cap);
    // Every setting changed (the trackbars count tenths).
    SendDlgItemMessageA(dialog, IDC_DENSITY, CB_SETCURSEL, 0, 0);
    CheckDlgButton(dialog, IDC_SINUSOID, BST_CHECKED);
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPOS, TRUE, 25);
    SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_SETPOS, TRUE, 40);
    CheckDlgButton(dialog, IDC_SHOW_FPS, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_MAX_FPS, "30");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return ended("the screensaver did not end after OK");
}

} // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "preview" && argc == 3)
        return preview(argv[2]);
    if (command == "settings" && argc >= 3)
        return settings(argv[2], argc > 3 ? argv[3] : "");
    std::fprintf(stderr, "usage: scr-driver preview SCR | settings SCR ARGS\n");
    return 2;
}
