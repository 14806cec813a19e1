// How a change of version ended. The dialog has shown the user why; the command line answers it
// as its exit code.
#pragma once

namespace flipdeck {

enum class ChangeOutcome {
    Done,             // the chosen version is live
    NothingChosen,    // no row was chosen, or several were
    AlreadyActive,    // the chosen version is live already
    ProgramsRunning,  // programs of the product run and the user stopped
    Refused,          // something stands in the way; nothing was moved
    RolledBack,       // a step failed and everything the change had done was undone
    NeedsHand,        // not everything could be undone, or an unfinished switch waits: the journal stays
};

}  // namespace flipdeck
