// The dialogs at 100, 150 and 200 % display scale, German and English: every text fits its
// control, no control overlaps another, the list columns fit their widest text (names in bold, as
// the live row draws them), the header icons are the images drawn for the scale, and access keys
// are unique. Wine takes a process's scale from LogPixels when the process starts, so the other
// scales run this program again in a process of its own.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cctype>
#include <algorithm>
#include <iostream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/DlgFlipdeckEdit.h"
#include "ui/Dpi.h"
#include "ui/FlipdeckDlg.h"
#include "ui/IconButton.h"
#include "ui/ListView.h"
#include "ui/PreviewDlg.h"

#include "app/Startup.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kScaleTest[] = "DisplayScale.NothingIsCutOrOverlapsAtThisScale";

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

RECT RectIn(HWND window, HWND parent)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string Describe(HWND control)
{
    const RECT rect = RectIn(control, GetParent(control));
    return ClassOf(control) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" + GetWindowString(control) + "\" (" +
           std::to_string(rect.left) + "," + std::to_string(rect.top) + "-" + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom) + ")";
}

// The size `text` takes in `font`: one line, or wrapped at `wrapWidth` when it is positive.
// Access-key ampersands take no room.
SIZE TextSize(HWND window, HFONT font, const std::string& text, int wrapWidth = 0)
{
    HDC dc = GetDC(window);
    const HGDIOBJ before = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SIZE size{};
    if (wrapWidth > 0) {
        RECT rect{0, 0, wrapWidth, 0};
        DrawTextA(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_WORDBREAK);
        size = {rect.right, rect.bottom};
    } else {
        std::string shown;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '&' && i + 1 < text.size())
                ++i;
            shown += text[i];
        }
        GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    }
    SelectObject(dc, before);
    ReleaseDC(window, dc);
    return size;
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)); }

UniqueFont BoldOf(HFONT font)
{
    LOGFONTA bold{};
    GetObjectA(font, sizeof(bold), &bold);
    bold.lfWeight = FW_BOLD;
    return UniqueFont(CreateFontIndirectA(&bold));
}

// Every column shows its title and each cell whole; the columns fit in the list unless the list
// may scroll sideways.
void ExpectListFits(HWND list, bool boldNames, bool sideways, const std::string& where)
{
    const UINT dpi = WindowDpi(list);
    const UniqueFont bold = BoldOf(FontOf(list));
    HWND header = ListView_GetHeader(list);
    const int columns = Header_GetItemCount(header);
    int total = 0;
    for (int column = 0; column < columns; ++column) {
        const std::string title = GetListColumnTitle(list, column);
        const int width = ListView_GetColumnWidth(list, column);
        total += width;
        EXPECT_LE(TextSize(header, FontOf(header), title).cx + ScaleForDpi(8, dpi), width) << where << ": title " << title;
        for (int row = 0; row < ListView_GetItemCount(list); ++row) {
            const std::string text = GetListCellText(list, row, column);
            RECT label{};
            ListView_GetSubItemRect(list, row, column, LVIR_LABEL, &label);
            const HFONT font = boldNames ? bold.get() : FontOf(list);
            // The list keeps a margin on each side of a cell's text.
            EXPECT_LE(TextSize(list, font, text).cx + ScaleForDpi(4, dpi), label.right - label.left)
                << where << ": cell \"" << text << "\"";
        }
    }
    RECT client{};
    GetClientRect(list, &client);
    if (!sideways) {
        EXPECT_LE(total, client.right) << where << ": the columns are wider than the list";
    }
}

// The caption of a command header ends before its first button; the buttons lie inside the
// header, each as large as its icon image, the image drawn for the header's scale.
void ExpectHeaderFits(HWND header, const std::string& where)
{
    RECT client{};
    GetClientRect(header, &client);
    LONG firstButton = client.right;
    for (HWND button = GetWindow(header, GW_CHILD); button != nullptr; button = GetWindow(button, GW_HWNDNEXT)) {
        const RECT rect = RectIn(button, header);
        firstButton = std::min(firstButton, rect.left);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom)
            << where << ": " << Describe(button) << " leaves its header";
        const int icon = CommandIconSize(WindowDpi(header));
        EXPECT_GE(rect.right - rect.left, icon + 4) << where << ": " << Describe(button);
        EXPECT_GE(rect.bottom - rect.top, icon + 2) << where << ": " << Describe(button);
    }
    EXPECT_LT(TextSize(header, FontOf(header), GetWindowString(header)).cx, firstButton)
        << where << ": the caption runs under the buttons";
}

