// A registry key with all its values and sub-keys, held in memory: a tree move writes its copy from
// it and puts the source back from it; the journal keeps it; tests compare trees with it.
// Trees are data that Flipdeck only carries, so they go through the wide registry functions: names
// are UTF-16 and the data are the bytes the wide functions read (text in UTF-16), whatever
// characters they hold. The path of the tree's own key is text of the system code page.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace flipdeck {

struct RegistryTree {
    struct Value {
        std::wstring name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        bool operator==(const Value& other) const;
    };
    struct SubKey;

    std::vector<Value> values;    // sorted by name, without regard to case
    std::vector<SubKey> subKeys;  // sorted by name, without regard to case

    // The value of that name (without regard to case), or null.
    const Value* FindValue(const std::wstring& name) const;

    bool operator==(const RegistryTree& other) const;
    bool operator!=(const RegistryTree& other) const { return !(*this == other); }
};

struct RegistryTree::SubKey {
    std::wstring name;
    RegistryTree tree;
};

// Whether every value and sub-key of `part` is in `whole` as it is there: a half-made copy or a
// half-deleted tree of `whole` is part of it.
bool IsPartOf(const RegistryTree& part, const RegistryTree& whole);

// Reads the tree at root\subKey (products' registry view). ERROR_FILE_NOT_FOUND when it is absent.
LSTATUS CaptureRegistryTree(HKEY root, const std::string& subKey, RegistryTree& tree);

// Reads only the values of root\subKey, leaving its sub-keys out.
LSTATUS CaptureRegistryValues(HKEY root, const std::string& subKey, RegistryTree& values);

// Writes the tree at root\subKey, creating keys as needed; existing values of the same name
// are overwritten, others are kept.
LSTATUS WriteRegistryTree(HKEY root, const std::string& subKey, const RegistryTree& tree);

// Deletes root\subKey with everything below it; a missing key counts as deleted.
LSTATUS DeleteRegistryTree(HKEY root, const std::string& subKey);

namespace seams {
// The write and the delete of a tree move, each the real call by default; tests break them.
// Writes `tree` into the open key `target` (in the right registry view).
extern std::function<LSTATUS(HKEY target, const RegistryTree& tree)> WriteRegistryTree;
// Deletes `subKey` of `parent` with everything below it.
extern std::function<LSTATUS(HKEY parent, const char* subKey)> DeleteRegistryTree;
}  // namespace seams

}  // namespace flipdeck
