// The machine PATH and the registration of the suite's COM components: what must point at the
// new version besides its folders.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"
#include "steps/Step.h"

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

// The steps that put the version's bin path in front of the machine PATH unless one of its entries
// names it already: the PATH write and its three log lines (the old PATH, "ENV PATH not found.",
// the new PATH). False when PATH cannot be read: then nothing may be written, `refusal` says why
// to the user and `logLine` to the activity log.
bool PlanPathUpdate(const SuiteVersionEntry& entry, std::vector<Step>& steps, std::string& refusal, std::string& logLine);

// Writes the machine PATH as REG_EXPAND_SZ, tells every top-level window and takes it, expanded,
// into this process's own environment. Values of 10 characters or fewer are never written.
void WriteSystemPath(std::string value);

// The products' system directory (the 32-bit one on 64-bit Windows), with a trailing backslash.
std::string ProductSystemDirectory();

// The suite's components in the order they are registered: six in the edition's component folder
// ("\program\" or "\kalvio\"), then "\bin\RemotePanel.dll", under the program path.
std::vector<std::string> SuiteComponents(const SuiteVersionEntry& entry);
// Registers one component and logs how regsvr32 ended. False when the file exists but was not
// registered: regsvr32 did not start, did not end within 10 s or answered an error.
bool RegisterComponent(const std::string& path);

}  // namespace flipdeck
