#include "base/Registry.h"

#include <algorithm>
#include <cstring>

#include "base/RegistryTree.h"
#include "base/Text.h"

namespace flipdeck {

LSTATUS OpenRegKey(HKEY root, const std::string& subKey, REGSAM access, UniqueHKey& key)
{
    return RegOpenKeyExA(root, subKey.c_str(), 0, access | KEY_WOW64_32KEY, key.put());
}

LSTATUS CreateRegKey(HKEY root, const std::string& subKey, REGSAM access, UniqueHKey& key)
{
    return RegCreateKeyExA(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           access | KEY_WOW64_32KEY, nullptr, key.put(), nullptr);
}

std::string RegValue::Text() const
{
    const char* text = reinterpret_cast<const char*>(data.data());
    size_t length = 0;
    while (length < data.size() && text[length] != '\0')
        ++length;
    return std::string(text, length);
}

RegValue TextValue(const std::string& text, DWORD type)
{
    RegValue value;
    value.type = type;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

std::vector<BYTE> WideBytes(const std::wstring& text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

RegValue WideTextValue(const std::wstring& text, DWORD type)
{
    return RegValue{type, WideBytes(text + L'\0')};
}

RegValue ByteValue(BYTE byte)
{
    RegValue value;
    value.type = REG_BINARY;
    value.data = {byte};
    return value;
}

namespace {

// Reads the value whole with RegQueryValueExA or RegQueryValueExW.
template <typename Char, typename Query>
LSTATUS QueryWhole(HKEY key, const Char* valueName, RegValue& value, Query query)
{
    // The value may grow between the size query and the read; ask again until it fits.
    for (;;) {
        DWORD size = 0;
        LSTATUS status = query(key, valueName, nullptr, &value.type, nullptr, &size);
        if (status != ERROR_SUCCESS)
            return status;
        value.data.resize(size);
        status = query(key, valueName, nullptr, &value.type, value.data.data(), &size);
        if (status == ERROR_MORE_DATA)
            continue;
        if (status == ERROR_SUCCESS)
            value.data.resize(size);
        return status;
    }
}

}  // namespace

LSTATUS QueryRegValue(HKEY key, const std::string& valueName, RegValue& value)
{
    return QueryWhole(key, valueName.c_str(), value, RegQueryValueExA);
}

LSTATUS QueryWideRegValue(HKEY key, const std::wstring& valueName, RegValue& value)
{
    return QueryWhole(key, valueName.c_str(), value, RegQueryValueExW);
}

std::wstring WideText(const std::vector<BYTE>& data)
{
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(text.size() * sizeof(wchar_t)),
              reinterpret_cast<BYTE*>(text.data()));
    return text.substr(0, text.find(L'\0'));
}

RegValue NarrowValue(DWORD type, const std::vector<BYTE>& data)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return RegValue{type, data};
    return TextValue(FromWide(WideText(data)), type);
}

std::optional<RegValue> ReadRegValue(HKEY root, const std::string& subKey, const std::string& valueName)
{
    UniqueHKey key;
    RegValue value;
    if (OpenRegKey(root, subKey, KEY_READ, key) != ERROR_SUCCESS ||
        QueryRegValue(key.get(), valueName, value) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::string> TextOf(const std::optional<RegValue>& value)
{
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ))
        return std::nullopt;
    return value->Text();
}

std::optional<BYTE> ByteOf(const std::optional<RegValue>& value)
{
    if (!value || value->type != REG_BINARY || value->data.empty())
        return std::nullopt;
    return value->data[0];
}

std::optional<std::string> ReadRegText(HKEY root, const std::string& subKey, const std::string& valueName)
{
    return TextOf(ReadRegValue(root, subKey, valueName));
}

std::optional<std::string> ReadUserMachineText(const std::string& subKey, const std::string& valueName)
{
    std::optional<std::string> text = ReadRegText(HKEY_CURRENT_USER, subKey, valueName);
    return text ? text : ReadRegText(HKEY_LOCAL_MACHINE, subKey, valueName);
}

bool ReadRegString(HKEY root, const std::string& subKey, const std::string& valueName, char* buffer,
                   size_t size)
{
    if (buffer == nullptr || size == 0)
        return false;
    std::optional<std::string> value = ReadRegText(root, subKey, valueName);
    if (!value)
        return false;
    const std::string& text = *value;
    size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return true;
}

bool ReadRegByte(HKEY root, const std::string& subKey, const std::string& valueName, BYTE& result)
{
    const std::optional<BYTE> byte = ByteOf(ReadRegValue(root, subKey, valueName));
    if (!byte)
        return false;
    result = *byte;
    return true;
}

bool ReadUserMachineByte(const std::string& subKey, const std::string& valueName, BYTE& value)
{
    return ReadRegByte(HKEY_CURRENT_USER, subKey, valueName, value) ||
           ReadRegByte(HKEY_LOCAL_MACHINE, subKey, valueName, value);
}

namespace {

bool WriteValue(HKEY root, const std::string& subKey, const std::string& valueName, DWORD type,
                const void* data, size_t size)
{
    UniqueHKey key;
    LSTATUS status = CreateRegKey(root, subKey, KEY_ALL_ACCESS, key);
    if (status == ERROR_SUCCESS)
        status = RegSetValueExA(key.get(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    SetLastError(status);
    return status == ERROR_SUCCESS;
}

bool IsSameOrBelow(const std::string& key, const std::string& ancestor)
{
    if (key.size() < ancestor.size() || _strnicmp(key.c_str(), ancestor.c_str(), ancestor.size()) != 0)
        return false;
    return key.size() == ancestor.size() || key[ancestor.size()] == '\\';
}

// Writes the captured tree to target and deletes source, through the seams; answers the first failure.
LSTATUS WriteThenDeleteSource(HKEY root, const std::string& source, const RegistryTree& tree, const std::string& target)
{
    UniqueHKey targetKey;
    LSTATUS status = CreateRegKey(root, target, KEY_ALL_ACCESS, targetKey);
    if (status != ERROR_SUCCESS)
        return status;
    status = seams::WriteRegistryTree(targetKey.get(), tree);
    targetKey.reset();
    if (status != ERROR_SUCCESS)
        return status;

    auto [parentName, leaf] = SplitKeyPath(source);
    UniqueHKey parent;
    status = OpenRegKey(root, parentName, KEY_ALL_ACCESS, parent);
    if (status != ERROR_SUCCESS)
        return status;
    return seams::DeleteRegistryTree(parent.get(), leaf.c_str());
}

// Puts the source tree back exactly as captured and removes what the move wrote at target.
void PutBack(HKEY root, const std::string& source, const RegistryTree& tree, const std::string& target)
{
    RegistryTree now;
    if (CaptureRegistryTree(root, source, now) != ERROR_SUCCESS || now != tree) {
        DeleteRegistryTree(root, source);
        WriteRegistryTree(root, source, tree);
    }
    DeleteRegistryTree(root, target);
}

}  // namespace

std::pair<std::string, std::string> SplitKeyPath(const std::string& subKey)
{
    size_t slash = subKey.find_last_of('\\');
    if (slash == std::string::npos)
        return {std::string(), subKey};
    return {subKey.substr(0, slash), subKey.substr(slash + 1)};
}

bool WriteRegString(HKEY root, const std::string& subKey, const std::string& valueName,
                    const std::string& text)
{
    return WriteValue(root, subKey, valueName, REG_SZ, text.c_str(), text.size() + 1);
}

bool WriteRegExpandString(HKEY root, const std::string& subKey, const std::string& valueName,
                          const std::string& text)
{
    return WriteValue(root, subKey, valueName, REG_EXPAND_SZ, text.c_str(), text.size() + 1);
}

bool WriteRegByte(HKEY root, const std::string& subKey, const std::string& valueName, BYTE value)
{
    return WriteValue(root, subKey, valueName, REG_BINARY, &value, 1);
}

bool WriteRegValue(HKEY root, const std::string& subKey, const std::string& valueName, const std::optional<RegValue>& value)
{
    if (!value)
        return DeleteRegValue(root, subKey, valueName);
    return WriteValue(root, subKey, valueName, value->type, value->data.data(), value->data.size());
}

bool DeleteRegValue(HKEY root, const std::string& subKey, const std::string& valueName)
{
    UniqueHKey key;
    LSTATUS status = OpenRegKey(root, subKey, KEY_READ | KEY_SET_VALUE, key);
    if (status == ERROR_SUCCESS)
        status = RegDeleteValueA(key.get(), valueName.c_str());
    SetLastError(status);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool MoveRegistryTree(HKEY root, const std::string& source, const RegistryTree& sourceTree, const std::string& target)
{
    // A tree moved onto itself or into itself would be deleted with its source; one moved onto an
    // existing key would mix two trees.
    UniqueHKey existing;
    if (IsSameOrBelow(target, source) || OpenRegKey(root, target, KEY_READ, existing) != ERROR_FILE_NOT_FOUND) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    const LSTATUS status = WriteThenDeleteSource(root, source, sourceTree, target);
    if (status == ERROR_SUCCESS)
        return true;
    PutBack(root, source, sourceTree, target);
    SetLastError(status);
    return false;
}

bool EnumerateUserHives(std::vector<std::string>& hives)
{
    hives.clear();
    UniqueHKey users;
    if (RegOpenKeyExA(HKEY_USERS, nullptr, 0, KEY_READ, users.put()) != ERROR_SUCCESS)
        return false;
    DWORD count = 0;
    if (RegQueryInfoKeyA(users.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    for (DWORD index = 0; index < count; ++index) {
        char name[256];
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(users.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS)
            hives.emplace_back(name, length);
    }
    return !hives.empty();
}

}  // namespace flipdeck
