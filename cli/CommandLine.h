// Flipdeck.exe with arguments: the commands for deployment tools. They make the same start-up as
// the dialog, run one operation without a window, print what the dialog would show and end with
// an exit code that tells a script what happened.
#pragma once

#include <windows.h>

#include <string>

#include "catalogue/CatalogueHive.h"
#include "steps/ChangeOutcome.h"
#include "steps/ExitCode.h"
#include "steps/RunStartup.h"

namespace flipdeck {

struct Command {
    enum class Kind { Help, List, Switch, Codesys, Start, Recover, Verify, History };
    Kind kind = Kind::Help;
    std::string name;      // Switch, Codesys: the version's name
    bool json = false;     // List, Verify, History, a preview
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
