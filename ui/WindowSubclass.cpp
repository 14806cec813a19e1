#include "ui/WindowSubclass.h"

#include <commctrl.h>

namespace flipdeck {

namespace {
constexpr UINT_PTR kSubclassId = 1;
}

CWindowSubclass::~CWindowSubclass() { Detach(); }

bool CWindowSubclass::Attach(HWND window)
{
    if (hwnd_ != nullptr || !IsWindow(window) ||
        !SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = window;
    return true;
}

void CWindowSubclass::Detach()
{
    if (hwnd_ != nullptr)
        RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
    hwnd_ = nullptr;
}

LRESULT CWindowSubclass::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Default(message, wParam, lParam);
}

LRESULT CWindowSubclass::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK CWindowSubclass::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<CWindowSubclass*>(data);
    if (message == WM_NCDESTROY) {
        self->Detach();
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    try {
        return self->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the window manager; the control handles the message itself.
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace flipdeck
