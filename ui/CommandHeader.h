// What a command header tells the main dialog when one of its buttons is pressed.
#pragma once

#include <windows.h>

namespace flipdeck {

// WM_NOTIFY record of a command header: code 1, from the header's control id, with the command
// id (100 to 106) of the pressed button.
struct CommandNotification {
    NMHDR header;
    UINT command;
};

constexpr UINT kCommandNotificationCode = 1;

}  // namespace flipdeck
