// Switching the active CoDeSys version.
#pragma once

#include "app/RunState.h"
#include "app/UserInterface.h"

namespace flipdeck {

// Parks the active version's folders, gateway files and registry trees under its own names and
// brings those of the version in the focused row of the CoDeSys list into the live places.
// True when the change is done: CurrentVersionName and the current-version fields name the new
// version. False when it was refused, cancelled or failed; a failure undoes what was moved.
// The dialog stays open either way.
bool OnChangeCS(RunState& state, UserInterface& ui);

}  // namespace flipdeck
