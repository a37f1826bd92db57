// Drives Vorticel.scr from the Windows side for its end-to-end tests, as the display settings
// would: "preview SCR" (a window to preview in, resized, then destroyed), "settings SCR ARGS"
// (the dialog read, every setting changed, OK), "box CAPTION" (a message box read and closed),
// "reset" (the saved settings forgotten). Every wait is bounded; each command prints what it
// saw, one fact a line, and fails with a reason.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "programs/vorticel-scr/resource.h"

namespace {

constexpr DWORD kWaitMs = 30000; // bound on every wait

int fail(const char *why) {
    std::printf("FAIL %s\n", why);
    std::fflush(stdout);
    return 1;
}

// Handles this thread's messages (a child in another process sends its parent some) for up
// to ms, or until done() holds. True when it does.
template <typename Done> bool pumpUntil(DWORD ms, Done done) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Fails, ending the screensaver left behind.
int abandon(PROCESS_INFORMATION &process, const char *why) {
    TerminateProcess(process.hProcess, 2);
    return fail(why);
}

bool start(std::string commandLine, PROCESS_INFORMATION &process) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != 0;
}

bool exitStatus(PROCESS_INFORMATION &process, DWORD &status) {
    bool ended = pumpUntil(
        kWaitMs, [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
    if (ended)
        GetExitCodeProcess(process.hProcess, &status);
    return ended;
}

LRESULT CALLBACK plainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// The child covers the parent's client area exactly.
bool covers(HWND parent, HWND child, RECT &area) {
    RECT inner;
    if (!GetClientRect(parent, &area) || !GetWindowRect(child, &inner))
        return false;
    POINT origin = {0, 0};
    ClientToScreen(parent, &origin);
    return inner.left == origin.x && inner.top == origin.y &&
           inner.right - inner.left == area.right && inner.bottom - inner.top == area.bottom;
}

int preview(const char *scr) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = plainWindow;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ScrDriverPreview";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&windowClass);
    HWND parent = CreateWindowExA(0, "ScrDriverPreview", "preview", WS_POPUP | WS_VISIBLE, 100, 100,
                                  320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!parent)
        return fail("cannot make the preview window");
    pumpUntil(200, [] { return false; });

    PROCESS_INFORMATION process = {};
    char command[MAX_PATH + 64];
    std::snprintf(command, sizeof command, "\"%s\" /p %lu", scr,
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)));
    if (!start(command, process))
        return fail("cannot start the screensaver");
    std::printf("started %s\n", command);

    HWND child = nullptr;
    RECT area;
    if (!pumpUntil(kWaitMs, [&] {
            child = GetWindow(parent, GW_CHILD);
            return child && IsWindowVisible(child) && covers(parent, child, area);
        }))
        return abandon(process,
                       child ? "the child does not cover the client area" : "no child appeared");
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    std::printf("child %s covers %ld x %ld\n", name, area.right, area.bottom);
    // Frames drawn: the renderer's title on the child. (Wine draws OpenGL in a window of
    // another process offscreen, so the screen cannot show it there.)
    char title[128] = "";
    if (!pumpUntil(kWaitMs, [&] {
            GetWindowTextA(child, title, sizeof title);
            return std::strstr(title, " tri)") != nullptr;
        }))
        return abandon(process, "the child shows no frame rate in its title");
    std::printf("child title %s\n", title);

    SetWindowPos(parent, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    if (!pumpUntil(kWaitMs, [&] { return covers(parent, child, area); }))
        return abandon(process, "the child did not follow the resize");
    std::printf("child follows to %ld x %ld\n", area.right, area.bottom);

    DestroyWindow(parent);
    DWORD status = 0;
    if (!exitStatus(process, status))
        return abandon(process, "the screensaver did not end with its window");
    std::printf("ended %lu\n", status);
    return status == 0 ? 0 : 1;
}

HWND findDialog(const char *caption) {
    HWND found = nullptr;
    pumpUntil(kWaitMs, [&] {
        found = FindWindowA("#32770", caption);
        return found && IsWindowVisible(found);
    });
    return found;
}

int settings(const char *scr, const char *arguments) {
    PROCESS_INFORMATION process = {};
    if (!start(std::string("\"") + scr + "\" " + arguments, process))
        return fail("cannot start the screensaver");
    HWND dialog = findDialog("Vorticel Settings");
    if (!dialog)
        return abandon(process, "no settings dialog");
    for (int id : {IDC_DENSITY, IDC_SINUSOID, IDC_SPEED, IDC_ZOOM, IDC_SHOW_FPS, IDC_MAX_FPS, IDOK,
                   IDCANCEL})
        if (!GetDlgItem(dialog, id))
            return abandon(process, "a control is missing");
    // Item texts do not cross processes reliably under wine: the choice's index it is.
    const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_DENSITY, CB_GETCURSEL, 0, 0);
    const LRESULT choices = SendDlgItemMessageA(dialog, IDC_DENSITY, CB_GETCOUNT, 0, 0);
    char maxFps[16] = "";
    GetDlgItemTextA(dialog, IDC_MAX_FPS, maxFps, sizeof maxFps);
    std::printf("density choice %ld of %ld, sinusoid %u, speed %ld, zoom %ld, frame rate %u, "
                "frame cap %s\n",
                static_cast<long>(chosen), static_cast<long>(choices),
                IsDlgButtonChecked(dialog, IDC_SINUSOID),
                static_cast<long>(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0)),
                static_cast<long>(SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_GETPOS, 0, 0)),
                IsDlgButtonChecked(dialog, IDC_SHOW_FPS), maxFps);

    // Every setting changed: 8 quads (the first choice, the coarsest), the sine, speed 2.5,
    // zoom 4 (the trackbars count tenths), the frame rate shown, at most 30 frames a second.
    SendDlgItemMessageA(dialog, IDC_DENSITY, CB_SETCURSEL, 0, 0);
    CheckDlgButton(dialog, IDC_SINUSOID, BST_CHECKED);
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPOS, TRUE, 25);
    SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_SETPOS, TRUE, 40);
    CheckDlgButton(dialog, IDC_SHOW_FPS, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_MAX_FPS, "30");
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    DWORD status = 0;
    if (!exitStatus(process, status))
        return abandon(process, "the screensaver did not end after OK");
    std::printf("exit %lu\n", status);
    return 0;
}

int box(const char *caption) {
    HWND found = findDialog(caption);
    if (!found)
        return fail("no message box");
    // A message box's text is the static control 0xFFFF.
    char text[1024] = "";
    GetDlgItemTextA(found, 0xFFFF, text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "reset" && argc == 2) {
        const LONG result = RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vorticel");
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 0 : fail("reset");
    }
    if (command == "preview" && argc == 3)
        return preview(argv[2]);
    if (command == "settings" && argc >= 3)
        return settings(argv[2], argc > 3 ? argv[3] : "");
    if (command == "box" && argc == 3)
        return box(argv[2]);
    std::fprintf(stderr,
                 "usage: scr-driver reset | preview SCR | settings SCR [ARGS] | box CAPTION\n");
    return 2;
}
