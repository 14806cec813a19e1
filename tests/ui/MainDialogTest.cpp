#include <gtest/gtest.h>

#include <algorithm>

#include "app/Startup.h"

#include "base/Registry.h"
#include "base/VersionInfo.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "resource.h"
#include "steps/Environment.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "tests/world/DemoWorld.h"
#include "ui/Dpi.h"
#include "ui/FlipdeckDlg.h"
#include "ui/FolderDialog.h"
#include "ui/ListView.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

bool IsMainDialog(HWND dialog) { return GetDlgItem(dialog, IDC_KALVIO_LIST) != nullptr; }

void ClickHeaderButton(HWND dialog, int header, int command)
{
    PostMessageA(GetDlgItem(GetDlgItem(dialog, header), command), BM_CLICK, 0, 0);
}

void ClickCheckBox(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Selects `row` of list `list`, gives the list the focus and presses `key` there with the
// modifiers. Posted, so that the key passes the dialog's message loop as a typed one does; the
// modifiers stay down in the thread's key state until the next key.
void PressKey(HWND dialog, int list, int row, UINT key, bool control = false, bool shift = false)
{
    HWND view = GetDlgItem(dialog, list);
    SelectListRow(view, row);
    SetFocus(view);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(view, WM_KEYDOWN, key, 1);
}

std::function<bool(HWND)> MainDialogShowing(int list, int row, const std::string& name)
{
    return [=](HWND dialog) { return IsMainDialog(dialog) && GetListCellText(GetDlgItem(dialog, list), row, 0) == name; };
}

// Moves row 2 of the suite list and row 3 of the CoDeSys list up by one.
void MoveRowsUp(HWND dialog)
{
    SelectListRow(GetDlgItem(dialog, IDC_KALVIO_LIST), 2);
    ClickHeaderButton(dialog, IDC_KALVIO_HEADER, ID_CMD_MOVE_UP);
    SelectListRow(GetDlgItem(dialog, IDC_CODESYS_LIST), 3);
    ClickHeaderButton(dialog, IDC_CODESYS_HEADER, ID_CMD_MOVE_UP);
}

// The catalogues as MoveRowsUp leaves them.
void ExpectRowsMovedUp()
{
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name2"), "MDN 3.0.2.7");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name3"), "Kalvio 2.15.1.20");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Name2"), "CoDeSys 2.3.7.0");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Name3"), "CoDeSys 2.3.8.1");
}

}  // namespace

