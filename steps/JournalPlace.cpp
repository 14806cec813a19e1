#include "steps/JournalPlace.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>

#include "base/FileMove.h"
#include "base/UniqueHandle.h"

namespace flipdeck {

namespace {

const char kSystem[] = "S-1-5-18";
const char kAdministrators[] = "S-1-5-32-544";
const char kTrustedInstaller[] = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Rights that let an account change a file, a folder or what the folder holds.
constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                               FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

std::string SidText(PSID sid)
{
    char* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidA(sid, &text))
        return std::string();
    UniqueLocalMemory owned(text);
    return text;
}

bool Trusted(const std::string& sid, const std::string& runAs)
{
    return sid == kSystem || sid == kAdministrators || sid == kTrustedInstaller || (!runAs.empty() && sid == runAs);
}

bool ReadSecurity(const std::string& path, std::string& sddl, bool& reparsePoint)
{
    // The object itself, never what a junction points to.
    UniqueFileHandle object(CreateFileA(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!object || !GetFileInformationByHandle(object.get(), &information))
        return false;
    reparsePoint = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    UniqueLocalMemory ownedDescriptor(descriptor);
    char* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                              &text, nullptr))
        return false;
    UniqueLocalMemory ownedText(text);
    sddl = text;
    return true;
}

}  // namespace

namespace seams {
std::function<bool(const std::string&, std::string&, bool&)> ReadPathSecurity = ReadSecurity;
}  // namespace seams

std::string UntrustedBecause(const std::string& sddl, const std::string& runAs)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return "unreadable security " + sddl;
    UniqueLocalMemory owned(descriptor);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    const std::string ownerSid = SidText(owner);
    if (!Trusted(ownerSid, runAs))
        return "owner " + (ownerSid.empty() ? std::string("none") : ownerSid);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr)
        return "no access list: everybody may write";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != ACCESS_ALLOWED_ACE_TYPE ||
            (ace->AceFlags & INHERIT_ONLY_ACE) != 0)
            continue;
        const auto* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(ace);
        const std::string sid = SidText(const_cast<DWORD*>(&allowed->SidStart));
        if ((allowed->Mask & kWriteRights) != 0 && !Trusted(sid, runAs))
            return sid + " may write";
    }
    return std::string();
}

std::string OwnAccountSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::string();
    UniqueHandle owned(token);
    char buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size))
        return std::string();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

namespace {

// The owner of `sddl` by account name where it has one, else as SID.
std::string OwnerName(const std::string& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return std::string();
    UniqueLocalMemory owned(descriptor);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
    char name[256], domain[256];
    DWORD nameSize = sizeof(name), domainSize = sizeof(domain);
    SID_NAME_USE use;
    if (owner != nullptr && LookupAccountSidA(nullptr, owner, name, &nameSize, domain, &domainSize, &use))
        return domain[0] != '\0' ? std::string(domain) + "\\" + name : std::string(name);
    return SidText(owner);
}

}  // namespace

std::string TrustProblem(const std::string& path, std::string& owner)
{
    std::string sddl;
    bool reparsePoint = false;
    if (!seams::ReadPathSecurity(path, sddl, reparsePoint)) {
        owner = "?";
        return "security not readable";
    }
    owner = OwnerName(sddl);
    if (reparsePoint)
        return "a junction or another reparse point";
    return UntrustedBecause(sddl, OwnAccountSid());
}

std::string SetAside(const std::string& path)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), ".untrusted-%04u%02u%02u%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    const std::string aside = path + stamp;
    // MoveFileEx renames a junction itself, not the folder it points to.
    return seams::MovePath(path.c_str(), aside.c_str(), 0) ? aside : std::string();
}

}  // namespace flipdeck
