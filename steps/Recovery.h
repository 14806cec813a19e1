// At a start after a switch died half-way (power lost, process ended, crash): its journal is still
// there, and the machine goes back to where it was before that switch.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "steps/Step.h"

namespace flipdeck {

namespace seams {

// Called before a recovery undoes a step and before it registers the restored version's
// components again. Does nothing; tests end the process here.
extern std::function<void()> RecoveryStepStarting;

}  // namespace seams

struct RecoveryReport {
    enum class Result {
        NothingToDo,  // no journal
        Recovered,    // every step undone; the journal is gone
        NeedsHand,    // some steps could not be undone; the journal stays
        Damaged,      // the journal cannot be read; nothing was changed and it stays
        SetAside,     // the journal's folder or file could have been written by others: never read, moved aside
        Untrusted,    // the same, but it could not be moved aside: it stays and blocks every switch
        Running,      // the process that writes the journal still runs; nothing was changed and it stays
        HiveMissing,  // a user hive the switch changed cannot be loaded; nothing was changed and it stays
    };
    Result result = Result::NothingToDo;
    std::string journalPath;
    std::string problem;  // Damaged, SetAside, Untrusted: what is wrong with the journal
    std::string owner;    // SetAside, Untrusted: who owns the folder or file
    std::string setAside; // SetAside: where the folder or file went
    DWORD writer = 0;     // Running: the id of the process that writes it
    std::string userHive; // HiveMissing: the SID of the hive
    std::string user;     // HiveMissing: the account whose hive it is
    SwitchPlan::Product product = SwitchPlan::Product::Suite;
    std::string fromName;
    std::string toName;
    std::vector<std::string> undone;       // descriptions of the steps undone, newest first
    std::vector<std::string> notRestored;  // descriptions of the steps that could not be undone
};

// Leaves a journal alone while its writer runs: that switch may still be making its steps, and
// while a user hive it changed is neither loaded nor can be loaded. Else undoes the journal's steps
// newest first, checking each one's effect, logs a line for every step
// undone, registers the components of the version it restores again when the switch had begun
// to register, and removes the journal when everything is back.
RecoveryReport RecoverUnfinishedSwitch();

// The one message that tells the user what was recovered or what needs a hand; empty for NothingToDo.
std::string RecoveryMessage(const RecoveryReport& report);

// The refusal of a switch while a journal waits to be dealt with.
std::string PendingJournalMessage();

}  // namespace flipdeck
