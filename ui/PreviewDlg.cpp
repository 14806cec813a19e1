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
    InsertListColumn(list, 0, "#", 0, LVCFMT_RIGHT);
    InsertListColumn(list, 1, LoadLocalizedString(IDS_COL_STEP), 0);
    for (size_t i = 0; i < steps_.size(); ++i)
        InsertListRow(list, static_cast<int>(i), {std::to_string(i + 1), steps_[i]});
    // Long paths make long steps: the column takes the longest whole, the list scrolls sideways.
    FitListColumns(list, nullptr, 1);
    return TRUE;
}

}  // namespace flipdeck
