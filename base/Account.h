// Who a process runs as: the user of its access token.
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

}  // namespace flipdeck
