#include "catalogue/CatalogueHive.h"

#include <windows.h>

#include <vector>

#include "base/ActivityLog.h"
#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"

namespace flipdeck {

std::string NewestCatalogueHive()
{
    std::vector<std::string> hives;
    EnumerateUserHives(hives);
    std::string newest;
    ULONGLONG newestTime = 0;
    for (const std::string& hive : hives) {
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
    return RegOverridePredefKey(HKEY_CURRENT_USER, key.get()) == ERROR_SUCCESS;
}

std::string DocumentsFolderOf(const std::string& hive)
{
    const std::string explorer = hive + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    // The user's own setting, whose %USERPROFILE% is that user's profile, not the one of this run.
    if (std::optional<std::string> personal = ReadRegText(HKEY_USERS, explorer + "User Shell Folders", "Personal")) {
        const std::optional<std::string> profile = ReadRegText(
            HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + hive, "ProfileImagePath");
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

std::string BorrowCatalogueHive()
{
    if (KeyExists(HKEY_CURRENT_USER, kSuiteCatalogueKey))
        return std::string();
    const std::string hive = NewestCatalogueHive();
    if (hive.empty() || !ActAsUserOf(hive))
        return std::string();
    if (const std::string documents = DocumentsFolderOf(hive); !documents.empty())
        UseDocumentsFolder(documents);
    return hive;
}

}  // namespace flipdeck
