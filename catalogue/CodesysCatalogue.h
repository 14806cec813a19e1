// The catalogue of the CoDeSys V2.3 versions on this machine: numbered values under
// "SOFTWARE\BRIVANE\Flipdeck\CS", read from the current user with the machine as fallback, plus
// the start-up match of the installation that CoDeSys' own setup information points to.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "catalogue/CatalogueStore.h"
#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"

namespace flipdeck {

extern const char kCodesysCatalogueKey[];  // "SOFTWARE\BRIVANE\Flipdeck\CS"
extern const char kCodesysSetupKey[];      // "SOFTWARE\3S-Smart Software Solutions GmbH\CoDeSys SetupInfo\V2.3.0"

// The four folders of an installation: its setup-info value, the suffix of its catalogue value
// ("Path%d" + suffix) and the entry's park path for it.
struct CodesysComponent {
    const char* setupValue;
    const char* catalogueSuffix;
    std::string CodesysVersionEntry::*parkPath;
};
// Main program, ENI server, OPC server, PLCWinNT, in this order.
extern const CodesysComponent kCodesysComponents[4];

// The neutral entry "<neu>": row 0 of the CoDeSys list and, while current, the current version name.
std::string NeutralCodesysName();

// "CurrentVersionName" of the CoDeSys catalogue, current user before machine; empty when absent.
std::string GetCurrentCodesysName();

// The version text of the CoDeSys program in `mainFolder`: its product version, the one text by
// which installations are matched against the catalogue and named. Empty when it cannot be read.
std::string InstalledCodesysVersion(const std::string& mainFolder);

// "CoDeSys " + version, or with "_1", "_2", ... appended: the first name that neither the neutral
// entry nor any of `entries` has.
std::string UnusedCodesysName(const std::vector<CodesysVersionEntry>& entries, const std::string& version);

// The text that names an entry's parked registry trees and gateway backup folder: its version, with
// the "_n" by which the name of a further copy of that version ("CoDeSys 2.3.9.5_1") differs from
// the first's, so that two copies never share parked names.
std::string ParkingVersion(const CodesysVersionEntry& entry);

// The first folder of a catalogued version parked inside `root`; empty when there is none.
std::string ParkedFolderInside(const std::vector<CodesysVersionEntry>& entries, const std::string& root);

// Matches the installed CoDeSys against the catalogue: a known version that is not parked becomes
// the current one (also when no version was current), an unknown version a new entry that is current.
// Neither this nor the adoption below writes while the run uses the machine's catalogue only.
void SyncInstalledCodesys();

// Writes entry 1 and the current version name from the setup key. False when a step fails, when
// entry 1 is already taken or when the run uses the machine's catalogue only.
bool AdoptInstalledCodesys();

// Reads the current version name (adopting the installation when there is none) and the
// new-versions path (choosing a free one when there is none, and storing it unless the run uses
// the machine's catalogue only).
void SettleCodesysState(RunState& state);

// Fills the entries from the registry, logging every value, and shows them.
void LoadCodesysCatalogue(RunState& state, UserInterface& ui);

// What writing `entries` to one place changes: the entries (never the neutral one), then the
// removal of the indexes beyond them, whose log lines go to `removalLines`.
std::vector<ValueChange> CodesysCatalogueChanges(const std::vector<CodesysVersionEntry>& entries, const CataloguePlace& place,
                                                 std::vector<std::string>& removalLines);

// Writes the entries to one place and removes the indexes beyond them.
void WriteCodesysCatalogue(const RunState& state, HKEY root, const std::string& subKey);

// Every user hive that has the catalogue, and the MERIDAN mirror where it has a current version.
std::vector<CataloguePlace> CodesysCataloguePlaces(const RunState& state);

// Writes the catalogue to every place it lives.
void SaveCodesysCatalogue(const RunState& state);

}  // namespace flipdeck
