// The machine PATH and the registration of COM components: what must point at the new version
// besides its folders.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Registry.h"
#include "steps/Step.h"

namespace flipdeck {

namespace seams {

// Starts `application` with `commandLine` and waits for it at most `timeoutMs`; when it finished,
// `exitCode` is what it answered.
enum class ProcessRun { NotStarted, Finished, TimedOut };
extern std::function<ProcessRun(const std::string& application, const std::string& commandLine, DWORD timeoutMs,
                                DWORD& exitCode)>
    RunProcess;

// Writes the machine PATH value (HKLM, the Environment key's "Path"); the Win32 status.
extern std::function<LSTATUS(const RegValue& value)> WritePathValue;

}  // namespace seams

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

// The machine PATH value as it is, read whole whatever its length through the wide functions, so
// that no entry outside the system code page is changed; an empty REG_EXPAND_SZ value when it is
// missing. Nothing when it cannot be read, with the reason in `failure`.
std::optional<RegValue> ReadSystemPath(PathReadFailure& failure);

// The PATH's list as the planner compares and logs it: in the system code page, normalised.
std::string PathListText(const RegValue& path);

// Writes the machine PATH value as it is (UTF-16 text), tells every top-level window and takes it,
// expanded, into this process's own environment. Values of 10 characters or fewer are never written.
// False, with the reason as the last error, when the value could not be written: then nothing is told.
bool WriteSystemPath(const RegValue& value);

// The products' system directory (the 32-bit one on 64-bit Windows), with a trailing backslash.
std::string ProductSystemDirectory();

// Registers one component and logs how regsvr32 ended. False when the file exists but was not
// registered: regsvr32 did not start, did not end within 10 s or answered an error.
bool RegisterComponent(const std::string& path);

}  // namespace flipdeck
