#include "programs/vorticel-scr/registry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cmdline/cmdline.h"

const char kSaverRegistryKey[] = "Software\\Vorticel";

namespace {

bool readDword(HKEY key, const char *name, DWORD &out) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return false;
    out = value;
    return true;
}

// A number written as text, by the command line's rules (no "inf", "nan" or hexadecimal).
bool readNumber(HKEY key, const char *name, double low, double high, double &out) {
    char text[64];
    DWORD type = 0, size = sizeof text - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE *>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text[size] = '\0'; // the stored string need not be terminated
    return cmdline::parseDouble(text, low, high, out);
}

bool writeDword(HKEY key, const char *name, DWORD value) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool writeNumber(HKEY key, const char *name, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    // Reads back the same double: "%.17g" is exact, and shorter forms are tried first.
    for (int digits = 1; digits <= 17; ++digits) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", digits, value);
        double back = 0.0;
        if (std::sscanf(shorter, "%lf", &back) == 1 && back == value) {
            std::snprintf(text, sizeof text, "%s", shorter);
            break;
        }
    }
    const DWORD size = static_cast<DWORD>(std::strlen(text)) + 1; // with the terminator
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), size) ==
           ERROR_SUCCESS;
}

// Takes candidate into settings when the settings stay valid with it.
void take(SaverSettings &settings, const SaverSettings &candidate) {
    if (!saverSettingsProblem(candidate))
        settings = candidate;
}

} // namespace

SaverSettings loadSaverSettings(const char *keyPath) {
    SaverSettings settings; // the defaults
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return settings;
    DWORD word = 0;
    double number = 0.0;
    SaverSettings candidate = settings;
    if (readDword(key, "PolyStep", word) && word <= 8) {
        candidate.polyStep = static_cast<int32_t>(word);
        take(settings, candidate);
    }
    candidate = settings;
    if (readDword(key, "Sinusoid", word) && word <= 1) {
        candidate.sinusoid = word == 1;
        take(settings, candidate);
    }
    candidate = settings;
    if (readNumber(key, "Speed", kSaverSpeedMin, kSaverSpeedMax, number)) {
        candidate.speed = number;
        take(settings, candidate);
    }
    candidate = settings;
    if (readNumber(key, "Zoom", kSaverZoomMin, kSaverZoomMax, number)) {
        candidate.zoom = number;
        take(settings, candidate);
    }
    candidate = settings;
    if (readDword(key, "ShowFps", word) && word <= 1) {
        candidate.showFps = word == 1;
        take(settings, candidate);
    }
    candidate = settings;
    if (readDword(key, "MaxFps", word) && word <= static_cast<DWORD>(kSaverMaxFpsMax)) {
        candidate.maxFps = static_cast<int32_t>(word);
        take(settings, candidate);
    }
    RegCloseKey(key);
    return settings;
}

bool storeSaverSettings(const SaverSettings &settings, const char *keyPath) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const bool stored = writeDword(key, "PolyStep", static_cast<DWORD>(settings.polyStep)) &&
                        writeDword(key, "Sinusoid", settings.sinusoid ? 1 : 0) &&
                        writeNumber(key, "Speed", settings.speed) &&
                        writeNumber(key, "Zoom", settings.zoom) &&
                        writeDword(key, "ShowFps", settings.showFps ? 1 : 0) &&
                        writeDword(key, "MaxFps", static_cast<DWORD>(settings.maxFps));
    RegCloseKey(key);
    return stored;
}
