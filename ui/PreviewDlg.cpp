#include "ui/PreviewDlg.h"

#include "base/LocalizedString.h"
#include "resource.h"
#include "ui/ListView.h"

namespace flipdeck {

CPreviewDlg::CPreviewDlg(HWND parent, std::string heading, std::vector<std::string> steps)
    : CDialog(IDD_PREVIEW, parent), heading_(std::move(heading)), steps_(std::move(steps))
{
}

BOOL CPreviewDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetItemText(IDC_PREVIEW_HEADING, heading_);
    HWND list = GetItem(IDC_PREVIEW_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    RECT client{};
    GetClientRect(list, &client);
    const int numberWidth = 36;
    InsertListColumn(list, 0, "#", numberWidth, LVCFMT_RIGHT);
    InsertListColumn(list, 1, LoadLocalizedString(IDS_COL_STEP), client.right - numberWidth - GetSystemMetrics(SM_CXVSCROLL));
    for (size_t i = 0; i < steps_.size(); ++i)
        InsertListRow(list, static_cast<int>(i), {std::to_string(i + 1), steps_[i]});
    // Long paths make long steps: the column takes the longest whole, the list scrolls sideways.
    if (!steps_.empty())
        ListView_SetColumnWidth(list, 1, LVSCW_AUTOSIZE);
    return TRUE;
}

}  // namespace flipdeck
