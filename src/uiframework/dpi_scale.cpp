#include "uiframework/dpi_scale.h"

namespace korvel::ui {

ScreenRect WidestScreen(std::span<const ScreenRect> screens) {
    ScreenRect widest;
    bool first = true;
    for (const ScreenRect& screen : screens) {
        if (first || screen.width > widest.width) {
            widest = screen;
            first = false;
        }
    }
    return widest;
}

int ChooseDpi(const ScreenRect& widest) {
    if (widest.width < 1280 || widest.height < 720) {
        return 77;
    }
    if (widest.width < 1900) {
        return 96;
    }
    if (widest.width < 2460) {
        return 144;
    }
    if (widest.width < 3690) {
        return 192;
    }
    return 288;
}

int ScalePercentForDpi(int dpi) {
    if (dpi <= 0) {
        return 100;
    }
    return (dpi * 100 + kBaseDpi / 2) / kBaseDpi;
}

int ScaleLength(int length, int percent) {
    return static_cast<int>(static_cast<long long>(length) * percent / 100);
}

}  // namespace korvel::ui
