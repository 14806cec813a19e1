// The steps of opening and closing a run that do not concern the main dialog's windows; the
// command line makes the same.
#pragma once

#include <string>

#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"
#include "steps/Finding.h"
#include "steps/Recovery.h"
#include "steps/RunStartup.h"

namespace flipdeck {

// One Flipdeck per machine, whatever the session: a deployment tool's run as the system account
// in session 0 and a technician's window in session 1 would otherwise move the same folders at once.
extern const char kSingleInstanceMutex[];  // "Global\FLIPDECKMUTEX"
// The per-session name earlier versions take. Held as well: an earlier version started in the same
// session then refuses to run beside this one, and this one beside it.
extern const char kSessionInstanceMutex[];  // "FLIPDECKMUTEX"

// Owns both mutexes until the process ends. False when another instance owns either.
bool AcquireSingleInstance();

// Clears the dirty flags and the current entry and reads the auto-start flag (default on).
void PrepareRun(RunState& state);

// Writes each installation "Path" value under HKLM back to itself, with its type: only an
// administrator can. Remembers both paths, an expandable one expanded. False when neither value
// exists or the last write failed.
bool CheckAdministrator(RunState& state);

// The start banner, the recovery of a switch that died half-way, the repair of the first entry,
// the catalogue with logging and the user hives. Answers how the recovery ended.
RecoveryReport::Result LoadAtStartup(RunState& state, UserInterface& ui, const std::string& ownVersion);

// What closing with OK saves: each catalogue whose list changed since it was last saved.
void SaveChangedCatalogues(const RunState& state, bool autoStart);

// Both catalogues compared with the machine, and an interrupted switch that waits; changes nothing.
std::vector<Finding> VerifyMachine(const RunState& state, VerifyDepth depth = VerifyDepth::Whole);

// The steps above, with the CoDeSys catalogue's start-up after the suite's: what the program hands
// to its dialog and to its command line.
RunStartup ProgramStartup();

}  // namespace flipdeck
