#include "tunnel/screen_limit.h"

void pullWithinScreenLimit(float &x, float &y) {
    double dx = std::isnan(x) ? 0.0 : x;
    double dy = std::isnan(y) ? 0.0 : y;
    if (std::isinf(dx) || std::isinf(dy)) {
        dx = std::isinf(dx) ? std::copysign(1.0, dx) : 0.0;
        dy = std::isinf(dy) ? std::copysign(1.0, dy) : 0.0;
    } else if (std::fabs(dx) <= kScreenLimit && std::fabs(dy) <= kScreenLimit) {
        x = static_cast<float>(dx); // only a not-a-number was mended
        y = static_cast<float>(dy);
        return;
    }
    const double scale = kScreenLimit / std::fmax(std::fabs(dx), std::fabs(dy));
    x = static_cast<float>(dx * scale);
    y = static_cast<float>(dy * scale);
}
