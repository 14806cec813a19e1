// The flat icon button of the command headers: no frame at rest, a raised frame while the
// mouse is over it, a sunken one while pressed.
#pragma once

#include <windows.h>

#include "ui/WindowSubclass.h"

namespace flipdeck {

// An owner-drawn button showing an icon at its natural size, clipped by the button. The
// parent must reflect WM_DRAWITEM to the button (see kReflectedDrawItem).
class CIconButton : public CWindowSubclass {
public:
    // Creates a visible child button with the id, the rectangle (parent client coordinates)
    // and the icon, and attaches to it; false on failure.
    bool Create(HWND parent, int id, const RECT& rect, HICON icon);
    bool IsHovered() const { return hovered_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    void Redraw() const;

    bool hovered_ = false;
};

}  // namespace flipdeck
