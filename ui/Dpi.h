// Display scale: the dots per inch a window is shown at, and sizes designed for 96 dpi (100 %)
// scaled to it.
#pragma once

#include <windows.h>

#include <functional>

namespace flipdeck::seams {

// Whether the user chose a high-contrast scheme (SPI_GETHIGHCONTRAST); then only system colours
// mark anything. Wine cannot switch such a scheme on: a test swaps in an answer.
extern std::function<bool()> HighContrastOn;

}  // namespace flipdeck::seams

namespace flipdeck {

constexpr UINT kDesignDpi = 96;

// The window's dpi: its monitor's under per-monitor awareness, else the system's. Windows before
// 10 (1607) and Wine without GetDpiForWindow answer the screen's logical pixels.
UINT WindowDpi(HWND window);
// `pixels` at 96 dpi, at `dpi`.
inline int ScaleForDpi(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), kDesignDpi); }
// The size of the command icons drawn for `dpi` (16, 20, 24 or 32): the largest that is no
// larger than 16 pixels scaled, so an icon is never stretched.
int CommandIconSize(UINT dpi);

}  // namespace flipdeck
