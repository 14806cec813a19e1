// The machine PATH and the registration of the suite's COM components: what must point at the
// new version besides its folders.
#pragma once

#include <string>
#include <vector>

#include "app/UserInterface.h"
#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

extern const char kEnvironmentKey[];  // HKLM "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

// Collapses ";;", trims white space, drops one leading ";" and ends the list with ";".
void NormalizePathList(std::string& list);

// The machine PATH, read whole whatever its length, normalised; empty list ";" when missing.
std::string ReadSystemPath();

// Puts the chosen entry's bin path in front of the machine PATH unless PATH already contains it.
bool UpdatePathVariable(const std::vector<SuiteVersionEntry>& entries, int chosen);

// Writes the machine PATH as REG_EXPAND_SZ, tells every top-level window and takes it into this
// process's own environment. Values of 10 characters or fewer are never written.
void WriteSystemPath(std::string value);

// The products' system directory (the 32-bit one on 64-bit Windows), with a trailing backslash.
std::string ProductSystemDirectory();

// Runs "regsvr32 /s" on each of the suite's components that exists, in table order.
bool RegisterSuiteComponents(const SuiteVersionEntry& entry, UserInterface& ui);
bool RegisterComponent(const std::string& path, UserInterface& ui);

}  // namespace flipdeck