TEST(MainDialog, AddSwitchToAndDeleteThroughTheHeaders)
{
    SavedSystemPath path;
    ScopedDemoWorld world;
    ScratchLogFolder log;
    const std::string regsvr32 = ProductSystemDirectory() + "regsvr32.exe";
    CopyFileA(StandInPath("kalvio_2_14", "workbench.exe").c_str(), regsvr32.c_str(), FALSE);
    // A further version, parked next to the installation as its setup left it.
    MakeDirs("C:\\Brivane V2.16.0.5\\Kalvio");
    CopyFileA(StandInPath("kalvio_2_16", "workbench.exe").c_str(), "C:\\Brivane V2.16.0.5\\Kalvio\\workbench.exe", FALSE);
    std::vector<std::string> browserStarts;
    SeamOverride<std::string(const FolderBrowse&)> picker(CFolderDialog::ShowBrowser, [&](const FolderBrowse& browse) {
        browserStarts.push_back(browse.initialFolder);
        return std::string("C:\\Brivane V2.16.0.5");
    });

    CFlipdeckDlg first("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(first, {{IsMainDialog, [](HWND dialog) { ClickHeaderButton(dialog, IDC_KALVIO_HEADER, ID_CMD_NEW); }},
                               {Captioned("Flipdeck"), [](HWND box) { Click(box, IDYES); }},
                               {IsMainDialog,
                                [](HWND dialog) {
                                    SelectListRow(GetDlgItem(dialog, IDC_KALVIO_LIST), 3);
                                    ClickHeaderButton(dialog, IDC_KALVIO_HEADER, ID_CMD_CHANGE);
                                }},
                               {Captioned("Flipdeck"), [](HWND box) { Click(box, IDOK); }}}),
              IDOK);
    EXPECT_EQ(browserStarts, std::vector<std::string>{""});
    EXPECT_EQ(GetProductVersionText("C:\\Brivane\\Kalvio\\workbench.exe"), "2.16.0.5");
    EXPECT_EQ(GetProductVersionText("C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe"), "2.14.0.310");
    EXPECT_FALSE(PathExists("C:\\Brivane V2.16.0.5"));

    // A double-click on a row edits it; the version that is no longer current can go; OK keeps
    // the catalogue as saved.
    CFlipdeckDlg second("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(second, {{IsMainDialog,
                                 [](HWND dialog) {
                                     HWND list = GetDlgItem(dialog, IDC_KALVIO_LIST);
                                     SelectListRow(list, 1);
                                     // Posted, so the edit runs in the dialog's loop: the record must outlive this step.
                                     static NMITEMACTIVATE click;
                                     click = {};
                                     click.hdr = {list, IDC_KALVIO_LIST, static_cast<UINT>(NM_DBLCLK)};
                                     click.iItem = 1;
                                     PostMessageA(dialog, WM_NOTIFY, IDC_KALVIO_LIST, reinterpret_cast<LPARAM>(&click));
                                 }},
                                {Captioned("Versionsumschaltung - Eintrag"),
                                 [](HWND edit) {
                                     EXPECT_EQ(GetItemText(edit, IDC_EDIT_NAME), "Kalvio 2.15.1.20");
                                     Click(edit, IDCANCEL);
                                 }},
                                {IsMainDialog, [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, IDM_ABOUTBOX, 0); }},
                                {Captioned("Info \xFC" "ber Flipdeck"), [](HWND about) { Click(about, IDOK); }},
                                {IsMainDialog,
                                 [](HWND dialog) {
                                     SelectListRow(GetDlgItem(dialog, IDC_KALVIO_LIST), 0);
                                     ClickHeaderButton(dialog, IDC_KALVIO_HEADER, ID_CMD_DELETE);
                                 }},
                                {IsMainDialog, [](HWND dialog) { Click(dialog, IDOK); }}}),
              IDOK);
    DeleteFileA(regsvr32.c_str());

    const std::string key = kSuiteCatalogueKey;
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, key, "Name1"), "Kalvio 2.15.1.20");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, key, "Name2"), "MDN 3.0.2.7");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, key, "Name3"), "Kalvio 2.16.0.5");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, key, "Path3"), "C:\\Brivane V2.16.0.5");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, key, "PrgPath3"), "C:\\Brivane");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, key, "Name4"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, key, "CurrentVersionName"), "Kalvio 2.16.0.5");
    EXPECT_TRUE(PathExists("C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe"));  // deleting forgets, never removes

    const std::vector<std::string> lines = log.Messages();
    for (const char* line : {"Add new version: Kalvio 2.16.0.5",
                             "OnChange CurrentVersionName: Kalvio 2.14.0.310 NewName: Kalvio 2.16.0.5",
                             "RenameVersions SUCCESS.", "OnDelete", "Deleted: Kalvio 2.14.0.310"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    RemoveTree("C:\\Brivane V2.16.0.5");
}

TEST(MainDialog, StartSavesWhatOkWouldSave)
{
    ScopedDemoWorld world;
    StandInCalls calls;
    CFlipdeckDlg dialog("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(dialog, {{IsMainDialog, MoveRowsUp},
                                {IsMainDialog, [](HWND main) { ClickCheckBox(main, IDC_AUTOSTART); }},
                                {IsMainDialog, [](HWND main) { ClickHeaderButton(main, IDC_KALVIO_HEADER, ID_CMD_START); }}}),
              IDOK);
    EXPECT_TRUE(calls.WaitFor("C:\\Brivane\\Kalvio\\workbench.exe|"));
    ExpectRowsMovedUp();
    BYTE autoStart = 0;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kSuiteCatalogueKey, "AutoStart", autoStart));
    EXPECT_EQ(autoStart, 1);
}

