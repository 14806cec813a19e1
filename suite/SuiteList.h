// The commands of the suite list that are not switches: new, delete, move up and down, and the
// edit of an entry's rename path by double-click.
#pragma once

#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"

namespace flipdeck {

// Adds the version found in a folder the user picks, unless it is a listed version's live
// installation or its name is listed already.
void AddSuiteEntry(RunState& state, UserInterface& ui);
// Deletes the selected entry unless it is the current version, and saves at once.
void DeleteSuiteEntry(RunState& state, UserInterface& ui);
// Moves the selected entry one row; the current entry index stays on its entry.
void MoveSuiteEntryUp(RunState& state, UserInterface& ui);
void MoveSuiteEntryDown(RunState& state, UserInterface& ui);
// Lets the user choose another rename path for the focused entry.
void EditSuiteEntry(RunState& state, UserInterface& ui);

}  // namespace flipdeck