// What the text of one control needs beside the text itself, or -1 when it shows no text of its own.
int TextMargin(HWND control, UINT dpi)
{
    const std::string type = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    if (type == "Static") {
        const LONG kind = style & SS_TYPEMASK;
        const bool text = kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT || kind == SS_LEFTNOWORDWRAP;
        // An ellipsis is the step line's own way of fitting.
        return text && (style & SS_ELLIPSISMASK) == 0 && GetWindow(control, GW_CHILD) == nullptr ? 0 : -1;
    }
    if (type == "Button") {
        switch (style & BS_TYPEMASK) {
        case BS_OWNERDRAW:
            return -1;
        case BS_GROUPBOX:
            return ScaleForDpi(12, dpi);
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
            return GetSystemMetrics(SM_CXMENUCHECK) + ScaleForDpi(4, dpi);
        default:
            return ScaleForDpi(6, dpi);
        }
    }
    if (type == "Edit") {
        const auto margins = static_cast<DWORD>(SendMessageA(control, EM_GETMARGINS, 0, 0));
        return LOWORD(margins) + HIWORD(margins) + ScaleForDpi(2, dpi);
    }
    return -1;
}

// The access key of a control's text, or 0.
char AccessKey(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] != '&')
                return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
            ++i;
        }
    }
    return 0;
}

// The text of the static label a screen reader names a field or list by: the nearest static
// before it (fields of one row share their label).
std::string LabelOf(HWND control)
{
    for (HWND before = GetWindow(control, GW_HWNDPREV); before != nullptr; before = GetWindow(before, GW_HWNDPREV)) {
        if (ClassOf(before) == "Static")
            return GetWindowString(before);
        if (ClassOf(before) != "Edit")
            break;
    }
    return std::string();
}

// Every visible control of `dialog` inside it, showing its text whole, overlapping no other
// (a group box holds its controls), each field and list labelled, and no access key twice.
void ExpectLaidOut(HWND dialog, const std::string& where)
{
    const UINT dpi = WindowDpi(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    std::vector<HWND> controls;
    std::map<char, std::string> keys;
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control))
            continue;
        controls.push_back(control);
        const RECT rect = RectIn(control, dialog);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom)
            << where << ": " << Describe(control) << " leaves the dialog";
        const std::string text = GetWindowString(control);
        if (const char key = AccessKey(text); key != 0) {
            EXPECT_EQ(keys.count(key), 0u) << where << ": access key " << key << " of \"" << text << "\" and \"" << keys[key] << "\"";
            keys[key] = text;
        }
        if (ClassOf(control) == "Edit" || ClassOf(control) == WC_LISTVIEWA) {
            EXPECT_NE(LabelOf(control), "") << where << ": " << Describe(control) << " has no label";
        }
        const int margin = TextMargin(control, dpi);
        if (margin < 0 || text.empty())
            continue;
        RECT inside{};
        GetClientRect(control, &inside);
        const bool wraps = ClassOf(control) == "Static" && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_LEFTNOWORDWRAP;
        const SIZE needed = TextSize(control, FontOf(control), text, wraps ? inside.right : 0);
        EXPECT_LE(needed.cx + margin, inside.right) << where << ": " << Describe(control) << " is cut";
        EXPECT_LE(needed.cy, inside.bottom) << where << ": " << Describe(control) << " is cut at the bottom";
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        const bool groupI = ClassOf(controls[i]) == "Button" && (GetWindowLongA(controls[i], GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const bool groupJ = ClassOf(controls[j]) == "Button" && (GetWindowLongA(controls[j], GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
            const RECT a = RectIn(controls[i], dialog);
            const RECT b = RectIn(controls[j], dialog);
            RECT common{};
            if (groupI || groupJ) {
                // The group box's caption line is its own.
                const RECT& group = groupI ? a : b;
                const RECT& other = groupI ? b : a;
                if (IntersectRect(&common, &group, &other)) {
                    const LONG captionBottom = group.top + TextSize(controls[groupI ? i : j], FontOf(controls[groupI ? i : j]), "Ag").cy;
                    EXPECT_TRUE(EqualRect(&common, &other) && other.top >= captionBottom)
                        << where << ": " << Describe(controls[groupI ? j : i]) << " sticks out of its group box";
                }
                continue;
            }
            EXPECT_FALSE(IntersectRect(&common, &a, &b))
                << where << ": " << Describe(controls[i]) << " overlaps " << Describe(controls[j]);
        }
    }
}

struct Language {
    const char* name;
    bool english;  // the English language library, else the program's German
};


}  // namespace