TEST(MainDialog, ASuccessfulChangeSavesTheCodesysListAndTheSuiteCatalogueOnce)
{
    SavedSystemPath path;
    ScopedDemoWorld world;
    world::ApplyLastingSwitchEffects();
    ScratchLogFolder log;
    RecordingRegsvr32 regsvr32;
    CFlipdeckDlg dialog("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(dialog, {{IsMainDialog, MoveRowsUp},
                                {IsMainDialog,
                                 [](HWND main) {
                                     SelectListRow(GetDlgItem(main, IDC_KALVIO_LIST), 2);
                                     ClickHeaderButton(main, IDC_KALVIO_HEADER, ID_CMD_CHANGE);
                                 }},
                                {Captioned("Flipdeck"), [](HWND box) { Click(box, IDOK); }}}),
              IDOK);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
    ExpectRowsMovedUp();
    const std::vector<std::string> lines = log.Messages();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "SaveAllKalvio"), 1);
}

TEST(MainDialog, IgnoresANotificationWithoutItsRecord)
{
    ScopedDemoWorld world;
    CFlipdeckDlg dialog("C:\\Brivane", ProgramStartup());
    bool answered = false;  // stays false when a notification brought the dialog down
    EXPECT_EQ(RunModal(dialog, {{IsMainDialog,
                                 [&](HWND main) {
                                     for (int from : {IDC_KALVIO_HEADER, IDC_CODESYS_HEADER, IDC_KALVIO_LIST, IDC_CODESYS_LIST})
                                         SendMessageA(main, WM_NOTIFY, from, 0);
                                     answered = true;
                                     Click(main, IDCANCEL);
                                 }}}),
              IDCANCEL);
    EXPECT_TRUE(answered);
}

TEST(MainDialog, EveryListCommandRunsFromTheKeyboard)
{
    ScopedDemoWorld world;
    StandInCalls calls;
    int browses = 0;
    SeamOverride<std::string(const FolderBrowse&)> picker(CFolderDialog::ShowBrowser, [&](const FolderBrowse&) {
        ++browses;
        return std::string();  // cancelled: nothing is added
    });
    const std::string entry = "Versionsumschaltung - Eintrag";
    const std::string preview = "Versionsumschaltung - Vorschau";
    auto answer = [](int button) { return [button](HWND box) { Click(box, button); }; };
    auto expectName = [](const std::string& name) {
        return [name](HWND edit) {
            EXPECT_EQ(GetItemText(edit, IDC_EDIT_NAME), name);
            Click(edit, IDCANCEL);
        };
    };
    CFlipdeckDlg suite("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(suite,
                       {// Enter and F2 edit, Insert adds (the folder picker opens), Ctrl+Down moves,
                        // F5 changes (the live version: refused), Shift+F5 previews.
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 1, VK_RETURN); }},
                        {Captioned(entry), expectName("Kalvio 2.15.1.20")},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 2, VK_F2); }},
                        {Captioned(entry), expectName("MDN 3.0.2.7")},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 0, VK_INSERT); }},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 1, VK_DOWN, true); }},
                        {MainDialogShowing(IDC_KALVIO_LIST, 2, "Kalvio 2.15.1.20"),
                         [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 0, VK_F5); }},
                        {Captioned("Flipdeck"), answer(IDOK)},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 2, VK_F5, false, true); }},
                        {Captioned(preview), answer(IDOK)},
                        {IsMainDialog, [](HWND main) { Click(main, IDOK); }}}),
              IDOK);
    EXPECT_EQ(browses, 1);

    CFlipdeckDlg codesys("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(codesys,
                       {// Ctrl+Up moves, Delete (the neutral entry: refused), Enter and F5 change (the
                        // live version: refused), Shift+F5 previews.
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_CODESYS_LIST, 3, VK_UP, true); }},
                        {MainDialogShowing(IDC_CODESYS_LIST, 2, "CoDeSys 2.3.7.0"),
                         [](HWND main) { PressKey(main, IDC_CODESYS_LIST, 0, VK_DELETE); }},
                        {Captioned("Flipdeck"), answer(IDOK)},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_CODESYS_LIST, 1, VK_RETURN); }},
                        {Captioned("Flipdeck"), answer(IDOK)},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_CODESYS_LIST, 1, VK_F5); }},
                        {Captioned("Flipdeck"), answer(IDOK)},
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_CODESYS_LIST, 2, VK_F5, false, true); }},
                        {Captioned(preview), answer(IDOK)},
                        // Delete on the suite list forgets a version; Ctrl+F5 starts the live one
                        // and closes, saving both lists.
                        {IsMainDialog, [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 2, VK_DELETE); }},
                        {[](HWND main) { return IsMainDialog(main) && ListView_GetItemCount(GetDlgItem(main, IDC_KALVIO_LIST)) == 2; },
                         [](HWND main) { PressKey(main, IDC_KALVIO_LIST, 0, VK_F5, true); }}}),
              IDOK);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);

    EXPECT_TRUE(calls.WaitFor("C:\\Brivane\\Kalvio\\workbench.exe|"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name1"), "Kalvio 2.14.0.310");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name2"), "MDN 3.0.2.7");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name3"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Name2"), "CoDeSys 2.3.7.0");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Name3"), "CoDeSys 2.3.8.1");
}

