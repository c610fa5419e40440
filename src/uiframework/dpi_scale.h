#pragma once
// Display scale selection. The application picks one DPI for all its windows from the widest
// monitor, so a layout designed for 96 DPI fills comparable screen space on small laptops and on
// 4K screens alike. Pure functions: no Qt, testable with plain numbers.

#include <span>

namespace korvel::ui {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline constexpr int kBaseDpi = 96;

// The widest rectangle; on equal widths the first one wins (a later monitor replaces the choice
// only when strictly wider). An empty list gives an empty rectangle.
ScreenRect WidestScreen(std::span<const ScreenRect> screens);

// 77 DPI below 1280 x 720, then by width: < 1900 -> 96, < 2460 -> 144, < 3690 -> 192, else 288.
int ChooseDpi(const ScreenRect& widest);

// Scale in per cent for a DPI (96 -> 100), rounded to the nearest whole per cent.
int ScalePercentForDpi(int dpi);

// A layout length scaled by `percent`, truncated like the layout engine does.
int ScaleLength(int length, int percent);

}  // namespace korvel::ui
