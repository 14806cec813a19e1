// The exit codes of the command line. The history records them beside each outcome, so they live
// below the command line.
#pragma once

#include "steps/ChangeOutcome.h"

namespace flipdeck {

// The exit codes, as "/?" and the README list them.
enum class ExitCode : int {
    Done = 0,             // also: listed, or a preview shown
    Usage = 1,            // the arguments are no command; nothing was done
    UnknownName = 2,      // no catalogue entry has the name
    AlreadyActive = 3,
    ProgramsRunning = 4,  // programs of the product run; the change stopped before it began
    Refused = 5,          // something stands in the way; nothing was changed
    RolledBack = 6,       // a step failed and everything the change had done was undone
    NeedsHand = 7,        // a change or its restoration is incomplete: the journal waits for a hand
    AnotherInstance = 8,  // another Flipdeck runs
    NoAdministrator = 9,
    NotStarted = 10,  // the active version could not be started
    Found = 11,       // /verify: the catalogues and the machine disagree
};

ExitCode ExitCodeFor(ChangeOutcome outcome);

}  // namespace flipdeck
