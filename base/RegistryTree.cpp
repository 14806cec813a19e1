#include "base/RegistryTree.h"

#include <algorithm>

#include "base/Registry.h"
#include "base/Text.h"

namespace flipdeck {

namespace {

// Registry names compare as the registry compares them: without regard to case, in every script.
int CompareNames(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) - CSTR_EQUAL;
}

bool NameLess(const std::wstring& a, const std::wstring& b) { return CompareNames(a, b) < 0; }
bool SameName(const std::wstring& a, const std::wstring& b) { return CompareNames(a, b) == 0; }

// Reads the values of an open key, sorted by name; with `subKeys`, also its sub-keys and theirs.
LSTATUS CaptureKey(HKEY key, RegistryTree& tree, bool subKeys)
{
    DWORD subKeyCount = 0, maxSubKeyLength = 0, valueCount = 0, maxNameLength = 0, maxDataLength = 0;
    LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeyCount, &maxSubKeyLength,
                                      nullptr, &valueCount, &maxNameLength, &maxDataLength, nullptr,
                                      nullptr);
    if (status != ERROR_SUCCESS)
        return status;

    std::vector<wchar_t> name(std::max(maxNameLength, maxSubKeyLength) + 1);
    std::vector<BYTE> data(maxDataLength);
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        RegistryTree::Value value;
        status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type,
                               data.data(), &dataLength);
        if (status != ERROR_SUCCESS)
            return status;
        value.name.assign(name.data(), nameLength);
        value.data.assign(data.begin(), data.begin() + dataLength);
        tree.values.push_back(std::move(value));
    }
    for (DWORD index = 0; subKeys && index < subKeyCount; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        status = RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS)
            return status;
        RegistryTree::SubKey sub{std::wstring(name.data(), nameLength), {}};
        UniqueHKey child;
        status = RegOpenKeyExW(key, sub.name.c_str(), 0, KEY_READ, child.put());
        if (status == ERROR_SUCCESS)
            status = CaptureKey(child.get(), sub.tree, true);
        if (status != ERROR_SUCCESS)
            return status;
        tree.subKeys.push_back(std::move(sub));
    }
    std::sort(tree.values.begin(), tree.values.end(),
              [](const auto& a, const auto& b) { return NameLess(a.name, b.name); });
    std::sort(tree.subKeys.begin(), tree.subKeys.end(),
              [](const auto& a, const auto& b) { return NameLess(a.name, b.name); });
    return ERROR_SUCCESS;
}

LSTATUS Capture(HKEY root, const std::string& subKey, RegistryTree& tree, bool subKeys)
{
    tree = RegistryTree();
    UniqueHKey key;
    LSTATUS status = OpenRegKey(root, subKey, KEY_READ, key);
    if (status != ERROR_SUCCESS)
        return status;
    return CaptureKey(key.get(), tree, subKeys);
}

LSTATUS WriteKey(HKEY key, const RegistryTree& tree)
{
    for (const RegistryTree::Value& value : tree.values) {
        LSTATUS status = RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                                        static_cast<DWORD>(value.data.size()));
        if (status != ERROR_SUCCESS)
            return status;
    }
    for (const RegistryTree::SubKey& sub : tree.subKeys) {
        UniqueHKey child;
        LSTATUS status = RegCreateKeyExW(key, sub.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_ALL_ACCESS, nullptr, child.put(), nullptr);
        if (status == ERROR_SUCCESS)
            status = WriteKey(child.get(), sub.tree);
        if (status != ERROR_SUCCESS)
            return status;
    }
    return ERROR_SUCCESS;
}

