// How both catalogues lie in the registry: flat values numbered from 1 under one key, written to
// every place the catalogue lives.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "base/Registry.h"
#include "base/RegistryTree.h"

namespace flipdeck {

constexpr int kMaxCatalogueEntries = 50;

// A numbered value name: "Path", 3, "_ENI" is "Path3_ENI".
std::string Numbered(const char* name, int index, const char* suffix = "");

struct NumberedName {
    const char* name;
    const char* suffix;
};

bool KeyExists(HKEY root, const std::string& subKey);

// For the rest of the run the catalogues are the machine's values alone and no place takes a
// catalogue write: a run of the local system account that found no user's catalogue, whose own
// hive must never hold one.
void UseMachineCatalogueOnly(bool machineOnly);
bool MachineCatalogueOnly();

// A catalogue value as ReadUserMachineText and ReadUserMachineByte read it, the current user's
// passed over while the run uses the machine's catalogue only.
std::optional<std::string> ReadCatalogueText(const std::string& subKey, const std::string& valueName);
std::optional<BYTE> ReadCatalogueByte(const std::string& subKey, const std::string& valueName);

// The values of a catalogue key under the current user and under the machine, each key read in
// one pass when the object is made: loading asks for hundreds of values, and opening the key for
// each of them made start-up grow with the catalogue. Answers value by value as
// ReadUserMachineText and ReadUserMachineByte do: the current user's value when it is there and of
// the right type, else the machine's.
class CatalogueValues {
public:
    explicit CatalogueValues(std::string subKey);

    std::optional<std::string> Text(const std::string& valueName) const;
    std::optional<BYTE> Byte(const std::string& valueName) const;

private:
    struct Place {
        HKEY root;
        bool read = false;  // false: the key could not be read whole, so each value is asked for
        RegistryTree values;
    };
    std::optional<RegValue> Value(const Place& place, const std::string& valueName) const;

    std::string subKey_;
    Place places_[2];
};

// The deletions that end a catalogue after `count` entries at one place: for every later index,
// the numbered values of `names` that exist there. `removing` is told each index that has a name
// and that name ("Name%d" must be the first of `names`).
std::vector<ValueChange> RemovalsAfter(HKEY root, const std::string& subKey, int count, std::initializer_list<NumberedName> names,
                                       const std::function<void(int index, const std::string& name)>& removing);

// Writes the changes one by one, a change that fails passed over as every catalogue save does, then
// logs `removalLines`, the lines of the indexes the changes remove.
void ApplyChanges(const std::vector<ValueChange>& changes, const std::vector<std::string>& removalLines);

// A key a catalogue is written to.
struct CataloguePlace {
    HKEY root;
    std::string subKey;
};

// Every place a catalogue lives: each user hive that has `key` (and the current user when it
// lacks the key, so that a catalogue known only from the machine is saved), or the current user
// alone when no hive is known; with `mirror`, also each of those places of `mirrorKey`. None while
// the run uses the machine's catalogue only.
std::vector<CataloguePlace> CataloguePlaces(const std::vector<std::string>& userHives, const std::string& key,
                                            const std::string& mirrorKey, bool mirror);

}  // namespace flipdeck
