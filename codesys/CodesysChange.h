// Switching the active CoDeSys version, and its preview.
#pragma once

#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"
#include "steps/ChangeOutcome.h"

namespace flipdeck {

// Where the main folder of `entry`, while it is parked, waits: its rename path; for a version parked
// component by component while a whole-folder version (`currentSubDirs` false) is live, the folder of
// that name inside the new-versions path, where the root folder of the sub-folder layout waits then.
std::string ParkedMainFolder(const CodesysVersionEntry& entry, bool currentSubDirs, const std::string& newVersionsPath);

// Parks the active version's folders, gateway files and registry trees under its own names and
// brings those of the version in the focused row of the CoDeSys list into the live places. Every
// step is planned before the first is made, journaled as it is made, and undone when a later one
// fails. When the change is done, CurrentVersionName and the current-version fields name the new
// version. The dialog stays open either way.
ChangeOutcome SwitchCodesys(RunState& state, UserInterface& ui);

// Shows the steps the change to the focused row would make, or why it would not start; changes
// nothing. Done when the steps were shown; otherwise how the change would have ended.
ChangeOutcome PreviewCodesysSwitch(const RunState& state, UserInterface& ui);

}  // namespace flipdeck
