#include "saver/input_guard.h"

#include <cstdlib>

bool SaverInputGuard::ends(UINT message, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        return true;
    case WM_MOUSEMOVE: {
        // Client coordinates, signed 16 bits each (negative on a monitor left of the primary).
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        if (!placed) {
            placed = true;
            firstX = x;
            firstY = y;
            return false;
        }
        return std::abs(x - firstX) > kSlack || std::abs(y - firstY) > kSlack;
    }
    default:
        return false;
    }
}
