// How a run opens and closes. The application hands it to the main dialog and to the command line,
// which make the same steps in the same order; tests hand in their own.
#pragma once

#include <functional>
#include <string>

#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"
#include "steps/Finding.h"
#include "steps/Recovery.h"

namespace flipdeck {

struct RunStartup {
    // Takes the single-instance guard for the whole run; false when another instance holds it.
    std::function<bool()> acquireSingleInstance;
    // Clears the run's flags and reads the auto-start flag.
    std::function<void(RunState& state)> prepare;
    // False when the run has no administrator rights.
    std::function<bool(RunState& state)> checkAdministrator;
    // The start banner, the recovery of a switch that died half-way and both catalogues; answers
    // how the recovery ended.
    std::function<RecoveryReport::Result(RunState& state, UserInterface& ui, const std::string& ownVersion)> load;
    // What closing with OK saves.
    std::function<void(const RunState& state, bool autoStart)> saveChanged;
    // What a verify finds on the machine; changes nothing.
    std::function<std::vector<Finding>(const RunState& state, VerifyDepth depth)> verify;
};

}  // namespace flipdeck
