// Flipdeck.exe with arguments: the commands for deployment tools. They make the same start-up as
// the dialog, run one operation without a window, print what the dialog would show and end with
// an exit code that tells a script what happened.
#pragma once

#include <windows.h>

#include <string>

#include "catalogue/CatalogueHive.h"
#include "steps/ChangeOutcome.h"
#include "steps/RunStartup.h"

namespace flipdeck {

// The exit codes, as "/?" and the README list them.
enum class ExitCode : int {
    Done = 0,             // also: listed, or a preview shown
    Usage = 1,            // the arguments are no command; nothing was done
    UnknownName = 2,      // no catalogue entry has the name
    AlreadyActive = 3,
    ProgramsRunning = 4,  // programs of the product run; the change stopped before it began
    Refused = 5,          // something stands in the way; nothing was changed
    RolledBack = 6,       // a step failed and everything the change had done was undone
    NeedsHand = 7,        // a change or its restoration is incomplete: the journal waits for a hand
    AnotherInstance = 8,  // another Flipdeck runs
    NoAdministrator = 9,
    NotStarted = 10,  // the active version could not be started
    Found = 11,       // /verify: the catalogues and the machine disagree
};

ExitCode ExitCodeFor(ChangeOutcome outcome);

struct Command {
    enum class Kind { Help, List, Switch, Codesys, Start, Recover, Verify };
    Kind kind = Kind::Help;
    std::string name;      // Switch, Codesys: the version's name
    bool json = false;     // List, Verify, a preview
    bool preview = false;  // Switch, Codesys
};

// The longest argument taken: no version name is longer than a path.
constexpr size_t kMaxArgumentLength = MAX_PATH - 1;

// Where the arguments begin: after the program's name, which Windows reads up to its closing quote
// when it starts with one, else up to the first blank.
size_t ArgumentsStart(const std::wstring& commandLine);

// True when the command line holds anything after the program's name.
bool HasArguments(const std::wstring& commandLine);

// Reads a whole command line, program name first. Arguments are separated by blanks; quotes may
// only enclose a whole argument. False, with the reason in `problem`, when it is no command.
bool ParseCommandLine(const std::wstring& commandLine, Command& command, std::string& problem);

// The command as the activity log names it.
std::string CommandText(const Command& command);

// Parses the command line and runs its command. `installPath`: the suite installation path the
// settings library answered; `hive`: whose catalogue the run works with.
ExitCode RunCommandLine(const std::wstring& commandLine, const std::string& installPath, const HiveChoice& hive,
                        const RunStartup& startup);

}  // namespace flipdeck
