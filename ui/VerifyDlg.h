// What a verify found, one row per finding: the entry, the finding's code, its place and what to do.
#pragma once

#include <vector>

#include "steps/Finding.h"
#include "ui/Dialog.h"

namespace flipdeck {

class CVerifyDlg : public CDialog {
public:
    CVerifyDlg(HWND parent, std::vector<Finding> findings);

protected:
    BOOL OnInitDialog() override;

private:
    std::vector<Finding> findings_;
};

}  // namespace flipdeck
