// What the user does with the CoDeSys list besides switching, and the CoDeSys part of opening the
// main dialog.
#pragma once

#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"

namespace flipdeck {

// Start-up: matches the installed CoDeSys against the catalogue (adopting it when unknown),
// settles the current version and the new-versions path, loads and shows the catalogue and, while
// the neutral entry is current or while no version is and the installation's root holds a parked
// version's folder, adopts the installed version as a new current entry.
// Needs the user hive list filled.
void LoadCodesysAtStartup(RunState& state, UserInterface& ui);

// Deletes the selected entry and saves the catalogue at once; refuses the current version's entry
// and the neutral entry.
void DeleteCodesysEntry(RunState& state, UserInterface& ui);

// Exchange the selected entry with the one above or below it; the neutral row 0 never moves and
// nothing moves above it. Only the in-memory catalogue changes (OK of the dialog saves it).
void MoveCodesysEntryUp(RunState& state, UserInterface& ui);
void MoveCodesysEntryDown(RunState& state, UserInterface& ui);

}  // namespace flipdeck
