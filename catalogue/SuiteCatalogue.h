// The catalogue of the suite's versions: numbered values under "SOFTWARE\BRIVANE\Flipdeck", read
// from the current user with the machine as fallback, written to every place the catalogue lives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/CatalogueStore.h"
#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"

namespace flipdeck {

extern const char kSuiteCatalogueKey[];    // "SOFTWARE\BRIVANE\Flipdeck"
extern const char kMeridanCatalogueKey[];  // "SOFTWARE\Harlund Software\MERIDAN\Flipdeck"
// The keys whose "Path" value is each edition's installation path.
extern const char kKalvioInstallKey[];   // "SOFTWARE\Brivane"
extern const char kMeridanInstallKey[];  // "SOFTWARE\Harlund Software\MERIDAN"

// Rebuilds the entries from the registry and shows them; `log` writes every value read.
void LoadSuiteCatalogue(RunState& state, UserInterface& ui, bool log);

// "CurrentVersionName" of the suite catalogue, current user before machine; empty when absent.
std::string GetCurrentVersionName();

// What writing the catalogue to one place changes: AutoStart, the entries, the current version
// name (when not empty), then the removal of the indexes beyond the entries, whose log lines go
// to `removalLines`.
std::vector<ValueChange> SuiteCatalogueChanges(const RunState& state, bool autoStart, const std::string& currentName,
                                               const CataloguePlace& place, std::vector<std::string>& removalLines);

// Writes AutoStart, the entries and the current version name to one place and removes the
// indexes beyond the entries.
void WriteSuiteCatalogue(const RunState& state, bool autoStart, HKEY root, const std::string& subKey);

// Every user hive that has the catalogue, and the MERIDAN mirror where it has a current version.
std::vector<CataloguePlace> SuiteCataloguePlaces(const RunState& state);

// Writes the catalogue to every place it lives.
void SaveSuiteCatalogue(const RunState& state, bool autoStart);

// True when an entry other than `except` has `path` as its rename path.
bool RenamePathTaken(const std::vector<SuiteVersionEntry>& entries, const std::string& path, int except = -1);

// Appends a confirmed new version: refuses a rename path already catalogued (message 10077) and
// a full catalogue, writes it at the first free index and parks its folder when the rename path
// is free.
bool AddSuiteVersion(RunState& state, UserInterface& ui, const SuiteVersionEntry& entry);

// The first of base + "1" ... base + "49" that does not exist; base itself when all exist.
std::string FirstFreeNumberedPath(const std::string& base);

// A catalogue whose first entry has a name but no rename path gets one next to the installation
// (not while the run uses the machine's catalogue only).
void RepairFirstSuiteEntry(const std::string& installPath);

}  // namespace flipdeck
