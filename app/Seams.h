// The places where the system changes or asks the outside world in ways a test must be able to
// break. Each seam is the real call by default (defined beside its real implementation); a test
// swaps in a function that fails on its k-th call (or does part of the work and then fails) and
// checks that nothing was lost.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace flipdeck {
class StepJournal;
}

namespace flipdeck::seams {

// The write and the delete of a registry tree move are seams of their own, declared with the
// registry trees (catalogue/RegistryTree.h).

// Renames or moves a file or folder (MoveFileExA with its flags).
extern std::function<BOOL(const char* source, const char* target, DWORD flags)> MovePath;

// Calls `visit` with the id and the image path or file name of every running process, until it
// answers false. False when no walk was possible.
using ProcessVisitor = std::function<bool(DWORD processId, const std::string& image)>;
extern std::function<bool(const ProcessVisitor& visit)> WalkProcesses;

// Whether a top-level window of that class (or, with className null, that exact title) exists.
extern std::function<bool(const char* className, const char* title)> FindTopLevelWindow;

// Starts `application` with `commandLine` and waits for it at most `timeoutMs`; when it finished,
// `exitCode` is what it answered.
enum class ProcessRun { NotStarted, Finished, TimedOut };
extern std::function<ProcessRun(const std::string& application, const std::string& commandLine, DWORD timeoutMs,
                                DWORD& exitCode)>
    RunProcess;

// Called when step `index` of a switch is about to be made, its journal record on disk. Does
// nothing; tests end the process here, or read the journal.
extern std::function<void(size_t index)> StepStarting;

// The journal a switch writes as it runs, a new JournalWriter for each switch. The journal cost
// benchmark swaps in one that keeps nothing.
extern std::function<std::unique_ptr<StepJournal>()> OpenStepJournal;

}  // namespace flipdeck::seams
