#include "catalogue/CatalogueStore.h"

#include <algorithm>

#include "base/ActivityLog.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/Naming.h"

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

namespace {

bool machineCatalogueOnly = false;

}  // namespace

void UseMachineCatalogueOnly(bool machineOnly) { machineCatalogueOnly = machineOnly; }

bool MachineCatalogueOnly() { return machineCatalogueOnly; }

std::optional<std::string> ReadCatalogueText(const std::string& subKey, const std::string& valueName)
{
    return machineCatalogueOnly ? ReadRegText(HKEY_LOCAL_MACHINE, subKey, valueName) : ReadUserMachineText(subKey, valueName);
}

std::optional<BYTE> ReadCatalogueByte(const std::string& subKey, const std::string& valueName)
{
    BYTE value = 0;
    const bool read = machineCatalogueOnly ? ReadRegByte(HKEY_LOCAL_MACHINE, subKey, valueName, value)
                                           : ReadUserMachineByte(subKey, valueName, value);
    return read ? std::optional<BYTE>(value) : std::nullopt;
}

CatalogueValues::CatalogueValues(std::string subKey)
    : subKey_(std::move(subKey)), places_{{HKEY_CURRENT_USER, false, {}}, {HKEY_LOCAL_MACHINE, false, {}}}
{
    for (Place& place : places_) {
        if (machineCatalogueOnly && place.root == HKEY_CURRENT_USER) {
            place.read = true;  // holds nothing that counts
            continue;
        }
        const LSTATUS status = CaptureRegistryValues(place.root, subKey_, place.values);
        // A missing key holds no values; one that failed otherwise is asked value by value.
        place.read = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
}

std::optional<RegValue> CatalogueValues::Value(const Place& place, const std::string& valueName) const
{
    if (!place.read)
        return ReadRegValue(place.root, subKey_, valueName);
    const RegistryTree::Value* value = place.values.FindValue(ToWide(valueName));
    if (value == nullptr)
        return std::nullopt;
    // The catalogue's texts are in the system code page, as ReadRegValue answers them.
    return NarrowValue(value->type, value->data);
}

std::optional<std::string> CatalogueValues::Text(const std::string& valueName) const
{
    for (const Place& place : places_) {
        if (std::optional<std::string> text = TextOf(Value(place, valueName)))
            return text;
    }
    return std::nullopt;
}

std::optional<BYTE> CatalogueValues::Byte(const std::string& valueName) const
{
    for (const Place& place : places_) {
        if (std::optional<BYTE> byte = ByteOf(Value(place, valueName)))
            return byte;
    }
    return std::nullopt;
}

std::vector<ValueChange> RemovalsAfter(HKEY root, const std::string& subKey, int count, std::initializer_list<NumberedName> names,
                                       const std::function<void(int, const std::string&)>& removing)
{
    std::vector<ValueChange> removals;
    UniqueHKey key;
    if (count >= kMaxCatalogueEntries || OpenRegKey(root, subKey, KEY_READ, key) != ERROR_SUCCESS)
        return removals;
    // The key's value names, read once: a save must not cost a read per index it might remove.
    std::vector<std::string> present;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(name);
        const LSTATUS status = RegEnumValueA(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS)
            present.emplace_back(name, length);
    }
    auto has = [&](const std::string& wanted) {
        return std::any_of(present.begin(), present.end(), [&](const std::string& p) { return EqualsIgnoringCase(p, wanted); });
    };
    for (int n = count + 1; n <= kMaxCatalogueEntries; ++n) {
        for (const NumberedName& numbered : names) {
            const std::string valueName = Numbered(numbered.name, n, numbered.suffix);
            if (!has(valueName))
                continue;
            if (&numbered == names.begin())
                removing(n, ReadRegValue(root, subKey, valueName).value_or(RegValue()).Text());
            removals.push_back({root, subKey, valueName, std::nullopt});
        }
    }
    return removals;
}

void ApplyChanges(const std::vector<ValueChange>& changes, const std::vector<std::string>& removalLines)
{
    for (const ValueChange& change : changes)
        WriteRegValue(change.root, change.key, change.name, change.value);
    for (const std::string& line : removalLines)
        WriteLog(line);
}

std::vector<CataloguePlace> CataloguePlaces(const std::vector<std::string>& userHives, const std::string& key,
                                            const std::string& mirrorKey, bool mirror)
{
    std::vector<CataloguePlace> places;
    if (machineCatalogueOnly)
        return places;
    if (userHives.empty()) {
        places.push_back({HKEY_CURRENT_USER, key});
        if (mirror)
            places.push_back({HKEY_CURRENT_USER, mirrorKey});
        return places;
    }
    if (!KeyExists(HKEY_CURRENT_USER, key))
        places.push_back({HKEY_CURRENT_USER, key});
    for (const std::string& hive : userHives) {
        if (KeyExists(HKEY_USERS, hive + "\\" + key))
            places.push_back({HKEY_USERS, hive + "\\" + key});
    }
    if (!mirror)
        return places;
    for (const std::string& hive : userHives) {
        if (KeyExists(HKEY_USERS, hive + "\\" + mirrorKey))
            places.push_back({HKEY_USERS, hive + "\\" + mirrorKey});
    }
    return places;
}

}  // namespace flipdeck
