// The exchange of the suite's version folders, worked out as steps of a switch.
#pragma once

#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "steps/PlannedPaths.h"
#include "steps/Step.h"

namespace flipdeck {

// The versions whose folders an exchange towards `chosen` parks: for every program path that holds
// a workbench, the entry of the version living there (FindLiveVersion), unless it is the chosen
// one. False, with the reason in `refusal`, when a live folder matches no single entry: then nothing
// may be moved, lest a version be filed under another version's name.
bool FindVersionsToPark(const std::vector<SuiteVersionEntry>& entries, int chosen, const std::string& currentName,
                        std::vector<int>& parked, std::string& refusal);

// The steps that park the `parked` versions' folders at their rename paths, move a folder without
// a workbench at the chosen program path aside (to "<program path>_uninstalled<n>", where it stays)
// and bring the chosen version from its rename path into its program path. False, with message
// 10090 naming that last move in `refusal`, when the chosen version cannot come in: its rename path
// is missing or its program path would still be taken. `paths` follows the moves planned.
bool PlanRenameVersions(const std::vector<SuiteVersionEntry>& entries, int chosen, const std::vector<int>& parked,
                        PlannedPaths& paths, std::vector<Step>& steps, std::string& refusal);

}  // namespace flipdeck
