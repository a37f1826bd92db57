#include "shell/keys.h"

#include "tunnel/state.h"

void handleKey(uintptr_t character) {
    const float zoomFactor = 1.1f;
    const float speedFactor = 1.4141f; // not the square root of two
    switch (character) {
    case 27: // ESC: stop making rings; the window closes once the tunnel has run out
        stopRequested = 1;
        break;
    case ' ':
        sinusoidSize = sinusoidSize ? 0 : 1;
        break;
    case '*':
        zoom = zoom * zoomFactor;
        break;
    case '/':
        zoom = zoom / zoomFactor;
        break;
    case '+':
        speed = speed * speedFactor;
        break;
    case '-':
        speed = speed / speedFactor;
        break;
    case '1':
        polyStep = 8;
        break;
    case '2':
        polyStep = 4;
        break;
    case '3':
        polyStep = 2;
        break;
    case '4':
        polyStep = 1;
        break;
    default:
        break;
    }
}
