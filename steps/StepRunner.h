// Makes the steps of a switch one after the other: each is written to the journal before it
// starts, and when one fails, everything made so far is undone, newest first.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/UserInterface.h"
#include "steps/Step.h"

namespace flipdeck {

namespace seams {

// Called when step `index` of a switch is about to be made, its journal record on disk. Does
// nothing; tests end the process here, or read the journal.
extern std::function<void(size_t index)> StepStarting;

}  // namespace seams

struct RunOutcome {
    enum class Result {
        Done,        // every step was made (steps that may fail may have failed: see `passedOver`)
        NotStarted,  // no journal could be written: nothing was changed
        RolledBack,  // a step failed and everything made before it was undone
        Mixed,       // a step failed and some of what was made could not be undone: the journal stays
    };
    Result result = Result::Done;
    size_t failed = 0;                  // the step (index into the plan) that stopped the run
    bool journalFailed = false;         // the step's journal record could not be written: it was not made
    DWORD error = ERROR_SUCCESS;        // the system's reason the step failed, when it gave one
    std::vector<size_t> notUndone;      // steps whose undo failed, newest first
    std::vector<size_t> passedOver;     // steps that failed but may fail

    bool Done() const { return result == Result::Done; }
};

// `progress` is told of each step that changes the machine as it starts; `failing`, when given, of
// the run stopped by a step (`failed`, `journalFailed`), before anything is undone.
RunOutcome RunSteps(const SwitchPlan& plan, SwitchProgress& progress,
                    const std::function<void(const RunOutcome& stopped)>& failing = nullptr);

// How many of the plan's steps that change the machine were made: all of them when the run is done,
// else those before the step that stopped it (made, then undone).
size_t StepsMade(const SwitchPlan& plan, const RunOutcome& outcome);

// The moves a roll-back could not undo, one "<where it stays> -> <where it belongs>" line each.
std::string NotUndoneMoves(const SwitchPlan& plan, const RunOutcome& outcome);

// What the user is told when the journal could not be written: the switch did not begin
// (NotStarted), or it stopped at a step whose record could not be written and was undone.
std::string JournalFailureMessage(const RunOutcome& outcome);

}  // namespace flipdeck
