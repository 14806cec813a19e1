#include "ui/CommandHeader.h"

#include <commctrl.h>

#include <iterator>
#include <string>

#include "base/LocalizedString.h"
#include "resource.h"
#include "ui/Dialog.h"
#include "ui/Dpi.h"

namespace flipdeck {

namespace {

// At 96 dpi; scaled to the header's dpi.
constexpr int kMinHeight = 20;
constexpr int kButtonWidth = 22;

struct CommandButtonInfo {
    UINT command;
    WORD bit;
    UINT icon;
    UINT tooltip;
    UINT key;  // the name of the list's key for the command
};

// In the order of placement, rightmost first.
constexpr CommandButtonInfo kCommandTable[] = {
    {ID_CMD_MOVE_DOWN, kMoveDownButton, IDI_MOVE_DOWN, IDS_MOVE_DOWN, IDS_KEY_MOVE_DOWN},
    {ID_CMD_MOVE_UP, kMoveUpButton, IDI_MOVE_UP, IDS_MOVE_UP, IDS_KEY_MOVE_UP},
    {ID_CMD_CHANGE, kChangeButton, IDI_CHANGE, IDS_CHANGE_VERSION, IDS_KEY_CHANGE},
    {ID_CMD_PREVIEW, kPreviewButton, IDI_PREVIEW, IDS_PREVIEW, IDS_KEY_PREVIEW},
    {ID_CMD_DELETE, kDeleteButton, IDI_DELETE, IDS_DELETE, IDS_KEY_DELETE},
    {ID_CMD_NEW, kNewButton, IDI_NEW, IDS_NEW, IDS_KEY_NEW},
    {ID_CMD_START, kStartButton, IDI_START, IDS_START, IDS_KEY_START},
    {ID_CMD_VERIFY, kVerifyButton, IDI_VERIFY, IDS_VERIFY, IDS_KEY_VERIFY},
};
// The ids a header reports; 104 (edit) has no button but is passed on like the others.
bool IsCommandId(UINT id) { return id >= ID_CMD_NEW && id <= ID_CMD_VERIFY; }

}  // namespace

bool CCommandHeader::Init(int staticId, HWND parent, WORD buttonSet)
{
    HWND header = GetDlgItem(parent, staticId);
    if (!Attach(header))
        return false;
    SetWindowLongPtrA(header, GWL_STYLE, GetWindowLongPtrA(header, GWL_STYLE) | SS_CENTERIMAGE);
    // Tab reaches the buttons inside the header.
    SetWindowLongPtrA(header, GWL_EXSTYLE, GetWindowLongPtrA(header, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    notification_.header.hwndFrom = header;
    notification_.header.idFrom = static_cast<UINT_PTR>(staticId);
    if (buttonSet != kKeepButtonSet)
        buttonSet_ = buttonSet;
    tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, header, nullptr, nullptr, nullptr);
    Layout();
    return true;
}

void CCommandHeader::Layout()
{
    for (CIconButton& button : buttons_) {
        if (button.GetHwnd() == nullptr)
            continue;
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = GetHwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(button.GetHwnd());
        SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        DestroyWindow(button.GetHwnd());
    }
    const UINT dpi = WindowDpi(GetHwnd());
    FixHeight(ScaleForDpi(kMinHeight, dpi));
    CreateButtons(dpi);
}

void CCommandHeader::FixHeight(int minHeight)
{
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    if (client.bottom >= minHeight)
        return;
    RECT window{};
    GetWindowRect(GetHwnd(), &window);
    window.top -= minHeight - client.bottom;
    MapWindowPoints(nullptr, GetParent(GetHwnd()), reinterpret_cast<POINT*>(&window), 2);
    MoveWindow(GetHwnd(), window.left, window.top, window.right - window.left, window.bottom - window.top, FALSE);
}

void CCommandHeader::CreateButtons(UINT dpi)
{
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    const int width = ScaleForDpi(kButtonWidth, dpi);
    const LONG top = (client.bottom - ScaleForDpi(kMinHeight, dpi)) / 2;
    LONG right = client.right;
    LONG left = 0;
    static_assert(std::size(kCommandTable) == std::tuple_size_v<decltype(buttons_)>);
    for (size_t i = 0; i < std::size(kCommandTable); ++i) {
        const CommandButtonInfo& info = kCommandTable[i];
        if ((buttonSet_ & info.bit) == 0)
            continue;
        // The start button asks whether the button before it fitted, so it never stands alone.
        if (info.bit != kStartButton)
            left = right - width;
        if (left <= 0)
            continue;
        const RECT rect{right - width, top, right, client.bottom};
        std::string name =
            FormatLocalized(IDS_TOOLTIP_WITH_KEY, {LoadLocalizedString(info.tooltip), LoadLocalizedString(info.key)});
        if (!buttons_[i].Create(GetHwnd(), static_cast<int>(info.command), rect, info.icon, CommandIconSize(dpi), name))
            continue;
        AddTool(buttons_[i].GetHwnd(), name);
        // Created right to left; each goes first in the tab order, so Tab runs left to right.
        SetWindowPos(buttons_[i].GetHwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        right = rect.left;
    }
}

void CCommandHeader::AddTool(HWND button, std::string text) const
{
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    // The tooltip watches the button's mouse messages itself: nobody has to relay them.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetHwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = text.data();
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CCommandHeader::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // Owner-drawn buttons also report BN_DOUBLECLICKED: a double-click must not run a
        // command such as Delete twice.
        if (IsCommandId(LOWORD(wParam)) && HIWORD(wParam) == BN_CLICKED)
            NotifyCommand(LOWORD(wParam));
        break;
    case WM_DRAWITEM: {
        // The buttons draw themselves (owner-drawn for the header, drawn by CIconButton).
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return SendMessageA(item->hwndItem, kReflectedDrawItem, wParam, lParam);
    }
    case WM_DESTROY:
        tooltip_ = nullptr;
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void CCommandHeader::NotifyCommand(UINT command)
{
    notification_.header.code = kCommandNotificationCode;
    notification_.command = command;
    const WPARAM wParam = (static_cast<WPARAM>(command) << 16) | notification_.header.idFrom;
    SendMessageA(GetParent(GetHwnd()), WM_NOTIFY, wParam, reinterpret_cast<LPARAM>(&notification_));
}

}  // namespace flipdeck
