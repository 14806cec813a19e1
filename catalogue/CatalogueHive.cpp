#include "catalogue/CatalogueHive.h"

#include <windows.h>

#include <vector>

#include "catalogue/UniqueHandle.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Registry.h"
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

std::string BorrowCatalogueHive()
{
    if (KeyExists(HKEY_CURRENT_USER, kSuiteCatalogueKey))
        return std::string();
    const std::string hive = NewestCatalogueHive();
    return !hive.empty() && ActAsUserOf(hive) ? hive : std::string();
}

}  // namespace flipdeck
