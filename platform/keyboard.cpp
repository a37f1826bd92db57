// Keyboard translation: X key events become WM_KEYDOWN and WM_KEYUP with Windows virtual-key
// codes, and a key press gives its character. Uses nothing else of platform/.
#include "keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

static_assert(sizeof(LPARAM) >= 8, "key messages keep the X modifier state in lParam bits 32-39");

namespace platform {

namespace {

bool keyDown[256] = {};

WPARAM virtualKey(KeySym symbol) {
    if (symbol >= XK_a && symbol <= XK_z)
        return 'A' + (symbol - XK_a);
    if ((symbol >= XK_0 && symbol <= XK_9) || (symbol >= XK_A && symbol <= XK_Z))
        return symbol;
    if (symbol >= XK_KP_0 && symbol <= XK_KP_9)
        return 0x60 + (symbol - XK_KP_0);
    switch (symbol) {
    case XK_Escape:
        return 0x1B;
    case XK_space:
        return 0x20;
    case XK_Return:
    case XK_KP_Enter:
        return 0x0D;
    case XK_BackSpace:
        return 0x08;
    case XK_Tab:
        return 0x09;
    case XK_Shift_L:
    case XK_Shift_R:
        return 0x10;
    case XK_Control_L:
    case XK_Control_R:
        return 0x11;
    case XK_Alt_L:
    case XK_Alt_R:
        return 0x12;
    case XK_equal: // the key that types '+' with Shift
        return 0xBB;
    case XK_minus:
        return 0xBD;
    case XK_slash:
        return 0xBF;
    case XK_KP_Multiply:
        return 0x6A;
    case XK_KP_Add:
        return 0x6B;
    case XK_KP_Subtract:
        return 0x6D;
    case XK_KP_Divide:
        return 0x6F;
    default:
        return 0;
    }
}

} // namespace

// Key messages carry, as on Windows, a repeat count of 1 in bits 0-15, the scan code (here
// the X keycode) in bits 16-23, the previous key state in bit 30 and the transition in bit
// 31; bits 32-39 keep the X modifier state that keyCharacter needs.
MSG keyMessage(HWND window, XKeyEvent &event) {
    const unsigned keycode = event.keycode & 0xFF;
    const bool press = event.type == KeyPress;
    LPARAM lParam =
        1 | static_cast<LPARAM>(keycode) << 16 | static_cast<LPARAM>(event.state & 0xFF) << 32;
    if (!press || keyDown[keycode])
        lParam |= LPARAM(1) << 30;
    if (!press)
        lParam |= LPARAM(1) << 31;
    keyDown[keycode] = press;
    const WPARAM key = virtualKey(XLookupKeysym(&event, 0));
    const UINT message = press ? WM_KEYDOWN : WM_KEYUP;
    return MSG{window, message, key, lParam, static_cast<DWORD>(event.time), {0, 0}};
}

unsigned keyCharacter(Display *connection, LPARAM lParam) {
    XKeyEvent event{};
    event.type = KeyPress;
    event.display = connection;
    event.keycode = static_cast<unsigned>(lParam >> 16) & 0xFF;
    event.state = static_cast<unsigned>(lParam >> 32) & 0xFF;
    char text[8];
    KeySym symbol = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text, &symbol, nullptr);
    if (length == 1 && text[0])
        return static_cast<unsigned char>(text[0]);
    // The keypad operators give their characters whatever level the keymap puts them on.
    switch (XkbKeycodeToKeysym(connection, event.keycode, 0, 0)) {
    case XK_KP_Multiply:
        return '*';
    case XK_KP_Add:
        return '+';
    case XK_KP_Subtract:
        return '-';
    case XK_KP_Divide:
        return '/';
    default:
        return 0;
    }
}

} // namespace platform
