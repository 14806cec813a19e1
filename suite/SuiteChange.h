// Switching the active suite version, its preview, and starting the active version.
#pragma once

#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"
#include "steps/ChangeOutcome.h"

namespace flipdeck {

// Makes the version selected in the suite list the active one. Every step (PATH, folders,
// installation values, registrations, catalogue) is planned before the first is made, journaled as
// it is made, and undone when a folder move fails. Done: the main dialog closes; the change has
// saved the suite catalogue then (the dirty flag is cleared). Otherwise the dialog stays open.
ChangeOutcome SwitchSuite(RunState& state, UserInterface& ui);

// Shows the steps the change to the selected version would make, or why it would not start;
// changes nothing. Done when the steps were shown; otherwise how the change would have ended.
ChangeOutcome PreviewSuiteSwitch(const RunState& state, UserInterface& ui);

// Starts the workbench of the current version. True when it was started and the main dialog
// must close.
bool StartActiveVersion(const RunState& state, UserInterface& ui);

}  // namespace flipdeck