// Deletes parent\name with everything below it. Most keys of a tree are leaves, so each key is
// first deleted straight away, which fails without harm while it still has sub-keys; only then
// are its sub-keys listed and deleted. That takes about half the registry calls of the shell's
// delete, which lists every key's sub-keys before it deletes the key.
LSTATUS DeleteKeyTree(HKEY parent, const std::wstring& name)
{
    LSTATUS status = RegDeleteKeyW(parent, name.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return status;
    UniqueHKey key;
    status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put());
    DWORD count = 0, maxLength = 0;
    if (status == ERROR_SUCCESS)
        status = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, &maxLength, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    std::vector<std::wstring> children;
    std::vector<wchar_t> child(maxLength + 1);
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(child.size());
        status = RegEnumKeyExW(key.get(), index, child.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS)
            return status;
        children.emplace_back(child.data(), length);
    }
    for (const std::wstring& sub : children) {
        status = DeleteKeyTree(key.get(), sub);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            return status;
    }
    key.reset();
    return RegDeleteKeyW(parent, name.c_str());
}

}  // namespace

bool RegistryTree::Value::operator==(const Value& other) const
{
    return SameName(name, other.name) && type == other.type && data == other.data;
}

bool RegistryTree::operator==(const RegistryTree& other) const
{
    if (values != other.values || subKeys.size() != other.subKeys.size())
        return false;
    for (size_t i = 0; i < subKeys.size(); ++i) {
        if (!SameName(subKeys[i].name, other.subKeys[i].name) ||
            subKeys[i].tree != other.subKeys[i].tree)
            return false;
    }
    return true;
}

const RegistryTree::Value* RegistryTree::FindValue(const std::wstring& name) const
{
    auto found = std::lower_bound(values.begin(), values.end(), name,
                                  [](const Value& a, const std::wstring& wanted) { return NameLess(a.name, wanted); });
    return found != values.end() && SameName(found->name, name) ? &*found : nullptr;
}

bool IsPartOf(const RegistryTree& part, const RegistryTree& whole)
{
    // Both lists are sorted by name, so each name is looked up by halving.
    for (const RegistryTree::Value& value : part.values) {
        const RegistryTree::Value* found = whole.FindValue(value.name);
        if (found == nullptr || !(*found == value))
            return false;
    }
    for (const RegistryTree::SubKey& sub : part.subKeys) {
        auto found = std::lower_bound(whole.subKeys.begin(), whole.subKeys.end(), sub.name,
                                      [](const RegistryTree::SubKey& a, const std::wstring& name) { return NameLess(a.name, name); });
        if (found == whole.subKeys.end() || !SameName(found->name, sub.name) ||
            !IsPartOf(sub.tree, found->tree))
            return false;
    }
    return true;
}

LSTATUS CaptureRegistryTree(HKEY root, const std::string& subKey, RegistryTree& tree)
{
    return Capture(root, subKey, tree, true);
}

LSTATUS CaptureRegistryValues(HKEY root, const std::string& subKey, RegistryTree& values)
{
    return Capture(root, subKey, values, false);
}

LSTATUS WriteRegistryTree(HKEY root, const std::string& subKey, const RegistryTree& tree)
{
    UniqueHKey key;
    LSTATUS status = CreateRegKey(root, subKey, KEY_ALL_ACCESS, key);
    if (status != ERROR_SUCCESS)
        return status;
    return WriteKey(key.get(), tree);
}

namespace seams {
std::function<LSTATUS(HKEY, const RegistryTree&)> WriteRegistryTree = WriteKey;
std::function<LSTATUS(HKEY, const char*)> DeleteRegistryTree = [](HKEY parent, const char* subKey) {
    return DeleteKeyTree(parent, ToWide(subKey));
};
}  // namespace seams

LSTATUS DeleteRegistryTree(HKEY root, const std::string& subKey)
{
    auto [parentName, leaf] = SplitKeyPath(subKey);
    UniqueHKey parent;
    LSTATUS status = OpenRegKey(root, parentName, KEY_ALL_ACCESS, parent);
    if (status == ERROR_SUCCESS)
        status = DeleteKeyTree(parent.get(), ToWide(leaf));
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace flipdeck
