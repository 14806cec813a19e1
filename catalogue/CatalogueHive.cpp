#include "catalogue/CatalogueHive.h"

#include <windows.h>

#include <vector>

#include "base/Account.h"
#include "base/ActivityLog.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"

namespace flipdeck {

namespace {

// The profile folder of the user whose SID is `sid`, as the machine's profile list names it.
std::optional<std::string> ProfileFolderOf(const std::string& sid)
{
    return ReadRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid,
                       "ProfileImagePath");
}

}  // namespace

namespace seams {

std::function<bool()> RunsAsLocalSystem = TokenIsLocalSystem;

std::function<bool(const std::string& sid)> LoadUserHive = [](const std::string& sid) {
    const std::optional<std::string> profile = ProfileFolderOf(sid);
    // Loading a hive takes both privileges, which administrators and the system hold but have off.
    if (!profile || !EnablePrivilege(SE_RESTORE_NAME) || !EnablePrivilege(SE_BACKUP_NAME))
        return false;
    const std::wstring file = ToWide(ExpandEnvironment(*profile) + "\\NTUSER.DAT");
    return RegLoadKeyW(HKEY_USERS, ToWide(sid).c_str(), file.c_str()) == ERROR_SUCCESS;
};

std::function<void(const std::string& sid)> UnloadUserHive = [](const std::string& sid) {
    RegUnLoadKeyW(HKEY_USERS, ToWide(sid).c_str());
};

}  // namespace seams

namespace {

// The hive ActAsUserOf made HKEY_CURRENT_USER; empty while it is the process's own.
std::string g_actingAs;

}  // namespace

bool TokenIsLocalSystem()
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return false;
    std::vector<BYTE> sid = TokenUserSid(token.get());
    return !sid.empty() && IsWellKnownSid(sid.data(), WinLocalSystemSid);
}

std::vector<std::string> CatalogueUserHives()
{
    std::vector<std::string> all;
    EnumerateUserHives(all);
    std::vector<std::string> hives;
    const std::string classes = "_Classes";
    for (const std::string& hive : all) {
        const bool own = EqualsIgnoringCase(hive, ".DEFAULT") || EqualsIgnoringCase(hive, "S-1-5-18") ||
                         EqualsIgnoringCase(hive, "S-1-5-19") || EqualsIgnoringCase(hive, "S-1-5-20");
        const bool classesHalf = hive.size() > classes.size() &&
                                 EqualsIgnoringCase(hive.substr(hive.size() - classes.size()), classes);
        if (!own && !classesHalf)
            hives.push_back(hive);
    }
    return hives;
}

std::string NewestCatalogueHive()
{
    std::string newest;
    ULONGLONG newestTime = 0;
    for (const std::string& hive : CatalogueUserHives()) {
        UniqueHKey key;
        FILETIME written{};
        if (OpenRegKey(HKEY_USERS, hive + "\\" + kSuiteCatalogueKey, KEY_READ, key) != ERROR_SUCCESS ||
            RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, &written) != ERROR_SUCCESS)
            continue;
        const ULONGLONG time = (static_cast<ULONGLONG>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
        if (newest.empty() || time > newestTime) {
            newest = hive;
            newestTime = time;
        }
    }
    return newest;
}

bool ActAsUserOf(const std::string& hive)
{
    UniqueHKey key;
    if (RegOpenKeyExA(HKEY_USERS, hive.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
        return false;
    // The system keeps its own reference: the handle may be closed once the override is made.
    if (RegOverridePredefKey(HKEY_CURRENT_USER, key.get()) != ERROR_SUCCESS)
        return false;
    g_actingAs = hive;
    return true;
}

void StopActingAsUser()
{
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    g_actingAs.clear();
}

std::string CurrentUserHive() { return g_actingAs.empty() ? ProcessUserSidText() : g_actingAs; }

UserHiveLoad::~UserHiveLoad()
{
    if (!sid_.empty())
        seams::UnloadUserHive(sid_);
}

bool UserHiveLoad::Load(const std::string& sid)
{
    if (!sid_.empty() || !seams::LoadUserHive(sid))
        return false;
    sid_ = sid;
    return true;
}

std::string DocumentsFolderOf(const std::string& hive)
{
    const std::string explorer = hive + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    // The user's own setting, whose %USERPROFILE% is that user's profile, not the one of this run.
    if (std::optional<std::string> personal = ReadRegText(HKEY_USERS, explorer + "User Shell Folders", "Personal")) {
        const std::optional<std::string> profile = ProfileFolderOf(hive);
        const std::string variable = "%USERPROFILE%";
        if (profile && EqualsIgnoringCase(personal->substr(0, variable.size()), variable))
            personal = *profile + personal->substr(variable.size());
        char expanded[MAX_PATH] = {};
        const DWORD length = ExpandEnvironmentStringsA(personal->c_str(), expanded, MAX_PATH);
        if (personal->find(variable) == std::string::npos && length > 0 && length <= MAX_PATH)
            return expanded;
    }
    // The expanded copy Windows keeps of it.
    return ReadRegText(HKEY_USERS, explorer + "Shell Folders", "Personal").value_or("");
}

HiveChoice BorrowCatalogueHive()
{
    // The system account's own hive never counts, even when an earlier run left a catalogue there.
    const bool system = seams::RunsAsLocalSystem();
    if (!system && KeyExists(HKEY_CURRENT_USER, kSuiteCatalogueKey))
        return {};
    const std::string hive = NewestCatalogueHive();
    if (hive.empty() || !ActAsUserOf(hive)) {
        UseMachineCatalogueOnly(system);
        return {std::string(), system};
    }
    if (const std::string documents = DocumentsFolderOf(hive); !documents.empty())
        UseDocumentsFolder(documents);
    return {hive, false};
}

}  // namespace flipdeck
