// The folder picker: the shell's folder browser, opened at the nearest existing folder of a path.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace flipdeck {

// What the folder browser is shown with.
struct FolderBrowse {
    HWND owner;                 // null: none
    std::string title;          // the text above the folder tree
    std::string initialFolder;  // selected when the browser opens; empty: nothing
};

class CFolderDialog {
public:
    // Shows the browser and answers the chosen file-system folder, empty when none was chosen.
    // The shell's folder browser; tests put a script here.
    static std::function<std::string(const FolderBrowse& browse)> ShowBrowser;

    // Without a parent the browser belongs to this thread's active window, if any; without a
    // title it says "Ordner wählen" in the current language.
    explicit CFolderDialog(HWND parent = nullptr, std::string title = std::string());

    // Shortens `path` in place to its nearest existing part, opens the browser there and
    // returns 1 with `path` set to the chosen folder, or -1 when none was chosen.
    int Browse(std::string& path);

private:
    HWND parent_;
    std::string title_;
};

}  // namespace flipdeck
