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

// Parks every other version's folder at its rename path and brings the chosen version from its
// rename path into its program path. On failure the completed moves are undone, message 10090
// names the failing move, and the answer is false.
bool RenameVersions(const std::vector<SuiteVersionEntry>& entries, int chosen, UserInterface& ui);

}  // namespace flipdeck
