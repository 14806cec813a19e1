#include "ui/FolderDialog.h"

#include <objbase.h>
#include <shlobj.h>

#include <utility>

#include "base/LocalizedString.h"
#include "base/UniqueHandle.h"
#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

// The browser's selection takes at most this many characters.
constexpr size_t kInitialFolderLength = MAX_PATH - 1;

struct ItemListTraits {
    using Type = PIDLIST_ABSOLUTE;
    static PIDLIST_ABSOLUTE Invalid() { return nullptr; }
    static void Close(PIDLIST_ABSOLUTE items) { CoTaskMemFree(items); }
};

// The shell's browser wants COM in a single-threaded apartment on the calling thread; one the
// thread has already is used as it is.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

int CALLBACK SelectInitialFolder(HWND browser, UINT message, LPARAM, LPARAM initialFolder)
{
    if (message == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, initialFolder);
    return 0;
}

std::string ShowShellBrowser(const FolderBrowse& browse)
{
    ComApartment com;
    BROWSEINFOA info{};
    info.hwndOwner = browse.owner;
    info.lpszTitle = browse.title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = SelectInitialFolder;
    info.lParam = reinterpret_cast<LPARAM>(browse.initialFolder.c_str());
    UniqueAny<ItemListTraits> chosen(SHBrowseForFolderA(&info));
    // Stays empty for an item that is no file-system folder.
    char path[MAX_PATH + 1] = {};
    if (chosen)
        SHGetPathFromIDListA(chosen.get(), path);
    return path;
}

}  // namespace

std::function<std::string(const FolderBrowse&)> CFolderDialog::ShowBrowser = ShowShellBrowser;

CFolderDialog::CFolderDialog(HWND parent, std::string title)
    : parent_(parent), title_(title.empty() ? LoadLocalizedString(IDS_SELECT_FOLDER) : std::move(title))
{
}

int CFolderDialog::Browse(std::string& path)
{
    while (!PathExists(path)) {
        const size_t cut = path.rfind('\\');
        if (cut == std::string::npos) {
            path.clear();
            break;
        }
        path.erase(cut);
    }
    const HWND owner = parent_ != nullptr ? parent_ : GetActiveWindow();
    std::string chosen = ShowBrowser({owner, title_, path.substr(0, kInitialFolderLength)});
    if (chosen.empty())
        return -1;
    path = std::move(chosen);
    return 1;
}

}  // namespace flipdeck
