#include "programs/vorticel-scr/settings_dialog.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>

#include "programs/vorticel-scr/registry.h"
#include "saver/settings.h"
#include "programs/vorticel-scr/resource.h"

namespace {

const char kCaption[] = "Vorticel Settings";

// Density choices, coarse to fine: the combo box's items and the polygon step of each.
const struct {
    const char *text;
    int32_t polyStep;
} kDensities[] = {{"8 quads", 8}, {"16 quads", 4}, {"32 quads", 2}, {"64 quads", 1}};

// Speed and zoom go in tenths on their trackbars.
constexpr int kSpeedLow = 1, kSpeedHigh = 100, kZoomLow = 5, kZoomHigh = 80;

struct DialogState {
    SaverSettings loaded;
    int speedPosition = 0, zoomPosition = 0; // where the trackbars started
};

int toPosition(double value, int low, int high) {
    const long position = std::lround(value * 10.0);
    return static_cast<int>(position < low ? low : position > high ? high : position);
}

void showTenths(HWND dialog, int textId, int trackbarId, const char *suffix) {
    const LRESULT position = SendDlgItemMessageA(dialog, trackbarId, TBM_GETPOS, 0, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%s", static_cast<double>(position) / 10.0, suffix);
    SetDlgItemTextA(dialog, textId, text);
}

void initialise(HWND dialog, DialogState &state) {
    const SaverSettings &s = state.loaded;
    for (const auto &density : kDensities)
        SendDlgItemMessageA(dialog, IDC_DENSITY, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(density.text));
    WPARAM chosen = 0;
    for (WPARAM i = 0; i < sizeof kDensities / sizeof kDensities[0]; ++i)
        if (kDensities[i].polyStep == s.polyStep)
            chosen = i;
    SendDlgItemMessageA(dialog, IDC_DENSITY, CB_SETCURSEL, chosen, 0);
    CheckDlgButton(dialog, IDC_SINUSOID, s.sinusoid ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SHOW_FPS, s.showFps ? BST_CHECKED : BST_UNCHECKED);

    state.speedPosition = toPosition(s.speed, kSpeedLow, kSpeedHigh);
    state.zoomPosition = toPosition(s.zoom, kZoomLow, kZoomHigh);
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETRANGE, FALSE, MAKELPARAM(kSpeedLow, kSpeedHigh));
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPAGESIZE, 0, 10);
    SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPOS, TRUE, state.speedPosition);
    SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_SETRANGE, FALSE, MAKELPARAM(kZoomLow, kZoomHigh));
    SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_SETPAGESIZE, 0, 5);
    SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_SETPOS, TRUE, state.zoomPosition);
    showTenths(dialog, IDC_SPEED_TEXT, IDC_SPEED, " x");
    showTenths(dialog, IDC_ZOOM_TEXT, IDC_ZOOM, "");

    SendDlgItemMessageA(dialog, IDC_MAX_FPS, EM_LIMITTEXT, 4, 0);
    SetDlgItemInt(dialog, IDC_MAX_FPS, static_cast<UINT>(s.maxFps), FALSE);
}

// Reads the controls. A trackbar left where it started keeps the loaded value, which need
// not be a whole number of tenths. False, after telling the user, when a value is refused.
bool readControls(HWND dialog, const DialogState &state, SaverSettings &s) {
    s = state.loaded;
    const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_DENSITY, CB_GETCURSEL, 0, 0);
    if (chosen >= 0 && chosen < static_cast<LRESULT>(sizeof kDensities / sizeof kDensities[0]))
        s.polyStep = kDensities[chosen].polyStep;
    s.sinusoid = IsDlgButtonChecked(dialog, IDC_SINUSOID) == BST_CHECKED;
    s.showFps = IsDlgButtonChecked(dialog, IDC_SHOW_FPS) == BST_CHECKED;
    const int speed = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0));
    if (speed != state.speedPosition)
        s.speed = speed / 10.0;
    const int zoom = static_cast<int>(SendDlgItemMessageA(dialog, IDC_ZOOM, TBM_GETPOS, 0, 0));
    if (zoom != state.zoomPosition)
        s.zoom = zoom / 10.0;

    BOOL number = FALSE;
    const UINT maxFps = GetDlgItemInt(dialog, IDC_MAX_FPS, &number, FALSE);
    const char *problem = nullptr;
    if (!number || maxFps > static_cast<UINT>(kSaverMaxFpsMax))
        problem = "the frame cap is not within 0 to 1000";
    else
        s.maxFps = static_cast<int32_t>(maxFps);
    if (!problem)
        problem = saverSettingsProblem(s);
    if (problem) {
        char text[128];
        std::snprintf(text, sizeof text, "Not saved: %s.", problem);
        MessageBoxA(dialog, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
        if (!number || maxFps > static_cast<UINT>(kSaverMaxFpsMax))
            SetFocus(GetDlgItem(dialog, IDC_MAX_FPS));
        return false;
    }
    return true;
}

INT_PTR CALLBACK settingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogState *state = reinterpret_cast<DialogState *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<DialogState *>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        initialise(dialog, *state);
        return TRUE;
    case WM_HSCROLL:
        showTenths(dialog, IDC_SPEED_TEXT, IDC_SPEED, " x");
        showTenths(dialog, IDC_ZOOM_TEXT, IDC_ZOOM, "");
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            SaverSettings settings;
            if (!state || !readControls(dialog, *state, settings))
                return TRUE;
            if (!storeSaverSettings(settings)) {
                MessageBoxA(dialog, "The settings could not be saved in the registry.", kCaption,
                            MB_OK | MB_ICONERROR);
                return TRUE;
            }
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR showSaverSettings(HINSTANCE instance, HWND owner) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    DialogState state;
    state.loaded = loadSaverSettings();
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_VORTICEL_SETTINGS), owner, settingsProc,
                           reinterpret_cast<LPARAM>(&state));
}
