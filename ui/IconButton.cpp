#include "ui/IconButton.h"

#include "ui/Dialog.h"

namespace flipdeck {

namespace {

// A one-pixel frame: top and left edges in one colour, bottom and right in the other.
void DrawFrame(HDC dc, const RECT& rect, int topLeft, int bottomRight)
{
    const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    FillRect(dc, &top, GetSysColorBrush(topLeft));
    FillRect(dc, &left, GetSysColorBrush(topLeft));
    FillRect(dc, &right, GetSysColorBrush(bottomRight));
    FillRect(dc, &bottom, GetSysColorBrush(bottomRight));
}

}  // namespace

bool CIconButton::Create(HWND parent, int id, const RECT& rect, UINT iconId, int iconSize, const std::string& name)
{
    HWND button = CreateWindowExA(0, "BUTTON", name.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (button == nullptr)
        return false;
    if (!Attach(button)) {
        DestroyWindow(button);
        return false;
    }
    icon_ = LoadIconResource(iconId, iconSize);
    iconSize_ = iconSize;
    return true;
}

LRESULT CIconButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        if (!hovered_) {
            // Ask for the WM_MOUSELEAVE that takes the frame away again.
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, GetHwnd(), 0};
            TrackMouseEvent(&track);
            hovered_ = true;
            Redraw();
        }
        break;
    case WM_MOUSELEAVE:
        if (hovered_) {
            hovered_ = false;
            Redraw();
        }
        return 0;
    case kReflectedDrawItem:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_GETDLGCODE: {
        // Enter presses the focused button, as it does a push button, not the dialog's default one.
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            return Default(message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            SendMessageA(GetParent(GetHwnd()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(GetHwnd()), BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetHwnd()));
            return 0;
        }
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void CIconButton::Redraw() const
{
    InvalidateRect(GetHwnd(), nullptr, FALSE);
    UpdateWindow(GetHwnd());
}

void CIconButton::DrawItem(const DRAWITEMSTRUCT& item) const
{
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    if (pressed)
        DrawFrame(item.hDC, item.rcItem, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    else if (hovered_)
        DrawFrame(item.hDC, item.rcItem, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    const int offset = pressed ? 1 : 0;
    const int x = (item.rcItem.right - item.rcItem.left - iconSize_) / 2 + offset;
    const int y = (item.rcItem.bottom - item.rcItem.top - iconSize_) / 2 + offset;
    if (icon_)
        DrawIconEx(item.hDC, x, y, icon_.get(), iconSize_, iconSize_, 0, nullptr, DI_NORMAL);
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -2, -2);
        DrawFocusRect(item.hDC, &focus);
    }
}

}  // namespace flipdeck
