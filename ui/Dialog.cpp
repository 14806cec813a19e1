#include "ui/Dialog.h"

#include "base/LocalizedString.h"

namespace flipdeck {

namespace {

// Messages whose answer is the dialog procedure's return value itself, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

const DLGTEMPLATE* LoadDialogTemplate(HMODULE module, UINT id)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    return loaded != nullptr ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

}  // namespace

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog()
{
    if (hwnd_ != nullptr && !modal_) {
        // The derived object is gone already: the window's last messages must not reach it.
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

const DLGTEMPLATE* CDialog::FindTemplate() const
{
    // A language library lacking the dialog falls back to the program's own German one.
    const DLGTEMPLATE* found = LoadDialogTemplate(ResourceModule(), templateId_);
    return found != nullptr ? found : LoadDialogTemplate(GetModuleHandleA(nullptr), templateId_);
}

INT_PTR CDialog::DoModal()
{
    const DLGTEMPLATE* dialogTemplate = FindTemplate();
    if (dialogTemplate == nullptr)
        return -1;
    modal_ = true;
    // The program's module as instance: icons named by the templates live only there.
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, parent_, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create()
{
    const DLGTEMPLATE* dialogTemplate = FindTemplate();
    if (dialogTemplate == nullptr)
        return false;
    modal_ = false;
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, parent_, DialogProc,
                                      reinterpret_cast<LPARAM>(this)) != nullptr &&
           hwnd_ != nullptr;
}

std::string CDialog::GetItemText(int id) const { return flipdeck::GetItemText(hwnd_, id); }

void CDialog::SetItemText(int id, const std::string& text) const { flipdeck::SetItemText(hwnd_, id, text); }

void CDialog::EndDialog(INT_PTR result)
{
    if (hwnd_ == nullptr)
        return;
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

void CDialog::DoDataExchange(bool) {}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange(false);
    return TRUE;
}

bool CDialog::OnCommand(int id, int, HWND)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::OnOK()
{
    DoDataExchange(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnNotify(NMHDR*, LRESULT&) { return false; }

bool CDialog::OnSysCommand(WPARAM, LPARAM) { return false; }

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE;  // messages before WM_INITDIALOG

    INT_PTR answer = FALSE;
    try {
        answer = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the dialog manager. A dialog that failed to initialise is
        // of no use; any other message is left to the default handling.
        if (message == WM_INITDIALOG)
            self->EndDialog(-1);
        answer = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return answer;
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    bool handled = false;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam, lParam);
    case WM_NOTIFY:
        // Any window can send a notification; one without its record has nothing to handle.
        if (lParam == 0)
            return FALSE;
        handled = OnNotify(reinterpret_cast<NMHDR*>(lParam), result);
        break;
    default:
        handled = OnMessage(message, wParam, lParam, result);
        break;
    }
    if (!handled)
        return FALSE;
    if (AnswersDirectly(message))
        return static_cast<INT_PTR>(result);
    if (hwnd_ != nullptr)
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
    return TRUE;
}

std::string GetWindowString(HWND window)
{
    // The length may overestimate (it can count double-byte characters twice); the copy tells.
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string GetItemText(HWND dialog, int id) { return GetWindowString(GetDlgItem(dialog, id)); }

void SetItemText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

HICON LoadIconResource(UINT id)
{
    HICON icon = LoadIconA(ResourceModule(), MAKEINTRESOURCEA(id));
    return icon != nullptr ? icon : LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
}

UniqueIcon LoadIconResource(UINT id, int size)
{
    for (HMODULE module : {ResourceModule(), GetModuleHandleA(nullptr)}) {
        if (auto icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)))
            return UniqueIcon(icon);
    }
    return UniqueIcon();
}

}  // namespace flipdeck
