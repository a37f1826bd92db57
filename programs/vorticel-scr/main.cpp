// Vorticel.scr, the Windows screensaver: the saver shell full screen (/s), inside the display
// settings' preview window (/p), or the settings dialog (/c, or no argument). The settings
// come from the registry. The wall texture is built in (an RCDATA resource), so the .scr works
// wherever it is put; a grottebl.jpg in the .scr's own folder takes its place, so a user can
// change the wall.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "saver/saver.h"
#include "programs/vorticel-scr/registry.h"
#include "programs/vorticel-scr/args.h"
#include "programs/vorticel-scr/resource.h"
#include "programs/vorticel-scr/settings_dialog.h"

namespace {

const char kCaption[] = "Vorticel";
// Held by the running full-screen saver: a second one leaves at once.
const char kRunningMutex[] = "Vorticel screensaver running";

// A GUI program has no standard error: its reports go to the debugger output.
void reportToDebugger(const char *line) {
    char text[700];
    std::snprintf(text, sizeof text, "Vorticel.scr: %s\n", line);
    OutputDebugStringA(text);
}

// grottebl.jpg in the folder of the running .scr; empty when there is none.
bool textureBesideProgram(char path[MAX_PATH]) {
    const char name[] = "grottebl.jpg";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false; // failed or cut short
    char *slash = std::strrchr(path, '\\');
    char *other = std::strrchr(path, '/');
    if (other > slash)
        slash = other;
    char *folderEnd = slash ? slash + 1 : path;
    if (static_cast<size_t>(folderEnd - path) + sizeof name > MAX_PATH)
        return false;
    std::memcpy(folderEnd, name, sizeof name);
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HWND handleFromNumber(unsigned long number) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
}

// The wall texture the program carries; false when the resource is missing.
bool builtInTexture(HINSTANCE instance, WallPicture &wall) {
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(IDR_WALL_TEXTURE), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const void *bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return false;
    wall.bytes = static_cast<const unsigned char *>(bytes);
    wall.size = SizeofResource(instance, resource);
    return true;
}

int runEffect(HINSTANCE instance, const SaverTarget &target) {
    char texture[MAX_PATH];
    WallPicture wall;
    if (textureBesideProgram(texture))
        wall.path = texture;
    else if (!builtInTexture(instance, wall))
        reportToDebugger("no grottebl.jpg beside the program and none built in; the wall shows "
                         "a checkerboard");
    return runSaver(instance, loadSaverSettings(), target, wall);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    ScrCommand command;
    if (!parseScrCommand(commandLine, command)) {
        MessageBoxA(nullptr, kScrUsage, kCaption, MB_OK | MB_ICONINFORMATION);
        return 1;
    }
    saverReport = reportToDebugger;
    SaverTarget target;
    switch (command.mode) {
    case ScrMode::Settings: {
        HWND owner = handleFromNumber(command.window);
        return showSaverSettings(instance, IsWindow(owner) ? owner : nullptr) == -1 ? 1 : 0;
    }
    case ScrMode::Preview:
        target.place = SaverPlace::Child;
        target.parent = handleFromNumber(command.window);
        return runEffect(instance, target);
    case ScrMode::Screen: {
        HANDLE running = CreateMutexA(nullptr, FALSE, kRunningMutex);
        if (running && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(running);
            return 0;
        }
        target.place = SaverPlace::FullScreen;
        target.endOnInput = true;
        ShowCursor(FALSE);
        const int status = runEffect(instance, target);
        ShowCursor(TRUE);
        if (running)
            CloseHandle(running);
        return status;
    }
    }
    return 1;
}
