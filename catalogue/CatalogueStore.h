// How both catalogues lie in the registry: flat values numbered from 1 under one key, written to
// every place the catalogue lives.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace flipdeck {

constexpr int kMaxCatalogueEntries = 50;

// A numbered value name: "Path", 3, "_ENI" is "Path3_ENI".
std::string Numbered(const char* name, int index, const char* suffix = "");

struct NumberedName {
    const char* name;
    const char* suffix;
};

bool KeyExists(HKEY root, const std::string& subKey);

// Deletes the values of the indexes after `count`: "Name%d" first, once `removing` has been told
// the index and the name found there, then each of `others`.
void RemoveIndexesAfter(HKEY root, const std::string& subKey, int count, std::initializer_list<NumberedName> others,
                        const std::function<void(int index, const std::string& name)>& removing);

// Calls `write` for every place a catalogue lives: each user hive that has `key` (and the current
// user when it lacks the key, so that a catalogue known only from the machine is saved), or the
// current user alone when no hive is known; with `mirror`, also each of those places of `mirrorKey`.
void SaveToEveryHive(const std::vector<std::string>& userHives, const std::string& key, const std::string& mirrorKey,
                     bool mirror, const std::function<void(HKEY root, const std::string& subKey)>& write);

}  // namespace flipdeck
