#include "ui/Dpi.h"

#include <initializer_list>

namespace flipdeck::seams {

std::function<bool()> HighContrastOn = [] {
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
};

}  // namespace flipdeck::seams

namespace flipdeck {

UINT WindowDpi(HWND window)
{
    // Looked up, not linked: the program also runs where user32 lacks it.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

int CommandIconSize(UINT dpi)
{
    const int wanted = ScaleForDpi(16, dpi);
    int size = 16;
    for (int drawn : {20, 24, 32}) {
        if (drawn <= wanted)
            size = drawn;
    }
    return size;
}

}  // namespace flipdeck
