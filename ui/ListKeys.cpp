#include "ui/ListKeys.h"

#include "resource.h"

namespace flipdeck {

const std::vector<ListKey> kSuiteListKeys = {
    {VK_INSERT, false, false, ID_CMD_NEW},        {VK_DELETE, false, false, ID_CMD_DELETE},
    {VK_F2, false, false, ID_CMD_EDIT},           {VK_RETURN, false, false, ID_CMD_EDIT},
    {VK_UP, true, false, ID_CMD_MOVE_UP},         {VK_DOWN, true, false, ID_CMD_MOVE_DOWN},
    {VK_F5, false, false, ID_CMD_CHANGE},         {VK_F5, false, true, ID_CMD_PREVIEW},
    {VK_F5, true, false, ID_CMD_START},           {VK_F7, false, false, ID_CMD_VERIFY},
};

const std::vector<ListKey> kCodesysListKeys = {
    {VK_DELETE, false, false, ID_CMD_DELETE}, {VK_RETURN, false, false, ID_CMD_CHANGE},
    {VK_UP, true, false, ID_CMD_MOVE_UP},     {VK_DOWN, true, false, ID_CMD_MOVE_DOWN},
    {VK_F5, false, false, ID_CMD_CHANGE},     {VK_F5, false, true, ID_CMD_PREVIEW},
    {VK_F7, false, false, ID_CMD_VERIFY},
};

bool CListKeys::Init(int listId, HWND parent, const std::vector<ListKey>& keys)
{
    HWND list = GetDlgItem(parent, listId);
    if (!Attach(list))
        return false;
    keys_ = keys;
    notification_.header.hwndFrom = list;
    notification_.header.idFrom = static_cast<UINT_PTR>(listId);
    notification_.header.code = kCommandNotificationCode;
    return true;
}

UINT CListKeys::CommandFor(WPARAM key) const
{
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    for (const ListKey& entry : keys_) {
        if (entry.key == key && entry.control == control && entry.shift == shift)
            return entry.command;
    }
    return 0;
}

LRESULT CListKeys::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETDLGCODE: {
        // Enter would otherwise press the dialog's default button before the list sees it.
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending != nullptr && pending->message == WM_KEYDOWN && CommandFor(pending->wParam) != 0)
            return Default(message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    }
    case WM_KEYDOWN:
        if (const UINT command = CommandFor(wParam); command != 0) {
            notification_.command = command;
            const WPARAM notifyParam = (static_cast<WPARAM>(command) << 16) | notification_.header.idFrom;
            SendMessageA(GetParent(GetHwnd()), WM_NOTIFY, notifyParam, reinterpret_cast<LPARAM>(&notification_));
            return 0;
        }
        break;
    case WM_CHAR:
        // The Enter that ran a command must not also search the list for a row.
        if (wParam == '\r' && CommandFor(VK_RETURN) != 0)
            return 0;
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace flipdeck
