// Subclassing of an existing control: an object receives the control's messages first.
#pragma once

#include <windows.h>

namespace flipdeck {

// What an owner-drawn child receives when its parent hands a WM_DRAWITEM on (the value OLE
// controls use for reflected WM_DRAWITEM). A parent reflects with
// SendMessage(item->hwndItem, kReflectedDrawItem, wParam, lParam).
constexpr UINT kReflectedDrawItem = WM_USER + 0x1c00 + WM_DRAWITEM;

// Attach() routes the window's messages through WindowProc until the window is destroyed
// (the subclass is removed at WM_NCDESTROY) or the object is, whichever comes first.
class CWindowSubclass {
public:
    CWindowSubclass() = default;
    virtual ~CWindowSubclass();
    CWindowSubclass(const CWindowSubclass&) = delete;
    CWindowSubclass& operator=(const CWindowSubclass&) = delete;

    // False when the window is invalid or this object is attached already.
    bool Attach(HWND window);
    HWND GetHwnd() const { return hwnd_; }

protected:
    // Default: the control's own handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    void Detach();

    HWND hwnd_ = nullptr;
};

}  // namespace flipdeck
