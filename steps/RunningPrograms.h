// Finds running programs of the suite, by top-level window and by process file name, and in
// sessions whose windows cannot be seen by the path of the program, so that a switch never renames
// folders that programs run from.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "catalogue/UserInterface.h"

namespace flipdeck {

constexpr DWORD kUnknownSession = 0xFFFFFFFF;

// One running process, of any session.
struct RunningProcess {
    DWORD id = 0;
    std::string image;                // its program's full path; its file name alone where the path cannot be read
    DWORD session = kUnknownSession;  // the Windows session it runs in
    std::string user;                 // the account it runs as; empty when that cannot be read
};

namespace seams {

// Calls `visit` with every running process of every session, until it answers false. False when
// no walk was possible. Wine runs every process in one session: tests script other sessions here.
using ProcessVisitor = std::function<bool(const RunningProcess& process)>;
extern std::function<bool(const ProcessVisitor& visit)> WalkProcesses;

// Whether a top-level window of that class (or, with className null, that exact title) exists.
extern std::function<bool(const char* className, const char* title)> FindTopLevelWindow;

}  // namespace seams

// The real process walk: PSAPI on Windows NT 4, the Toolhelp functions elsewhere, both loaded
// from the system directory.
bool EnumRunningProcesses(const seams::ProcessVisitor& visit, UserInterface* ui = nullptr);

// What one look for running programs found: a display line ("\t<text>\n") per program, and
// whether the processes could be looked at at all.
struct FoundPrograms {
    std::string lines;
    bool processesChecked = true;
};

// True when a process runs whose file name (the part after the last backslash) is `fileName`.
// A failed process walk answers false; `walked`, when given, tells whether the walk took place.
bool IsProcessRunning(const std::string& fileName, bool* walked = nullptr);

// "\t<text>\n" for every running process of the suite's tool table, as long as the text stays
// below `capacity` - 4 characters.
FoundPrograms CollectRunningTools(size_t capacity, bool simulationNaming);

// "\t<path> (session <n>, user <account>)\n" for every process whose program lies in one of
// `folders` and whose windows this run cannot see: those of other sessions, and all of them while
// this run is in session 0, which has no user's desktop (a deployment tool's run).
FoundPrograms ProgramsInUnseenSessions(const std::vector<std::string>& folders);

// Lists the running suite programs and lets the user abort, retry or ignore. True: go on.
bool CheckRunningPrograms(const std::vector<SuiteVersionEntry>& entries, int chosen, UserInterface& ui);

// Shows the programs that `listRunning` finds as running, or that the processes could not be
// checked, asking the user to abort, retry or ignore, until nothing is found (and the processes
// were checked) or the user ignores it. True: go on.
bool ConfirmNoneRunning(UserInterface& ui, const std::function<FoundPrograms()>& listRunning);

}  // namespace flipdeck
