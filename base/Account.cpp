#include "base/Account.h"

#include <sddl.h>

#include "base/UniqueHandle.h"

namespace flipdeck {

namespace {

std::string SidText(PSID sid)
{
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text))
        return std::string();
    const UniqueLocalMemory owned(text);
    return text;
}

// "DOMAIN\name" of the account, or the SID as text when it cannot be looked up.
std::string AccountName(PSID sid)
{
    char name[256] = {};
    char domain[256] = {};
    DWORD nameLength = sizeof(name);
    DWORD domainLength = sizeof(domain);
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, sid, name, &nameLength, domain, &domainLength, &use))
        return domainLength == 0 ? std::string(name) : std::string(domain) + "\\" + name;
    return SidText(sid);
}

}  // namespace

std::vector<BYTE> TokenUserSid(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return {};
    const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

std::string TokenUserName(HANDLE token)
{
    std::vector<BYTE> sid = TokenUserSid(token);
    return sid.empty() ? std::string() : AccountName(sid.data());
}

std::string ProcessUserSidText()
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return std::string();
    std::vector<BYTE> sid = TokenUserSid(token.get());
    return sid.empty() ? std::string() : SidText(sid.data());
}

std::string AccountNameOfSid(const std::string& sidText)
{
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(sidText.c_str(), &sid))
        return sidText;
    const UniqueLocalMemory owned(sid);
    return AccountName(sid);
}

bool EnablePrivilege(const char* name)
{
    UniqueHandle token;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()) ||
        !LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr))
        return false;
    // Succeeds also when the token does not hold the privilege; that is told apart only here.
    return GetLastError() == ERROR_SUCCESS;
}

}  // namespace flipdeck
