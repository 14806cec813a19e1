// The about box: product version and copyright from the program's own version resource.
#pragma once

#include "ui/Dialog.h"

namespace flipdeck {

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(HWND parent = nullptr);

protected:
    BOOL OnInitDialog() override;
};

}  // namespace flipdeck
