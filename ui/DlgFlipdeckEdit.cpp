#include "ui/DlgFlipdeckEdit.h"

#include <commdlg.h>

#include <utility>
#include <vector>

#include "base/LocalizedString.h"
#include "base/UniqueHandle.h"
#include "resource.h"

namespace flipdeck {

namespace {

std::string CurrentDirectory()
{
    DWORD size = GetCurrentDirectoryA(0, nullptr);
    std::string directory(size, '\0');
    DWORD length = GetCurrentDirectoryA(size, directory.data());
    directory.resize(length < size ? length : 0);
    return directory;
}

}  // namespace

CDlgFlipdeckEdit::CDlgFlipdeckEdit(FolderPicker pickFolder, HWND parent)
    : CDialog(IDD_ENTRY_EDIT, parent), pickFolder_(std::move(pickFolder))
{
}

void CDlgFlipdeckEdit::DoDataExchange(bool save)
{
    const std::pair<int, std::string*> fields[] = {{IDC_EDIT_NAME, &name},
                                                   {IDC_EDIT_RENAME_PATH, &renamePath},
                                                   {IDC_EDIT_HELPFILE, &helpFile},
                                                   {IDC_EDIT_VERSION, &version}};
    for (const auto& [id, member] : fields) {
        if (save)
            *member = GetItemText(id);
        else
            SetItemText(id, *member);
    }
}

BOOL CDlgFlipdeckEdit::OnInitDialog()
{
    CDialog::OnInitDialog();
    EnableWindow(GetItem(IDC_EDIT_NAME), FALSE);
    if (!showHelpFile) {
        for (int id : {IDC_EDIT_HELPFILE, IDC_EDIT_HELPFILE_LABEL, IDC_EDIT_HELPFILE_BROWSE})
            ShowWindow(GetItem(id), SW_HIDE);
    }
    return TRUE;
}

bool CDlgFlipdeckEdit::OnCommand(int id, int code, HWND control)
{
    if (code == BN_CLICKED && id == IDC_EDIT_RENAME_PATH_BROWSE) {
        BrowseRenamePath();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_EDIT_HELPFILE_BROWSE) {
        BrowseHelpFile();
        return true;
    }
    return CDialog::OnCommand(id, code, control);
}

void CDlgFlipdeckEdit::BrowseRenamePath()
{
    // The shell's folder browser may leave the process in the folder it showed last.
    ScopeExit restore([directory = CurrentDirectory()] { SetCurrentDirectoryA(directory.c_str()); });
    std::string path = GetItemText(IDC_EDIT_RENAME_PATH);
    if (pickFolder_(path))
        SetItemText(IDC_EDIT_RENAME_PATH, path);
}

void CDlgFlipdeckEdit::BrowseHelpFile()
{
    // The filter is one text with '|' where the dialog expects the terminating zeros.
    std::string filter = LoadLocalizedString(IDS_HELPFILE_FILTER);
    for (char& c : filter) {
        if (c == '|')
            c = '\0';
    }
    std::string initial = GetItemText(IDC_EDIT_HELPFILE);
    std::vector<char> file(initial.size() + 1 > MAX_PATH ? initial.size() + 1 : MAX_PATH, '\0');
    initial.copy(file.data(), initial.size());

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = GetHwnd();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&dialog))
        SetItemText(IDC_EDIT_HELPFILE, file.data());
}

}  // namespace flipdeck
