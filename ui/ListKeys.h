// The keys of a list's commands. The list reports a command key to its dialog the way a command
// header reports a button, so that the dialog runs both through one switch.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/CommandHeader.h"
#include "ui/WindowSubclass.h"

namespace flipdeck {

struct ListKey {
    UINT key;  // virtual-key code
    bool control;
    bool shift;
    UINT command;
};

// The suite list's keys: Insert new, Delete, F2 or Enter edit, Ctrl+Up and Ctrl+Down move, F5
// change, Shift+F5 preview, Ctrl+F5 start. The headers' tooltips name the same keys.
extern const std::vector<ListKey> kSuiteListKeys;
// The CoDeSys list's: no new, edit or start; Enter changes to the row's version, as a double-click.
extern const std::vector<ListKey> kCodesysListKeys;

// Subclasses a list of a dialog: each key of its table is taken from the list and sent to the
// dialog as WM_NOTIFY with a CommandNotification from the list's id; other keys reach the list.
class CListKeys : public CWindowSubclass {
public:
    // False when the list cannot be subclassed (missing, or this object is attached already).
    bool Init(int listId, HWND parent, const std::vector<ListKey>& keys);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The command of the key with the modifiers held now, or 0.
    UINT CommandFor(WPARAM key) const;

    std::vector<ListKey> keys_;
    CommandNotification notification_{};
};

}  // namespace flipdeck
