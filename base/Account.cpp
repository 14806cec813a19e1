#include "base/Account.h"

#include <sddl.h>

#include "base/UniqueHandle.h"

namespace flipdeck {

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
    if (sid.empty())
        return std::string();
    char name[256] = {};
    char domain[256] = {};
    DWORD nameLength = sizeof(name);
    DWORD domainLength = sizeof(domain);
    SID_NAME_USE use;
    if (LookupAccountSidA(nullptr, sid.data(), name, &nameLength, domain, &domainLength, &use))
        return domainLength == 0 ? std::string(name) : std::string(domain) + "\\" + name;
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid.data(), &text))
        return std::string();
    const UniqueLocalMemory owned(text);
    return text;
}

}  // namespace flipdeck
