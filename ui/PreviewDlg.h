// The preview of a switch: the steps it would make, in order, before anything moves.
#pragma once

#include <string>
#include <vector>

#include "ui/Dialog.h"

namespace flipdeck {

class CPreviewDlg : public CDialog {
public:
    CPreviewDlg(HWND parent, std::string heading, std::vector<std::string> steps);

protected:
    BOOL OnInitDialog() override;

private:
    std::string heading_;
    std::vector<std::string> steps_;
};

}  // namespace flipdeck
