// The caption above a list that carries the list's commands: a row of icon buttons at its right
// end, each with a tooltip, reported to the dialog as a notification.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "ui/IconButton.h"
#include "ui/WindowSubclass.h"

namespace flipdeck {

// WM_NOTIFY record of a command header: code 1, from the header's control id, with the command
// id (100 to 108) of the pressed button.
struct CommandNotification {
    NMHDR header;
    UINT command;
};

constexpr UINT kCommandNotificationCode = 1;

// Which buttons a header gets (Init's button set).
enum CommandButton : WORD {
    kNewButton = 0x01,
    kDeleteButton = 0x02,
    kMoveUpButton = 0x04,
    kMoveDownButton = 0x08,
    kChangeButton = 0x20,
    kStartButton = 0x40,
    kPreviewButton = 0x80,
    kVerifyButton = 0x100,
};
// The button sets of the main dialog's two headers: the CoDeSys list has no New and no Start.
constexpr WORD kSuiteHeaderButtons = kNewButton | kDeleteButton | kMoveUpButton | kMoveDownButton | kChangeButton |
                                     kStartButton | kPreviewButton | kVerifyButton;
constexpr WORD kCodesysHeaderButtons =
    kDeleteButton | kMoveUpButton | kMoveDownButton | kChangeButton | kPreviewButton | kVerifyButton;
// Init's button set that keeps the set of the previous Init.
constexpr WORD kKeepButtonSet = 0xFFFF;

// Turns a static of a dialog into a command header. The caption stays on the left; the buttons
// of the set sit at the right end, 22 pixels wide each at 100 % (scaled with the header's dpi),
// touching, from right to left: move down, move up, change, preview, delete, new, start, verify.
// Each is a tab stop (Tab runs left to right), named and with a tooltip by its command and the list's key
// for it. A click on one sends the dialog a WM_NOTIFY with wParam = (command << 16) | header id
// and a CommandNotification as lParam.
class CCommandHeader : public CWindowSubclass {
public:
    // Subclasses the static `staticId` of `parent`, centres its caption vertically and lays it
    // out (Layout). False when the static cannot be subclassed (missing, or this object is
    // attached already); then nothing else happens.
    bool Init(int staticId, HWND parent, WORD buttonSet);
    // Makes the header at least 20 pixels high at 100 % (growing upwards) and creates the buttons
    // that fit, anew, at the size and with the icon images of the header's dpi.
    void Layout();

    HWND GetToolTip() const { return tooltip_; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FixHeight(int minHeight);
    void CreateButtons(UINT dpi);
    void AddTool(HWND button, std::string text) const;
    void NotifyCommand(UINT command);

    // A popup is owned by its top-level window: the dialog destroys the tooltip with itself.
    HWND tooltip_ = nullptr;
    // In the order of placement (see the command table).
    std::array<CIconButton, 8> buttons_;
    CommandNotification notification_{};
    WORD buttonSet_ = 0;
};

}  // namespace flipdeck
