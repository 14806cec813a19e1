#include "ui/FlipdeckDlg.h"

#include <commctrl.h>

#include "app/LocalizedString.h"
#include "app/Startup.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/SuiteCatalogue.h"
#include "catalogue/VersionInfo.h"
#include "resource.h"
#include "switch/SuiteChange.h"
#include "ui/AboutDlg.h"
#include "ui/CommandHeader.h"
#include "ui/DlgFlipdeckEdit.h"
#include "ui/FolderDialog.h"
#include "ui/ListView.h"
#include "ui/SuiteListCommands.h"

namespace flipdeck {

namespace {

constexpr char kMessageCaption[] = "Flipdeck";

}  // namespace

CFlipdeckDlg::CFlipdeckDlg(std::string installPath) : CDialog(IDD_FLIPDECK_DIALOG)
{
    state_.installPath = std::move(installPath);
}

BOOL CFlipdeckDlg::OnInitDialog()
{
    // A second instance ends silently: no window, no message, no log line.
    if (!AcquireSingleInstance())
        ExitProcess(0);
    PrepareRun(state_);

    suiteHeader_.Init(IDC_KALVIO_HEADER, GetHwnd(), kNewButton | kDeleteButton | kMoveUpButton | kMoveDownButton | kChangeButton | kStartButton);
    codesysHeader_.Init(IDC_CODESYS_HEADER, GetHwnd(), kDeleteButton | kMoveUpButton | kMoveDownButton | kChangeButton);

    // Both lists ask for a right-aligned name column; the list view shows its first column left-aligned.
    for (int list : {IDC_KALVIO_LIST, IDC_CODESYS_LIST}) {
        HWND view = GetItem(list);
        ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT);
        InsertListColumn(view, 0, LoadLocalizedString(IDS_COL_NAME), 110, LVCFMT_RIGHT);
        InsertListColumn(view, 1, LoadLocalizedString(IDS_COL_RENAME_PATH), 300);
        InsertListColumn(view, 2, LoadLocalizedString(IDS_COL_VERSION), 79);
    }
    InsertListColumn(GetItem(IDC_KALVIO_LIST), 3, LoadLocalizedString(IDS_COL_HELPFILE), 100);