TEST(MainDialog, TabRunsInReadingOrderThroughEveryCommand)
{
    ScopedDemoWorld world;
    CFlipdeckDlg dialog("C:\\Brivane", ProgramStartup());
    std::vector<int> visited;
    EXPECT_EQ(RunModal(dialog, {{IsMainDialog,
                                 [&](HWND main) {
                                     HWND start = GetDlgItem(main, IDC_AUTOSTART);
                                     HWND control = start;
                                     do {
                                         visited.push_back(GetDlgCtrlID(control));
                                         control = GetNextDlgTabItem(main, control, FALSE);
                                     } while (control != nullptr && control != start && visited.size() < 40);
                                     Click(main, IDCANCEL);
                                 }}}),
              IDCANCEL);
    // The header buttons left to right, each header before its list; the disabled fields are skipped.
    EXPECT_EQ(visited, (std::vector<int>{IDC_AUTOSTART, ID_CMD_VERIFY, ID_CMD_START, ID_CMD_NEW, ID_CMD_DELETE, ID_CMD_PREVIEW,
                                         ID_CMD_CHANGE, ID_CMD_MOVE_UP, ID_CMD_MOVE_DOWN, IDC_KALVIO_LIST, ID_CMD_VERIFY,
                                         ID_CMD_DELETE, ID_CMD_PREVIEW, ID_CMD_CHANGE, ID_CMD_MOVE_UP, ID_CMD_MOVE_DOWN,
                                         IDC_CODESYS_LIST, IDOK, IDCANCEL}));
}

TEST(MainDialog, TheLiveRowIsTintedOrUnderHighContrastInTheSchemesHighlightColours)
{
    ScopedDemoWorld world;
    for (const bool highContrast : {false, true}) {
        SeamOverride<bool()> scheme(seams::HighContrastOn, [&] { return highContrast; });
        CFlipdeckDlg dialog("C:\\Brivane", ProgramStartup());
        COLORREF live = 0;
        COLORREF other = 0;
        EXPECT_EQ(RunModal(dialog, {{IsMainDialog,
                                     [&](HWND main) {
                                         HWND list = GetDlgItem(main, IDC_KALVIO_LIST);
                                         const Capture picture = CaptureWindow(list);
                                         // Right of the texts, in the middle of row 0 (live) and row 1.
                                         RECT row{};
                                         ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
                                         const int x = ListView_GetColumnWidth(list, 0) + ListView_GetColumnWidth(list, 1) - 4;
                                         const int border = GetSystemMetrics(SM_CXBORDER);
                                         live = picture.At(x + border, (row.top + row.bottom) / 2 + border);
                                         other = picture.At(x + border, (row.top + row.bottom) / 2 + (row.bottom - row.top) + border);
                                         Click(main, IDCANCEL);
                                     }}}),
                  IDCANCEL);
        EXPECT_EQ(live, highContrast ? GetSysColor(COLOR_HIGHLIGHT) : RGB(214, 236, 214)) << highContrast;
        EXPECT_EQ(other, GetSysColor(COLOR_WINDOW)) << highContrast;
    }
}

