// Switching the active suite version and starting it.
#pragma once

#include "app/RunState.h"
#include "app/UserInterface.h"

namespace flipdeck {

// Makes the version selected in the suite list the active one. True when the change is done and
// the main dialog must close; it has saved the suite catalogue then (the dirty flag is cleared).
// False when it was refused or failed (the dialog stays open).
bool OnChange(RunState& state, UserInterface& ui);

// Starts the workbench of the current version. True when it was started and the main dialog
// must close.
bool StartActiveVersion(const RunState& state, UserInterface& ui);

}  // namespace flipdeck
