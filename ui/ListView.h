// Helpers for the report-view list controls of the main dialog: columns, row texts, selection.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace flipdeck {

// Adds a column at `index`; returns its index or -1.
int InsertListColumn(HWND list, int index, const std::string& title, int width, int format = LVCFMT_LEFT);

// Inserts a row at `row` (at the end when past it) with texts[i] in column i; returns its index or -1.
int InsertListRow(HWND list, int row, const std::vector<std::string>& texts);
// Sets texts[i] into column i of `row`; columns beyond the texts keep theirs.
void SetListRowTexts(HWND list, int row, const std::vector<std::string>& texts);
std::string GetListCellText(HWND list, int row, int column);
std::string GetListColumnTitle(HWND list, int column);

// Makes each column as wide as its widest text (the title, and the cells drawn in `cellFont`,
// the list's own font when null) with the list's margins; `fillColumn` also takes what room
// is left in the list. Wider than the list, the list scrolls sideways and cuts nothing.
void FitListColumns(HWND list, HFONT cellFont, int fillColumn);

// Selected rows in ascending order; the focused row, or -1.
std::vector<int> GetSelectedListRows(HWND list);
int GetFocusedListRow(HWND list);
// Makes `row` the only selected row and the focused one, and scrolls it into view.
void SelectListRow(HWND list, int row);

}  // namespace flipdeck
