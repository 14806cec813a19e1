// Moving version folders: the logged single rename and the exchange of the suite's version folders
// with its roll-back.
#pragma once

#include <string>
#include <vector>

#include "app/UserInterface.h"
#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

// Moves source to target, logging a missing source, an existing target and a failure.
// 0 on success, non-zero on failure.
int RenameWithLog(const std::string& source, const std::string& target);

// The versions whose folders an exchange towards `chosen` parks: for every program path that holds
// a workbench, the entry of the version living there (FindLiveVersion), unless it is the chosen
// one. False, after saying which folder, when a live folder matches no single entry: then nothing
// may be moved, lest a version be filed under another version's name.
bool FindVersionsToPark(const std::vector<SuiteVersionEntry>& entries, int chosen, const std::string& currentName,
                        std::vector<int>& parked, UserInterface& ui);

// Parks the `parked` versions' folders at their rename paths and brings the chosen version from
// its rename path into its program path. On failure the completed moves are undone, message 10090
// names the failing move, and the answer is false.
bool RenameVersions(const std::vector<SuiteVersionEntry>& entries, int chosen, const std::vector<int>& parked,
                    UserInterface& ui);

}  // namespace flipdeck
