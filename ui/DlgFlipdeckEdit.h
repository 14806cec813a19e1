// The entry edit dialog: shows one catalogue entry; only the rename path (and, when shown, the
// help file) can be chosen, through browse buttons. It checks nothing: the caller checks the
// values after OK and may run the same object again, which then shows the last values.
#pragma once

#include <functional>
#include <string>

#include "ui/Dialog.h"

namespace flipdeck {

class CDlgFlipdeckEdit : public CDialog {
public:
    // Lets the user choose a folder starting at `path`; true (with `path` set to the folder)
    // when one was chosen.
    using FolderPicker = std::function<bool(std::string& path)>;

    explicit CDlgFlipdeckEdit(FolderPicker pickFolder, HWND parent = nullptr);

    bool showHelpFile = false;
    std::string name;
    std::string renamePath;
    std::string helpFile;
    std::string version;

protected:
    void DoDataExchange(bool save) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void BrowseRenamePath();
    void BrowseHelpFile();

    FolderPicker pickFolder_;
};

}  // namespace flipdeck
