// Finds running programs of the suite, by top-level window and by process file name, so that a
// switch never renames folders that programs run from.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "catalogue/UserInterface.h"

namespace flipdeck {

namespace seams {

// Calls `visit` with the id and the image path or file name of every running process, until it
// answers false. False when no walk was possible.
using ProcessVisitor = std::function<bool(DWORD processId, const std::string& image)>;
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

// Lists the running suite programs and lets the user abort, retry or ignore. True: go on.
bool CheckRunningPrograms(const std::vector<SuiteVersionEntry>& entries, int chosen, UserInterface& ui);

// Shows the programs that `listRunning` finds as running, or that the processes could not be
// checked, asking the user to abort, retry or ignore, until nothing is found (and the processes
// were checked) or the user ignores it. True: go on.
bool ConfirmNoneRunning(UserInterface& ui, const std::function<FoundPrograms()>& listRunning);

}  // namespace flipdeck
