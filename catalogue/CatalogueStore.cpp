#include "catalogue/CatalogueStore.h"

#include "app/UniqueHandle.h"
#include "catalogue/Registry.h"

namespace flipdeck {

std::string Numbered(const char* name, int index, const char* suffix)
{
    return name + std::to_string(index) + suffix;
}

bool KeyExists(HKEY root, const std::string& subKey)
{
    UniqueHKey key;
    return OpenRegKey(root, subKey, KEY_READ, key) == ERROR_SUCCESS;
}

void RemoveIndexesAfter(HKEY root, const std::string& subKey, int count, std::initializer_list<NumberedName> others,
                        const std::function<void(int, const std::string&)>& removing)
{
    for (int n = count + 1; n <= kMaxCatalogueEntries; ++n) {
        if (std::optional<RegValue> name = ReadRegValue(root, subKey, Numbered("Name", n))) {
            removing(n, name->Text());
            DeleteRegValue(root, subKey, Numbered("Name", n));
        }
        for (const NumberedName& other : others)
            DeleteRegValue(root, subKey, Numbered(other.name, n, other.suffix));
    }
}

void SaveToEveryHive(const std::vector<std::string>& userHives, const std::string& key, const std::string& mirrorKey,
                     bool mirror, const std::function<void(HKEY, const std::string&)>& write)
{
    if (userHives.empty()) {
        write(HKEY_CURRENT_USER, key);
        if (mirror)
            write(HKEY_CURRENT_USER, mirrorKey);
        return;
    }
    if (!KeyExists(HKEY_CURRENT_USER, key))
        write(HKEY_CURRENT_USER, key);
    for (const std::string& hive : userHives) {
        if (KeyExists(HKEY_USERS, hive + "\\" + key))
            write(HKEY_USERS, hive + "\\" + key);
    }
    if (!mirror)
        return;
    for (const std::string& hive : userHives) {
        if (KeyExists(HKEY_USERS, hive + "\\" + mirrorKey))
            write(HKEY_USERS, hive + "\\" + mirrorKey);
    }
}

}  // namespace flipdeck
