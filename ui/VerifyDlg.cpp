#include "ui/VerifyDlg.h"

#include <commctrl.h>

#include "base/LocalizedString.h"
#include "resource.h"
#include "ui/ListView.h"

namespace flipdeck {

CVerifyDlg::CVerifyDlg(HWND parent, std::vector<Finding> findings)
    : CDialog(IDD_VERIFY, parent), findings_(std::move(findings))
{
}

BOOL CVerifyDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetItemText(IDC_VERIFY_HEADING, findings_.empty() ? LoadLocalizedString(IDS_VERIFY_NOTHING_FOUND)
                                                      : FormatLocalized(IDS_VERIFY_FOUND, {std::to_string(findings_.size())}));
    HWND list = GetItem(IDC_VERIFY_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    InsertListColumn(list, 0, LoadLocalizedString(IDS_COL_NAME), 110);
    InsertListColumn(list, 1, LoadLocalizedString(IDS_COL_CODE), 170);
    InsertListColumn(list, 2, LoadLocalizedString(IDS_COL_PLACE), 230);
    InsertListColumn(list, 3, LoadLocalizedString(IDS_COL_MESSAGE), 300);
    for (size_t i = 0; i < findings_.size(); ++i) {
        const Finding& finding = findings_[i];
        InsertListRow(list, static_cast<int>(i), {finding.entry, finding.code, finding.place, finding.text});
    }
    // A sentence is long: its column takes it whole and the list scrolls sideways.
    if (!findings_.empty())
        ListView_SetColumnWidth(list, 3, LVSCW_AUTOSIZE);
    return TRUE;
}

}  // namespace flipdeck
