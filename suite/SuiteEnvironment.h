// What of the machine's environment a suite version needs: its bin folder in front of the machine
// PATH, and its COM components.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "steps/Step.h"
#include "steps/Switching.h"

namespace flipdeck {

// Whether one of the list's ";"-separated entries names `folder`, without regard to case or a
// trailing backslash: C:\Brivane\bin2 or C:\Brivane\bin.old is another folder than C:\Brivane\bin.
bool PathListHolds(const std::string& list, const std::string& folder);

// The steps that put the version's bin path in front of the machine PATH unless one of its entries
// names it already: the PATH write and its three log lines (the old PATH, "ENV PATH not found.",
// the new PATH). A refusal when PATH cannot be read: then nothing may be written.
std::optional<Refusal> PlanPathUpdate(const SuiteVersionEntry& entry, std::vector<Step>& steps);

// The suite's components in the order they are registered: six in the edition's component folder
// ("\program\" or "\kalvio\"), then "\bin\RemotePanel.dll", under the program path.
std::vector<std::string> SuiteComponents(const SuiteVersionEntry& entry);

}  // namespace flipdeck