    const std::string about = LoadLocalizedString(IDS_ABOUTBOX);
    if (HMENU menu = GetSystemMenu(GetHwnd(), FALSE); menu != nullptr && !about.empty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    icon_ = LoadIconResource(IDR_MAINFRAME);
    SendMessageA(GetHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(GetHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    if (!CheckAdministrator(state_)) {
        EnableWindow(GetHwnd(), FALSE);
        ShowMessage(LoadLocalizedString(IDS_RUN_AS_ADMIN), MB_ICONINFORMATION | MB_OK, std::string());
        ExitProcess(0);
    }
    ownVersion_ = GetOwnProductVersionText(nullptr);
    LoadAtStartup(state_, *this, ownVersion_);
    LoadCodesysAtStartup(state_, *this);

    SetWindowTextA(GetHwnd(), (GetWindowString(GetHwnd()) + " - " + ownVersion_).c_str());
    CDialog::OnInitDialog();
    CheckDlgButton(GetHwnd(), IDC_AUTOSTART, state_.autoStart ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

bool CFlipdeckDlg::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_AUTOSTART && code == BN_CLICKED) {
        state_.suiteDirty = true;
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CFlipdeckDlg::OnOK() { SaveAndClose(); }

void CFlipdeckDlg::SaveAndClose()
{
    if (state_.codesysDirty)
        SaveAllCs(state_);
    if (state_.suiteDirty)
        SaveAllKalvio(state_, AutoStartChecked());
    EndDialog(IDOK);
}

bool CFlipdeckDlg::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->idFrom == IDC_KALVIO_LIST && header->code == NM_DBLCLK) {
        OnEditEntry(state_, *this);
        result = 0;
        return true;
    }
    if (header->idFrom == IDC_CODESYS_LIST && header->code == NM_DBLCLK) {
        OnChangeCS(state_, *this);
        result = 0;
        return true;
    }
    if (header->code == kCommandNotificationCode &&
        (header->idFrom == IDC_KALVIO_HEADER || header->idFrom == IDC_CODESYS_HEADER)) {
        const UINT command = reinterpret_cast<const CommandNotification*>(header)->command;
        if (header->idFrom == IDC_KALVIO_HEADER)
            RunSuiteCommand(command);
        else
            RunCodesysCommand(command);
        result = 0;
        return true;
    }
    return false;
}

void CFlipdeckDlg::RunSuiteCommand(UINT command)
{
    switch (command) {
    case ID_CMD_NEW:
        OnNew(state_, *this);
        break;
    case ID_CMD_DELETE:
        OnDelete(state_, *this);
        break;
    case ID_CMD_MOVE_UP:
        OnMoveUp(state_, *this);
        break;
    case ID_CMD_MOVE_DOWN:
        OnMoveDown(state_, *this);
        break;
    case ID_CMD_CHANGE:
        if (OnChange(state_, *this))
            SaveAndClose();
        break;
    case ID_CMD_START:
        if (StartActiveVersion(state_, *this))
            SaveAndClose();
        break;
    default:
        break;
    }
}

void CFlipdeckDlg::RunCodesysCommand(UINT command)
{
    switch (command) {
    case ID_CMD_DELETE:
        OnDeleteCS(state_, *this);
        break;
    case ID_CMD_MOVE_UP:
        OnMoveUpCS(state_, *this);
        break;
    case ID_CMD_MOVE_DOWN:
        OnMoveDownCS(state_, *this);
        break;
    case ID_CMD_CHANGE:
        OnChangeCS(state_, *this);
        break;
    default:
        break;
    }
}

bool CFlipdeckDlg::OnSysCommand(WPARAM command, LPARAM)
{
    if ((command & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg(GetHwnd()).DoModal();
    return true;
}

bool CFlipdeckDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result)
{
    if (message == WM_QUERYDRAGICON) {
        result = reinterpret_cast<LRESULT>(icon_);
        return true;
    }
    if (message == WM_PAINT && IsIconic(GetHwnd())) {
        PaintMinimisedIcon();
        result = 0;
        return true;
    }
    return false;
}

void CFlipdeckDlg::PaintMinimisedIcon()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(GetHwnd(), &paint);
    SendMessageA(GetHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(GetHwnd(), &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(GetHwnd(), &paint);
}

int CFlipdeckDlg::ShowMessage(const std::string& text, UINT type, const std::string& caption)
{
    return MessageBoxA(GetHwnd(), text.c_str(), caption.empty() ? kMessageCaption : caption.c_str(), type);
}

std::vector<int> CFlipdeckDlg::SelectedSuiteRows() { return GetSelectedListRows(GetItem(IDC_KALVIO_LIST)); }

int CFlipdeckDlg::FocusedSuiteRow() { return GetFocusedListRow(GetItem(IDC_KALVIO_LIST)); }

void CFlipdeckDlg::SelectSuiteRow(int row) { SelectListRow(GetItem(IDC_KALVIO_LIST), row); }

std::vector<int> CFlipdeckDlg::SelectedCodesysRows() { return GetSelectedListRows(GetItem(IDC_CODESYS_LIST)); }

int CFlipdeckDlg::FocusedCodesysRow() { return GetFocusedListRow(GetItem(IDC_CODESYS_LIST)); }

void CFlipdeckDlg::SelectCodesysRow(int row) { SelectListRow(GetItem(IDC_CODESYS_LIST), row); }

void CFlipdeckDlg::ShowCodesysList(const std::vector<CodesysVersionEntry>& entries)
{
    HWND list = GetItem(IDC_CODESYS_LIST);
    ListView_DeleteAllItems(list);
    InsertListRow(list, 0, {LoadLocalizedString(IDS_NEW_ENTRY_MARKER)});
    for (const CodesysVersionEntry& entry : entries)
        InsertListRow(list, ListView_GetItemCount(list), {entry.name, entry.renamePath, entry.version});
}

void CFlipdeckDlg::ShowSuiteList(const std::vector<SuiteVersionEntry>& entries)
{
    HWND list = GetItem(IDC_KALVIO_LIST);
    ListView_DeleteAllItems(list);
    for (const SuiteVersionEntry& entry : entries)
        InsertListRow(list, ListView_GetItemCount(list), {entry.name, entry.renamePath, entry.version, entry.helpFile});
}

void CFlipdeckDlg::SetField(CurrentField field, const std::string& text) { SetItemText(field, text); }

bool CFlipdeckDlg::AutoStartChecked() { return IsDlgButtonChecked(GetHwnd(), IDC_AUTOSTART) == BST_CHECKED; }

}  // namespace flipdeck

namespace flipdeck {

bool CFlipdeckDlg::PickFolder(std::string& path) { return CFolderDialog().Browse(path) == 1; }

bool CFlipdeckDlg::EditEntry(EntryEditValues& values)
{
    CDlgFlipdeckEdit dialog([this](std::string& path) { return PickFolder(path); }, GetHwnd());
    dialog.name = values.name;
    dialog.renamePath = values.renamePath;
    dialog.version = values.version;
    dialog.helpFile = values.helpFile;
    if (dialog.DoModal() != IDOK)
        return false;
    values = {dialog.name, dialog.renamePath, dialog.version, dialog.helpFile};
    return true;
}

}  // namespace flipdeck