TEST(DisplayScale, NothingIsCutOrOverlapsAtThisScale)
{
    ScopedDemoWorld world;
    for (const Language language : {Language{"German", false}, Language{"English", true}}) {
        UniqueModule library;
        if (language.english)
            library = LoadAsData(EnglishLibraryPath());
        UseResourceModule use(library.get());
        const std::string at = std::string(language.name) + " at " + std::to_string(WindowDpi(nullptr)) + " dpi, ";
        std::cout << "Display scale: " << WindowDpi(nullptr) << " dpi" << std::endl;

        CFlipdeckDlg main("C:\\Brivane", ProgramStartup());
        EXPECT_EQ(RunModal(main,
                           {// Laid out again as after a move to a monitor of another scale (here the same).
                            {[](HWND dialog) { return GetDlgItem(dialog, IDC_KALVIO_LIST) != nullptr; },
                             [](HWND dialog) {
                                 RECT window{};
                                 GetWindowRect(dialog, &window);
                                 const UINT dpi = WindowDpi(dialog);
                                 SendMessageA(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
                             }},
                            {[](HWND dialog) { return GetDlgItem(dialog, IDC_KALVIO_LIST) != nullptr; },
                             [&](HWND dialog) {
                                 const std::pair<int, int> headers[] = {{IDC_KALVIO_HEADER, 8}, {IDC_CODESYS_HEADER, 6}};
                                 for (const auto& [header, buttons] : headers) {
                                     int children = 0;
                                     for (HWND child = GetWindow(GetDlgItem(dialog, header), GW_CHILD); child != nullptr;
                                          child = GetWindow(child, GW_HWNDNEXT))
                                         ++children;
                                     EXPECT_EQ(children, buttons) << at << "header " << header;
                                 }
                                 ExpectLaidOut(dialog, at + "main dialog");
                                 for (int list : {IDC_KALVIO_LIST, IDC_CODESYS_LIST})
                                     ExpectListFits(GetDlgItem(dialog, list), true, false, at + "main dialog");
                                 for (int header : {IDC_KALVIO_HEADER, IDC_CODESYS_HEADER})
                                     ExpectHeaderFits(GetDlgItem(dialog, header), at + "main dialog");
                                 // The progress line as a switch shows it, beside OK and Cancel.
                                 for (int id : {IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR})
                                     ShowWindow(GetDlgItem(dialog, id), SW_SHOWNA);
                                 SetItemText(dialog, IDC_PROGRESS_TEXT,
                                             FormatLocalized(IDS_PROGRESS_STEP, {"3", "12", "C:\\Brivane V2.15.1.20"}));
                                 ExpectLaidOut(dialog, at + "main dialog with its progress line");
                                 SelectListRow(GetDlgItem(dialog, IDC_KALVIO_LIST), 1);
                                 PostMessageA(GetDlgItem(GetDlgItem(dialog, IDC_KALVIO_HEADER), ID_CMD_PREVIEW), BM_CLICK, 0, 0);
                             }},
                            {[](HWND dialog) { return GetDlgItem(dialog, IDC_PREVIEW_LIST) != nullptr; },
                             [&](HWND preview) {
                                 ExpectLaidOut(preview, at + "preview");
                                 ExpectListFits(GetDlgItem(preview, IDC_PREVIEW_LIST), false, true, at + "preview");
                                 Click(preview, IDOK);
                             }},
                            {[](HWND dialog) { return GetDlgItem(dialog, IDC_KALVIO_LIST) != nullptr; },
                             [](HWND dialog) { Click(dialog, IDCANCEL); }}}),
                  IDCANCEL);

        CDlgFlipdeckEdit edit([](std::string&) { return false; });
        edit.showHelpFile = true;
        edit.name = "Kalvio 2.15.1.20";
        edit.renamePath = "C:\\Brivane V2.15.1.20";
        edit.version = "2.15.1.20";
        edit.helpFile = "C:\\Brivane V2.15.1.20\\Kalvio\\Hilfe\\kalvio.chm";
        EXPECT_EQ(RunModal(edit, {{[](HWND dialog) { return GetDlgItem(dialog, IDC_EDIT_NAME) != nullptr; },
                                   [&](HWND dialog) {
                                       ExpectLaidOut(dialog, at + "entry");
                                       Click(dialog, IDCANCEL);
                                   }}}),
                  IDCANCEL);

        CAboutDlg about;
        EXPECT_EQ(RunModal(about, {{[](HWND dialog) { return GetDlgItem(dialog, IDC_ABOUT_TEXT) != nullptr; },
                                    [&](HWND dialog) {
                                        ExpectLaidOut(dialog, at + "about box");
                                        Click(dialog, IDOK);
                                    }}}),
                  IDOK);
    }
}

namespace {

// Runs the test above in a process of its own at `scale` percent; the prefix's own scale comes
// back at the end.
void ExpectLaidOutAtScale(DWORD scale)
{
    const std::optional<RegValue> before = ReadRegValue(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
    ScopeExit restore([&] {
        UniqueHKey key;
        RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, key.put());
        if (before)
            RegSetValueExA(key.get(), "LogPixels", 0, before->type, before->data.data(), static_cast<DWORD>(before->data.size()));
        else
            RegDeleteValueA(key.get(), "LogPixels");
    });
    const DWORD dpi = kDesignDpi * scale / 100;
    UniqueHKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi)),
              ERROR_SUCCESS);
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const CommandRun run = RunProgram(program, std::string("--gtest_filter=") + kScaleTest, 50);
    EXPECT_EQ(run.exitCode, 0u) << scale << " %:\n" << run.out << run.error;
    EXPECT_NE(run.out.find("Display scale: " + std::to_string(dpi) + " dpi"), std::string::npos)
        << scale << " %: the process did not run at " << dpi << " dpi:\n" << run.out << run.error;
}

}  // namespace

TEST(DisplayScale, NothingIsCutOrOverlapsAt150Percent) { ExpectLaidOutAtScale(150); }

TEST(DisplayScale, NothingIsCutOrOverlapsAt200Percent) { ExpectLaidOutAtScale(200); }
