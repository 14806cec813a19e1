// The flat icon button of the command headers: no frame at rest, a raised frame while the
// mouse is over it, a sunken one while pressed, a focus rectangle while it has the keyboard.
#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"
#include "ui/WindowSubclass.h"

namespace flipdeck {

// An owner-drawn tab stop showing one image of an icon, centred and never stretched; the space
// bar and Enter press it. The parent must reflect WM_DRAWITEM to the button (see kReflectedDrawItem).
class CIconButton : public CWindowSubclass {
public:
    // Creates a visible child button with the id, the rectangle (parent client coordinates), the
    // `iconSize` image of icon resource `iconId` and `name` as window text, and attaches to it;
    // false on failure. The name is never drawn: it is what screen readers announce.
    bool Create(HWND parent, int id, const RECT& rect, UINT iconId, int iconSize, const std::string& name);
    bool IsHovered() const { return hovered_; }
    int IconSize() const { return iconSize_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    void Redraw() const;

    bool hovered_ = false;
    UniqueIcon icon_;
    int iconSize_ = 0;
};

}  // namespace flipdeck