namespace {

int RowImage(HWND list, int row)
{
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

// What the dialog answers for the tooltip of a row, asked as the list asks.
std::string RowTip(HWND dialog, int listId, int row)
{
    char text[1024] = {};
    NMLVGETINFOTIPA info{};
    info.hdr.hwndFrom = GetDlgItem(dialog, listId);
    info.hdr.idFrom = static_cast<UINT_PTR>(listId);
    info.hdr.code = LVN_GETINFOTIPA;
    info.pszText = text;
    info.cchTextMax = sizeof(text);
    info.iItem = row;
    SendMessageA(dialog, WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&info));
    return text;
}

}  // namespace

// Wine's list view asks for no tooltip when the mouse rests on a row: the dialog is asked directly.
// The findings are asked for from the keyboard, as the header's button asks for them.
TEST(MainDialog, MarksTheRowsASwitchCannotGoToAndListsTheFindingsOfTheVerifyButton)
{
    SavedSystemPath path;
    ScopedDemoWorld world;
    ScratchLogFolder log;
    ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\Brivane\\bin;C:\\windows"));
    // A parked version uninstalled by hand, the gateway backup of another incomplete.
    ASSERT_TRUE(MoveFileA("C:\\Brivane V2.15.1.20", "C:\\Brivane V2.15.1.20_alt"));
    ASSERT_TRUE(DeleteFileA((ProductSystemDirectory() + "CoDeSys 2.3.8.1\\gclient.dll").c_str()));

    std::vector<std::vector<std::string>> listed;
    CFlipdeckDlg dialog("C:\\Brivane", ProgramStartup());
    EXPECT_EQ(RunModal(dialog, {{IsMainDialog,
                                 [](HWND main) {
                                     HWND suite = GetDlgItem(main, IDC_KALVIO_LIST);
                                     HWND codesys = GetDlgItem(main, IDC_CODESYS_LIST);
                                     EXPECT_EQ(RowImage(suite, 0), I_IMAGENONE);
                                     EXPECT_EQ(RowImage(suite, 1), 0);
                                     EXPECT_EQ(RowImage(suite, 2), I_IMAGENONE);
                                     EXPECT_EQ(RowImage(codesys, 2), 0);  // CoDeSys 2.3.8.1
                                     EXPECT_EQ(RowImage(codesys, 3), I_IMAGENONE);
                                     EXPECT_EQ(RowTip(main, IDC_KALVIO_LIST, 0), "");
                                     EXPECT_EQ(RowTip(main, IDC_KALVIO_LIST, 1).substr(0, 22), "suite-folder-missing: ");
                                     EXPECT_EQ(RowTip(main, IDC_CODESYS_LIST, 2),
                                               "codesys-gateway-incomplete: Im Sicherungsordner der Gateway-Dateien von "
                                               "CoDeSys 2.3.8.1 fehlt gclient.dll: stellen Sie die Datei wieder her oder "
                                               "installieren Sie die Version neu.");
                                     // F7 in a list is the header's verify button.
                                     PressKey(main, IDC_CODESYS_LIST, 2, VK_F7);
                                 }},
                                {[](HWND dialog) { return GetDlgItem(dialog, IDC_VERIFY_LIST) != nullptr; },
                                 [&](HWND findings) {
                                     HWND list = GetDlgItem(findings, IDC_VERIFY_LIST);
                                     for (int row = 0; row < ListView_GetItemCount(list); ++row)
                                         listed.push_back({GetListCellText(list, row, 0), GetListCellText(list, row, 1)});
                                     EXPECT_EQ(GetWindowString(GetDlgItem(findings, IDC_VERIFY_HEADING)),
                                               "Abweichungen zwischen den Katalogen und dem Rechner: 3");
                                     Click(findings, IDOK);
                                 }},
                                {IsMainDialog, [](HWND main) { Click(main, IDCANCEL); }}}),
              IDCANCEL);
    EXPECT_EQ(listed, (std::vector<std::vector<std::string>>{{"Kalvio 2.15.1.20", "suite-folder-missing"},
                                                             {"Kalvio 2.15.1.20", "suite-folder-misplaced"},
                                                             {"CoDeSys 2.3.8.1", "codesys-gateway-incomplete"}}));
}
