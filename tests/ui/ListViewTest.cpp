#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Dialog.h"
#include "ui/ListView.h"

using namespace flipdeck;
using namespace flipdeck::test;

using Row = std::vector<std::string>;

namespace {

// The texts of every column of `row`.
Row RowTexts(HWND list, int row)
{
    Row texts;
    for (int column = 0; column < Header_GetItemCount(ListView_GetHeader(list)); ++column)
        texts.push_back(GetListCellText(list, row, column));
    return texts;
}

}  // namespace

TEST(ListView, RowsKeepTheirTextsAndOneRowCanBeMadeTheSelection)
{
    CDialog dialog(IDD_FLIPDECK_DIALOG);
    ASSERT_TRUE(dialog.Create());
    HWND list = dialog.GetItem(IDC_KALVIO_LIST);
    for (const char* title : {"Name", "Umbenennungspfad", "Version", "Hilfedatei"})
        InsertListColumn(list, Header_GetItemCount(ListView_GetHeader(list)), title, 100);

    EXPECT_EQ(InsertListRow(list, 0, {"Kalvio 2.14.0.310", "C:\\Kalvio 2.14.0.310", "2.14.0.310", ""}), 0);
    EXPECT_EQ(InsertListRow(list, 99, {"MDN 3.0.2.7", "C:\\MDN 3.0.2.7", "3.0.2.7", "help.hlp"}), 1);
    EXPECT_EQ(InsertListRow(list, 0, {"Kalvio 2.15.1.20"}), 0);
    EXPECT_EQ(RowTexts(list, 0), (Row{"Kalvio 2.15.1.20", "", "", ""}));
    EXPECT_EQ(RowTexts(list, 2), (Row{"MDN 3.0.2.7", "C:\\MDN 3.0.2.7", "3.0.2.7", "help.hlp"}));

    // Exchanging two rows, as the move commands do, one of them with a path beyond MAX_PATH.
    Row first = RowTexts(list, 1);
    Row second = RowTexts(list, 2);
    second[1] = "C:\\" + std::string(300, 'x');
    SetListRowTexts(list, 1, second);
    SetListRowTexts(list, 2, first);
    EXPECT_EQ(RowTexts(list, 1), second);
    EXPECT_EQ(GetListCellText(list, 2, 0), "Kalvio 2.14.0.310");

    EXPECT_TRUE(GetSelectedListRows(list).empty());
    EXPECT_EQ(GetFocusedListRow(list), -1);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(GetSelectedListRows(list), (std::vector<int>{0, 2}));
    SelectListRow(list, 1);
    EXPECT_EQ(GetSelectedListRows(list), std::vector<int>{1});
    EXPECT_EQ(GetFocusedListRow(list), 1);
}
