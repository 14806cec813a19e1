// Finds running programs of the suite, by top-level window and by process file name, so that a
// switch never renames folders that programs run from.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/Seams.h"
#include "app/UserInterface.h"
#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

// The real process walk: PSAPI on Windows NT 4, the Toolhelp functions elsewhere, both loaded
// from the system directory.
bool EnumRunningProcesses(const seams::ProcessVisitor& visit, UserInterface* ui = nullptr);

// True when a process runs whose file name (the part after the last backslash) is `fileName`.
bool IsProcessRunning(const std::string& fileName);

// "\t<text>\n" for every running process of the suite's tool table, as long as the text stays
// below `capacity` - 4 characters.
std::string CollectRunningTools(size_t capacity, bool simulationNaming);

// Lists the running suite programs and lets the user abort, retry or ignore. True: go on.
bool CheckRunningPrograms(const std::vector<SuiteVersionEntry>& entries, int chosen, UserInterface& ui);

// Shows the programs that `listRunning` names ("\t<text>\n" each) as running, asking the user to
// abort, retry or ignore, until the list is empty or the user ignores it. True: go on.
bool ConfirmNoneRunning(UserInterface& ui, const std::function<std::string()>& listRunning);

}  // namespace flipdeck
