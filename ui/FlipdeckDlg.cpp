#include "ui/FlipdeckDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <thread>

#include "base/LocalizedString.h"
#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "resource.h"
#include "suite/SuiteChange.h"
#include "suite/SuiteList.h"
#include "ui/AboutDlg.h"
#include "ui/CommandHeader.h"
#include "ui/DlgFlipdeckEdit.h"
#include "ui/Dpi.h"
#include "ui/FolderDialog.h"
#include "ui/ListView.h"
#include "ui/PreviewDlg.h"
#include "ui/VerifyDlg.h"

namespace flipdeck {

namespace {

constexpr char kMessageCaption[] = "Flipdeck";
// Posted by the switch's thread: a step starts (wParam its number, lParam the count); the switch ended.
constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT kSwitchEndedMessage = WM_APP + 2;
// Posted on a change of dpi, so that the layout follows the dialog manager's own scaling.
constexpr UINT kLayoutMessage = WM_APP + 3;
// The ground of the live version's row.
constexpr COLORREF kLiveRowColour = RGB(214, 236, 214);

}  // namespace

// Hands the steps of the switch's thread to the dialog's thread.
class CFlipdeckDlg::ProgressRelay : public SwitchProgress {
public:
    explicit ProgressRelay(CFlipdeckDlg& dialog) : dialog_(dialog) {}
    void StepStarting(size_t number, size_t count, const std::string& description) override
    {
        {
            std::lock_guard<std::mutex> lock(dialog_.stepMutex_);
            dialog_.stepText_ = description;
        }
        PostMessageA(dialog_.GetHwnd(), kStepMessage, number, static_cast<LPARAM>(count));
    }

private:
    CFlipdeckDlg& dialog_;
};

CFlipdeckDlg::CFlipdeckDlg(std::string installPath, RunStartup startup)
    : CDialog(IDD_FLIPDECK_DIALOG), startup_(std::move(startup))
{
    state_.installPath = std::move(installPath);
}

BOOL CFlipdeckDlg::OnInitDialog()
{
    // A second instance ends silently: no window, no message, no log line.
    if (!startup_.acquireSingleInstance())
        ExitProcess(0);
    startup_.prepare(state_);

    suiteHeader_.Init(IDC_KALVIO_HEADER, GetHwnd(), kSuiteHeaderButtons);
    codesysHeader_.Init(IDC_CODESYS_HEADER, GetHwnd(), kCodesysHeaderButtons);
    suiteKeys_.Init(IDC_KALVIO_LIST, GetHwnd(), kSuiteListKeys);
    codesysKeys_.Init(IDC_CODESYS_LIST, GetHwnd(), kCodesysListKeys);

    // Both lists ask for a right-aligned name column; the list view shows its first column left-aligned.
    // The widths follow the texts once the rows are in (FitListColumns). A row a switch cannot go to
    // is marked with the warning icon; the list destroys its image list.
    const int iconSize = ScaleForDpi(16, WindowDpi(GetHwnd()));
    for (int list : {IDC_KALVIO_LIST, IDC_CODESYS_LIST}) {
        HWND view = GetItem(list);
        ListView_SetExtendedListViewStyle(view, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
        HIMAGELIST marks = ImageList_Create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, 1, 0);
        ImageList_AddIcon(marks, static_cast<HICON>(LoadImageA(nullptr, IDI_WARNING, IMAGE_ICON, iconSize, iconSize, LR_SHARED)));
        ListView_SetImageList(view, marks, LVSIL_SMALL);
        InsertListColumn(view, 0, LoadLocalizedString(IDS_COL_NAME), 0, LVCFMT_RIGHT);
        InsertListColumn(view, 1, LoadLocalizedString(IDS_COL_RENAME_PATH), 0);
        InsertListColumn(view, 2, LoadLocalizedString(IDS_COL_VERSION), 0);
    }
    InsertListColumn(GetItem(IDC_KALVIO_LIST), 3, LoadLocalizedString(IDS_COL_HELPFILE), 0);

    const std::string about = LoadLocalizedString(IDS_ABOUTBOX);
    if (HMENU menu = GetSystemMenu(GetHwnd(), FALSE); menu != nullptr && !about.empty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    icon_ = LoadIconResource(IDR_MAINFRAME);
    SendMessageA(GetHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(GetHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    if (!startup_.checkAdministrator(state_)) {
        EnableWindow(GetHwnd(), FALSE);
        ShowMessage(LoadLocalizedString(IDS_RUN_AS_ADMIN), MB_ICONINFORMATION | MB_OK, std::string());
        ExitProcess(0);
    }
    ownVersion_ = GetOwnProductVersionText(nullptr);
    startup_.load(state_, *this, ownVersion_);

    RefreshFindings(VerifyDepth::SwitchBlockers);
    SetWindowTextA(GetHwnd(), (GetWindowString(GetHwnd()) + " - " + ownVersion_).c_str());
    CDialog::OnInitDialog();
    CheckDlgButton(GetHwnd(), IDC_AUTOSTART, state_.autoStart ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

bool CFlipdeckDlg::OnCommand(int id, int code, HWND control)
{
    if (switching_)
        return true;  // OK, Cancel, the close box, the check box: none while a switch runs
    if (id == IDC_AUTOSTART && code == BN_CLICKED) {
        state_.suiteDirty = true;
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CFlipdeckDlg::OnOK() { SaveAndClose(); }

void CFlipdeckDlg::SaveAndClose()
{
    startup_.saveChanged(state_, AutoStartChecked());
    EndDialog(IDOK);
}

bool CFlipdeckDlg::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->code == NM_CUSTOMDRAW && (header->idFrom == IDC_KALVIO_LIST || header->idFrom == IDC_CODESYS_LIST)) {
        result = DrawListRow(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    }
    if ((header->code == LVN_GETINFOTIPA || header->code == LVN_GETINFOTIPW) &&
        (header->idFrom == IDC_KALVIO_LIST || header->idFrom == IDC_CODESYS_LIST)) {
        std::string tip;
        if (RowTip(header, tip)) {
            if (header->code == LVN_GETINFOTIPA) {
                auto* info = reinterpret_cast<NMLVGETINFOTIPA*>(header);
                lstrcpynA(info->pszText, tip.c_str(), info->cchTextMax);
            } else {
                auto* info = reinterpret_cast<NMLVGETINFOTIPW*>(header);
                lstrcpynW(info->pszText, ToWide(tip).c_str(), info->cchTextMax);
            }
        }
        result = 0;
        return true;
    }
    if (switching_) {
        result = 0;
        return true;  // clicks queued while the switch runs start nothing
    }
    if (header->idFrom == IDC_KALVIO_LIST && header->code == NM_DBLCLK) {
        EditSuiteEntry(state_, *this);
        result = 0;
        return true;
    }
    if (header->idFrom == IDC_CODESYS_LIST && header->code == NM_DBLCLK) {
        SwitchCodesys(state_, *this);
        result = 0;
        return true;
    }
    // A header's button or a list's key.
    if (header->code == kCommandNotificationCode &&
        (header->idFrom == IDC_KALVIO_HEADER || header->idFrom == IDC_CODESYS_HEADER ||
         header->idFrom == IDC_KALVIO_LIST || header->idFrom == IDC_CODESYS_LIST)) {
        const UINT command = reinterpret_cast<const CommandNotification*>(header)->command;
        if (command == ID_CMD_VERIFY) {
            RefreshFindings(VerifyDepth::Whole);
            CVerifyDlg(GetHwnd(), findings_).DoModal();
        } else if (header->idFrom == IDC_KALVIO_HEADER || header->idFrom == IDC_KALVIO_LIST)
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
        AddSuiteEntry(state_, *this);
        break;
    case ID_CMD_DELETE:
        DeleteSuiteEntry(state_, *this);
        break;
    case ID_CMD_EDIT:
        EditSuiteEntry(state_, *this);
        break;
    case ID_CMD_MOVE_UP:
        MoveSuiteEntryUp(state_, *this);
        break;
    case ID_CMD_MOVE_DOWN:
        MoveSuiteEntryDown(state_, *this);
        break;
    case ID_CMD_CHANGE:
        if (SwitchSuite(state_, *this) == ChangeOutcome::Done)
            SaveAndClose();
        break;
    case ID_CMD_PREVIEW:
        PreviewSuiteSwitch(state_, *this);
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
        DeleteCodesysEntry(state_, *this);
        break;
    case ID_CMD_MOVE_UP:
        MoveCodesysEntryUp(state_, *this);
        break;
    case ID_CMD_MOVE_DOWN:
        MoveCodesysEntryDown(state_, *this);
        break;
    case ID_CMD_CHANGE:
        SwitchCodesys(state_, *this);
        RefreshFindings(VerifyDepth::SwitchBlockers);
        break;
    case ID_CMD_PREVIEW:
        PreviewCodesysSwitch(state_, *this);
        break;
    default:
        break;
    }
}

bool CFlipdeckDlg::OnSysCommand(WPARAM command, LPARAM)
{
    if (switching_ && ((command & 0xFFF0) == SC_CLOSE || (command & 0xFFF0) == IDM_ABOUTBOX))
        return true;
    if ((command & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg(GetHwnd()).DoModal();
    return true;
}

bool CFlipdeckDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == kStepMessage) {
        ShowStep(wParam, static_cast<size_t>(lParam));
        return true;
    }
    if (message == WM_DPICHANGED) {
        PostMessageA(GetHwnd(), kLayoutMessage, 0, 0);
        return false;  // the dialog manager moves and scales the dialog and its template's controls
    }
    if (message == kLayoutMessage) {
        LayoutForDpi();
        return true;
    }
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

LRESULT CFlipdeckDlg::DrawListRow(NMLVCUSTOMDRAW& draw)
{
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    // The fields above the lists name the live versions.
    const int field = draw.nmcd.hdr.idFrom == IDC_KALVIO_LIST ? IDC_KALVIO_NAME : IDC_CODESYS_NAME;
    const std::string live = GetItemText(field);
    const std::string name = GetListCellText(draw.nmcd.hdr.hwndFrom, static_cast<int>(draw.nmcd.dwItemSpec), 0);
    if (live.empty() || !EqualsIgnoringCase(name, live))
        return CDRF_DODEFAULT;
    SelectObject(draw.nmcd.hdc, BoldListFont());
    // The bold font marks the row also where colours do not; a high-contrast scheme's own
    // colours replace the tint.
    if (seams::HighContrastOn()) {
        draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
    } else {
        draw.clrTextBk = kLiveRowColour;
    }
    return CDRF_NEWFONT;
}

HFONT CFlipdeckDlg::BoldListFont()
{
    if (!boldFont_) {
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetItem(IDC_KALVIO_LIST), WM_GETFONT, 0, 0)), sizeof(font), &font);
        font.lfWeight = FW_BOLD;
        boldFont_.reset(CreateFontIndirectA(&font));
    }
    return boldFont_.get();
}

void CFlipdeckDlg::LayoutForDpi()
{
    boldFont_.reset();
    suiteHeader_.Layout();
    codesysHeader_.Layout();
    // Each name may be the live one, drawn in bold.
    FitListColumns(GetItem(IDC_KALVIO_LIST), BoldListFont(), 1);
    FitListColumns(GetItem(IDC_CODESYS_LIST), BoldListFont(), 1);
}

void CFlipdeckDlg::RunWithProgress(const std::function<void(SwitchProgress&)>& work)
{
    // The switch runs on a thread of its own, so that the dialog keeps painting and shows its
    // progress; this thread dispatches messages until it ends, taking no command meanwhile.
    switching_ = true;
    ShowProgress(true);
    ProgressRelay relay(*this);
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(relay);
        } catch (...) {
            failure = std::current_exception();
        }
        PostMessageA(GetHwnd(), kSwitchEndedMessage, 0, 0);
    });
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            worker.join();
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (message.hwnd == GetHwnd() && message.message == kSwitchEndedMessage) {
            worker.join();
            break;
        }
        if (!IsDialogMessageA(GetHwnd(), &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    ShowProgress(false);
    switching_ = false;
    if (failure)
        std::rethrow_exception(failure);
}

void CFlipdeckDlg::RefreshFindings(VerifyDepth depth)
{
    if (startup_.verify)
        findings_ = startup_.verify(state_, depth);
    MarkRows(IDC_KALVIO_LIST, kSuiteProduct);
    MarkRows(IDC_CODESYS_LIST, kCodesysProduct);
}

void CFlipdeckDlg::MarkRows(int listId, const char* product)
{
    HWND list = GetItem(listId);
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        const std::string name = GetListCellText(list, row, 0);
        const bool blocked = std::any_of(findings_.begin(), findings_.end(),
                                         [&](const Finding& finding) { return finding.BlocksSwitchTo(product, name); });
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iImage = blocked ? 0 : I_IMAGENONE;
        SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

bool CFlipdeckDlg::RowTip(NMHDR* header, std::string& tip)
{
    // Both forms of the notification carry the row at the same place.
    const int row = reinterpret_cast<NMLVGETINFOTIPA*>(header)->iItem;
    const char* product = header->idFrom == IDC_KALVIO_LIST ? kSuiteProduct : kCodesysProduct;
    const std::string name = GetListCellText(header->hwndFrom, row, 0);
    for (const Finding& finding : findings_) {
        if (finding.BlocksSwitchTo(product, name))
            tip += (tip.empty() ? "" : "\n") + finding.code + ": " + finding.text;
    }
    return !tip.empty();
}

void CFlipdeckDlg::ShowProgress(bool running)
{
    for (int control : {IDOK, IDCANCEL, IDC_AUTOSTART, IDC_KALVIO_LIST, IDC_CODESYS_LIST, IDC_KALVIO_HEADER, IDC_CODESYS_HEADER})
        EnableWindow(GetItem(control), !running);
    // A header repaints its caption over its buttons: they must paint again after it.
    for (int header : {IDC_KALVIO_HEADER, IDC_CODESYS_HEADER})
        RedrawWindow(GetItem(header), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int control : {IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR})
        ShowWindow(GetItem(control), running ? SW_SHOW : SW_HIDE);
    SetItemText(IDC_PROGRESS_TEXT, "");
    SendMessageA(GetItem(IDC_PROGRESS_BAR), PBM_SETPOS, 0, 0);
}

void CFlipdeckDlg::ShowStep(size_t number, size_t count)
{
    std::string description;
    {
        std::lock_guard<std::mutex> lock(stepMutex_);
        description = stepText_;
    }
    SetItemText(IDC_PROGRESS_TEXT,
                FormatLocalized(IDS_PROGRESS_STEP, {std::to_string(number), std::to_string(count), description}));
    HWND bar = GetItem(IDC_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(count));
    SendMessageA(bar, PBM_SETPOS, number, 0);
}

void CFlipdeckDlg::ShowSteps(const SwitchPreview& preview)
{
    CPreviewDlg(GetHwnd(), preview.Introduction(), preview.Descriptions()).DoModal();
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
    MarkRows(IDC_CODESYS_LIST, kCodesysProduct);
    FitListColumns(list, BoldListFont(), 1);
}

void CFlipdeckDlg::ShowSuiteList(const std::vector<SuiteVersionEntry>& entries)
{
    HWND list = GetItem(IDC_KALVIO_LIST);
    ListView_DeleteAllItems(list);
    for (const SuiteVersionEntry& entry : entries)
        InsertListRow(list, ListView_GetItemCount(list), {entry.name, entry.renamePath, entry.version, entry.helpFile});
    MarkRows(IDC_KALVIO_LIST, kSuiteProduct);
    FitListColumns(list, BoldListFont(), 1);
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
