#include "ui/ListView.h"

#include <algorithm>

#include "ui/Dpi.h"

namespace flipdeck {

int InsertListColumn(HWND list, int index, const std::string& title, int width, int format)
{
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(title.c_str());
    column.iSubItem = index;
    return static_cast<int>(SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(&column)));
}

int InsertListRow(HWND list, int row, const std::vector<std::string>& texts)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(texts.empty() ? "" : texts[0].c_str());
    int inserted = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted >= 0)
        SetListRowTexts(list, inserted, texts);
    return inserted;
}

void SetListRowTexts(HWND list, int row, const std::vector<std::string>& texts)
{
    for (size_t column = 0; column < texts.size(); ++column) {
        LVITEMA item{};
        item.iSubItem = static_cast<int>(column);
        item.pszText = const_cast<char*>(texts[column].c_str());
        SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

std::string GetListCellText(HWND list, int row, int column)
{
    // The list answers the number of characters copied; a full buffer may mean a cut text.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        auto length = static_cast<size_t>(
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

int TextWidth(HDC dc, const std::string& text)
{
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

void FitListColumns(HWND list, HFONT cellFont, int fillColumn)
{
    HWND header = ListView_GetHeader(list);
    const int columns = Header_GetItemCount(header);
    const int rows = ListView_GetItemCount(list);
    // The list pads a cell's text on both sides; the first column also leaves room for the
    // item's focus and its indent.
    const UINT dpi = WindowDpi(list);
    const int padding = ScaleForDpi(14, dpi);
    int firstColumnExtra = ScaleForDpi(4, dpi);
    // A row's mark sits in the first column, before its text, in every row.
    int imageWidth = 0, imageHeight = 0;
    if (HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
        images != nullptr && ImageList_GetIconSize(images, &imageWidth, &imageHeight))
        firstColumnExtra += imageWidth;
    auto listFont = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
    HDC dc = GetDC(list);
    if (dc == nullptr)
        return;
    const HGDIOBJ before = SelectObject(dc, listFont);
    std::vector<int> widths(static_cast<size_t>(columns), 0);
    for (int column = 0; column < columns; ++column)
        widths[static_cast<size_t>(column)] = TextWidth(dc, GetListColumnTitle(list, column));
    SelectObject(dc, cellFont != nullptr ? cellFont : listFont);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            int& width = widths[static_cast<size_t>(column)];
            width = std::max(width, TextWidth(dc, GetListCellText(list, row, column)));
        }
    }
    SelectObject(dc, before);
    ReleaseDC(list, dc);

    RECT client{};
    GetClientRect(list, &client);
    int room = client.right;
    // Room for a vertical scroll bar the rows will need, so that no horizontal one follows.
    if ((GetWindowLongA(list, GWL_STYLE) & WS_VSCROLL) == 0 && rows > ListView_GetCountPerPage(list))
        room -= GetSystemMetrics(SM_CXVSCROLL);
    int total = 0;
    for (int column = 0; column < columns; ++column) {
        int& width = widths[static_cast<size_t>(column)];
        width += padding + (column == 0 ? firstColumnExtra : 0);
        total += width;
    }
    if (fillColumn >= 0 && fillColumn < columns && total < room)
        widths[static_cast<size_t>(fillColumn)] += room - total;
    for (int column = 0; column < columns; ++column)
        ListView_SetColumnWidth(list, column, widths[static_cast<size_t>(column)]);
}

std::string GetListColumnTitle(HWND list, int column)
{
    char title[256] = {};
    HDITEMA item{};
    item.mask = HDI_TEXT;
    item.pszText = title;
    item.cchTextMax = sizeof(title);
    Header_GetItem(ListView_GetHeader(list), column, &item);
    return title;
}

std::vector<int> GetSelectedListRows(HWND list)
{
    std::vector<int> rows;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

int GetFocusedListRow(HWND list) { return ListView_GetNextItem(list, -1, LVNI_FOCUSED); }

void SelectListRow(HWND list, int row)
{
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, row, FALSE);
}

}  // namespace flipdeck
