// The exchange of the suite's version folders, worked out as steps of a switch.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "steps/PlannedPaths.h"
#include "steps/Step.h"
#include "steps/Switching.h"

namespace flipdeck {

// The versions whose folders an exchange towards `chosen` parks: for every program path that holds
// a workbench, the entry of the version living there (FindLiveVersion), unless it is the chosen
// one. A refusal naming the folder when a live folder matches no single entry: then nothing may be
// moved, lest a version be filed under another version's name.
std::optional<Refusal> FindVersionsToPark(const std::vector<SuiteVersionEntry>& entries, int chosen,
                                          const std::string& currentName, std::vector<int>& parked);

// The steps that park the `parked` versions' folders at their rename paths, move a folder without
// a workbench at the chosen program path aside (to "<program path>_uninstalled<n>", where it stays)
// and bring the chosen version from its rename path into its program path. A refusal with message
// 10090 naming that last move when the chosen version cannot come in: its rename path is missing or
// its program path would still be taken. `paths` follows the moves planned.
std::optional<Refusal> PlanRenameVersions(const std::vector<SuiteVersionEntry>& entries, int chosen,
                                          const std::vector<int>& parked, PlannedPaths& paths, std::vector<Step>& steps);

}  // namespace flipdeck
