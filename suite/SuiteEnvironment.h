// What of the machine's environment a suite version needs: its bin folder in front of the machine
// PATH, and its COM components.
#pragma once

#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "steps/Step.h"

namespace flipdeck {

// The steps that put the version's bin path in front of the machine PATH unless one of its entries
// names it already: the PATH write and its three log lines (the old PATH, "ENV PATH not found.",
// the new PATH). False when PATH cannot be read: then nothing may be written, `refusal` says why
// to the user and `logLine` to the activity log.
bool PlanPathUpdate(const SuiteVersionEntry& entry, std::vector<Step>& steps, std::string& refusal, std::string& logLine);

// The suite's components in the order they are registered: six in the edition's component folder
// ("\program\" or "\kalvio\"), then "\bin\RemotePanel.dll", under the program path.
std::vector<std::string> SuiteComponents(const SuiteVersionEntry& entry);

}  // namespace flipdeck
