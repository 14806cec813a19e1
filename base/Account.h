// Who a process runs as: the user of its access token, and the accounts SIDs name.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace flipdeck {

// The user SID of an access token opened with TOKEN_QUERY; empty when it cannot be read.
std::vector<BYTE> TokenUserSid(HANDLE token);

// "DOMAIN\name" of the token's user, or its SID as text when the account cannot be looked up;
// empty when the token says nothing.
std::string TokenUserName(HANDLE token);

// The SID of this process's user as text ("S-1-5-21-…"); empty when it cannot be read.
std::string ProcessUserSidText();

// "DOMAIN\name" of the account a SID in text form names, or that text when the account cannot be
// looked up.
std::string AccountNameOfSid(const std::string& sidText);

// Enables a privilege the process token holds (SE_BACKUP_NAME, SE_RESTORE_NAME); false when the
// token lacks it.
bool EnablePrivilege(const char* name);

}  // namespace flipdeck
