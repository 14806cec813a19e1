// The machine PATH and the registration of the suite's COM components: what must point at the
// new version besides its folders.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/UserInterface.h"
#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

extern const char kEnvironmentKey[];  // HKLM "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

// Collapses ";;", trims white space, drops one leading ";" and ends the list with ";".
void NormalizePathList(std::string& list);

// Why the machine PATH could not be read: the key did not open or the value could not be read
// (`status`), or the value is not text (`type`, with `status` ERROR_SUCCESS).
struct PathReadFailure {
    bool keyOpened = true;
    LSTATUS status = ERROR_SUCCESS;
    DWORD type = REG_NONE;
};

// The machine PATH, read whole whatever its length, normalised; the empty list ";" when the value
// is missing. Nothing when it cannot be read, with the reason in `failure`.
std::optional<std::string> ReadSystemPath(PathReadFailure& failure);

// Puts the chosen entry's bin path in front of the machine PATH unless PATH already holds it.
// False when the chosen index is not in the list, and when PATH cannot be read: then nothing is
// written, and the reason is logged and shown.
bool UpdatePathVariable(const std::vector<SuiteVersionEntry>& entries, int chosen, UserInterface& ui);

// Writes the machine PATH as REG_EXPAND_SZ, tells every top-level window and takes it, expanded,
// into this process's own environment. Values of 10 characters or fewer are never written.
void WriteSystemPath(std::string value);

// The products' system directory (the 32-bit one on 64-bit Windows), with a trailing backslash.
std::string ProductSystemDirectory();

// Runs "regsvr32 /s" on each of the suite's components that exists, in table order, and answers
// the paths of those that were not registered.
std::vector<std::string> RegisterSuiteComponents(const SuiteVersionEntry& entry);
// Registers one component and logs how regsvr32 ended. False when the file exists but was not
// registered: regsvr32 did not start, did not end within 10 s or answered an error.
bool RegisterComponent(const std::string& path);

}  // namespace flipdeck
