#include "cli/CommandLine.h"

#include <optional>
#include <vector>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/VersionInfo.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "cli/CatalogueListing.h"
#include "cli/ConsoleUi.h"
#include "cli/FindingListing.h"
#include "cli/HistoryListing.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "suite/SuiteChange.h"

namespace flipdeck {

namespace {

struct CommandName {
    const char* text;
    Command::Kind kind;
};
const CommandName kCommands[] = {
    {"/?", Command::Kind::Help},           {"/list", Command::Kind::List},   {"/switch", Command::Kind::Switch},
    {"/codesys", Command::Kind::Codesys},  {"/start", Command::Kind::Start}, {"/recover", Command::Kind::Recover},
    {"/verify", Command::Kind::Verify},
    {"/history", Command::Kind::History},
};
const char kJson[] = "/json";
const char kPreview[] = "/preview";

const char* NameOf(Command::Kind kind)
{
    for (const CommandName& command : kCommands) {
        if (command.kind == kind)
            return command.text;
    }
    return "";
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Splits the arguments at blanks. A quote may only open an argument and close it before a blank or
// the end: the usual rules would drop any other quote silently and run a name nobody wrote.
bool SplitArguments(const std::wstring& line, std::vector<std::wstring>& arguments)
{
    size_t i = ArgumentsStart(line);
    for (;;) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i == line.size())
            return true;
        if (line[i] == L'"') {
            const size_t close = line.find(L'"', i + 1);
            if (close == std::wstring::npos || (close + 1 < line.size() && !IsBlank(line[close + 1])))
                return false;
            arguments.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        size_t end = i;
        while (end < line.size() && !IsBlank(line[end]))
            ++end;
        arguments.push_back(line.substr(i, end - i));
        if (arguments.back().find(L'"') != std::wstring::npos)
            return false;
        i = end;
    }
}

// The argument in the system code page, as every name of the program is; false when a character
// has no place there (the text then shows it replaced).
bool AnsiFromWide(const std::wstring& wide, std::string& text)
{
    text.clear();
    if (wide.empty())
        return true;
    BOOL replaced = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, &replaced);
    text.resize(static_cast<size_t>(length));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, &replaced);
    return !replaced;
}

std::optional<Command::Kind> KindOf(const std::string& argument)
{
    for (const CommandName& command : kCommands) {
        if (EqualsIgnoringCase(argument, command.text))
            return command.kind;
    }
    return std::nullopt;
}

bool TakesName(Command::Kind kind) { return kind == Command::Kind::Switch || kind == Command::Kind::Codesys; }

bool ReadArguments(const std::vector<std::string>& arguments, Command& command, std::string& problem)
{
    std::optional<Command::Kind> kind;
    std::string given;  // the command as it was written
    bool json = false;
    bool preview = false;
    std::string name;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (const std::optional<Command::Kind> found = KindOf(argument)) {
            if (kind) {
                problem = FormatLocalized(IDS_CLI_NOT_COMBINABLE, {argument, given});
                return false;
            }
            kind = found;
            given = argument;
            if (TakesName(*found)) {
                // A name never starts like a switch: "/switch /preview" lacks its name.
                if (i + 1 == arguments.size() || arguments[i + 1].empty() || arguments[i + 1][0] == '/') {
                    problem = FormatLocalized(IDS_CLI_NAME_MISSING, {argument});
                    return false;
                }
                name = arguments[++i];
            }
            continue;
        }
        bool* option = EqualsIgnoringCase(argument, kJson) ? &json : EqualsIgnoringCase(argument, kPreview) ? &preview : nullptr;
        if (option == nullptr) {
            problem = FormatLocalized(IDS_CLI_UNKNOWN_ARGUMENT, {argument});
            return false;
        }
        if (*option) {
            problem = FormatLocalized(IDS_CLI_NOT_COMBINABLE, {argument, argument});
            return false;
        }
        *option = true;
    }
    if (!kind) {
        problem = LoadLocalizedString(IDS_CLI_NO_COMMAND);
        return false;
    }
    if (json && *kind != Command::Kind::List && *kind != Command::Kind::Verify && *kind != Command::Kind::History &&
        !(preview && TakesName(*kind))) {
        problem = FormatLocalized(IDS_CLI_ONLY_WITH, {kJson, std::string(NameOf(Command::Kind::List)) + ", " +
                                                                 NameOf(Command::Kind::Verify) + ", " +
                                                                 NameOf(Command::Kind::History) + ", " + kPreview});
        return false;
    }
    if (preview && !TakesName(*kind)) {
        problem = FormatLocalized(IDS_CLI_ONLY_WITH, {kPreview, std::string(NameOf(Command::Kind::Switch)) + ", " +
                                                                    NameOf(Command::Kind::Codesys)});
        return false;
    }
    command = {*kind, name, json, preview};
    return true;
}

std::string UsageText()
{
    return LoadLocalizedString(IDS_CLI_USAGE) + "\n\n" + LoadLocalizedString(IDS_CLI_USAGE_HISTORY) + "\n\n" +
           LoadLocalizedString(IDS_CLI_EXIT_CODES);
}

// The catalogue row of a name, compared as the dialog compares names; -1 when none has it.
int SuiteRow(const RunState& state, const std::string& name)
{
    for (size_t i = 0; i < state.suiteEntries.size(); ++i) {
        if (EqualsIgnoringCase(state.suiteEntries[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

// Row 0 of the CoDeSys list is the neutral entry, row r the entry r - 1.
int CodesysRow(const RunState& state, const std::string& name)
{
    if (EqualsIgnoringCase(name, NeutralCodesysName()))
        return 0;
    for (size_t i = 0; i < state.codesysEntries.size(); ++i) {
        if (EqualsIgnoringCase(state.codesysEntries[i].name, name))
            return static_cast<int>(i) + 1;
    }
    return -1;
}

// A change ends as the dialog's does: done, the catalogues are saved as its OK would save them.
ExitCode Finish(ChangeOutcome outcome, RunState& state, ConsoleUi& ui, const RunStartup& startup)
{
    if (outcome == ChangeOutcome::Done)
        startup.saveChanged(state, ui.AutoStartChecked());
    return ExitCodeFor(outcome);
}

// A history that others than the administrators could have written is no account of what was done:
// it is not printed.
ExitCode PrintHistory(ConsoleOutput& output, bool json)
{
    std::vector<HistoryRecord> records;
    std::string problem;
    if (ReadHistory(records, problem) == HistoryState::Untrusted) {
        output.WriteLine(OutputStream::Error, FormatLocalized(IDS_HISTORY_UNTRUSTED, {problem}));
        return ExitCode::Refused;
    }
    output.Write(OutputStream::Out, json ? HistoryListingJson(records) : HistoryListingText(records));
    return ExitCode::Done;
}

ExitCode RunCommand(const Command& command, RunState& state, ConsoleUi& ui, ConsoleOutput& output,
                    RecoveryReport::Result recovery, const RunStartup& startup)
{
    switch (command.kind) {
    case Command::Kind::List:
        output.Write(OutputStream::Out, command.json ? CatalogueListingJson(state) : CatalogueListingText(state));
        return ExitCode::Done;
    case Command::Kind::Verify: {
        const std::vector<Finding> findings = startup.verify(state, VerifyDepth::Whole);
        output.Write(OutputStream::Out, command.json ? FindingsJson(findings) : FindingsText(findings));
        return findings.empty() ? ExitCode::Done : ExitCode::Found;
    }
    case Command::Kind::History:
        return PrintHistory(output, command.json);
    case Command::Kind::Recover:
        // Start-up has made the recovery and said what it did.
        if (recovery == RecoveryReport::Result::NothingToDo)
            output.WriteLine(OutputStream::Out, LoadLocalizedString(IDS_CLI_NOTHING_TO_RECOVER));
        return recovery == RecoveryReport::Result::NothingToDo || recovery == RecoveryReport::Result::Recovered ||
                       recovery == RecoveryReport::Result::SetAside
                   ? ExitCode::Done
                   : ExitCode::NeedsHand;
    case Command::Kind::Start:
        if (!StartActiveVersion(state, ui))
            return ExitCode::NotStarted;
        output.WriteLine(OutputStream::Out, FormatLocalized(IDS_CLI_STARTED, {GetCurrentVersionName()}));
        return Finish(ChangeOutcome::Done, state, ui, startup);
    case Command::Kind::Switch: {
        const int row = SuiteRow(state, command.name);
        if (row < 0) {
            output.WriteLine(OutputStream::Error, FormatLocalized(IDS_CLI_UNKNOWN_SUITE, {command.name}));
            return ExitCode::UnknownName;
        }
        ui.SelectSuiteRow(row);
        return command.preview ? ExitCodeFor(PreviewSuiteSwitch(state, ui)) : Finish(SwitchSuite(state, ui), state, ui, startup);
    }
    case Command::Kind::Codesys: {
        const int row = CodesysRow(state, command.name);
        if (row < 0) {
            output.WriteLine(OutputStream::Error, FormatLocalized(IDS_CLI_UNKNOWN_CODESYS, {command.name}));
            return ExitCode::UnknownName;
        }
        ui.SelectCodesysRow(row);
        return command.preview ? ExitCodeFor(PreviewCodesysSwitch(state, ui)) : Finish(SwitchCodesys(state, ui), state, ui, startup);
    }
    case Command::Kind::Help:  // answered before the start-up
        break;
    }
    return ExitCode::Done;
}

}  // namespace

bool HasArguments(const std::wstring& commandLine)
{
    const size_t start = ArgumentsStart(commandLine);
    for (size_t i = start; i < commandLine.size(); ++i) {
        if (!IsBlank(commandLine[i]))
            return true;
    }
    return false;
}

bool ParseCommandLine(const std::wstring& commandLine, Command& command, std::string& problem)
{
    std::vector<std::wstring> wide;
    if (!SplitArguments(commandLine, wide)) {
        problem = LoadLocalizedString(IDS_CLI_QUOTES);
        return false;
    }
    std::vector<std::string> arguments;
    for (const std::wstring& argument : wide) {
        if (argument.size() > kMaxArgumentLength) {
            problem = FormatLocalized(IDS_CLI_TOO_LONG, {std::to_string(kMaxArgumentLength)});
            return false;
        }
        std::string text;
        if (!AnsiFromWide(argument, text)) {
            problem = FormatLocalized(IDS_CLI_BAD_CHARACTERS, {text});
            return false;
        }
        arguments.push_back(text);
    }
    return ReadArguments(arguments, command, problem);
}

std::string CommandText(const Command& command)
{
    std::string text = NameOf(command.kind);
    if (TakesName(command.kind))
        text += " \"" + command.name + "\"";
    if (command.json)
        text += std::string(" ") + kJson;
    if (command.preview)
        text += std::string(" ") + kPreview;
    return text;
}

ExitCode RunCommandLine(const std::wstring& commandLine, const std::string& installPath, const HiveChoice& hive,
                        const RunStartup& startup)
{
    ConsoleOutput output;
    Command command;
    std::string problem;
    if (!ParseCommandLine(commandLine, command, problem)) {
        output.WriteLine(OutputStream::Error, problem + "\n\n" + UsageText());
        return ExitCode::Usage;
    }
    if (command.kind == Command::Kind::Help) {
        output.WriteLine(OutputStream::Out, UsageText());
        return ExitCode::Done;
    }

    // The start-up of the dialog, in its order.
    if (!startup.acquireSingleInstance()) {
        output.WriteLine(OutputStream::Error, LoadLocalizedString(IDS_CLI_ANOTHER_INSTANCE));
        return ExitCode::AnotherInstance;
    }
    RunState state;
    state.installPath = installPath;
    startup.prepare(state);
    if (!startup.checkAdministrator(state)) {
        output.WriteLine(OutputStream::Error, LoadLocalizedString(IDS_RUN_AS_ADMIN));
        return ExitCode::NoAdministrator;
    }
    // Where the held information messages go: a script reads a JSON document's standard output as one
    // document, so with /json every message goes to standard error.
    const OutputStream informationStream = command.json ? OutputStream::Error : OutputStream::Out;
    ConsoleUi ui(output, state.autoStart, command.json);
    const RecoveryReport::Result recovery = startup.load(state, ui, GetOwnProductVersionText(nullptr));
    ui.Release(informationStream);

    WriteLog("Command line: " + CommandText(command) +
             (hive.borrowedHive.empty() ? std::string() : " (user hive HKEY_USERS\\" + hive.borrowedHive + ")") +
             (hive.machineOnly ? " (machine values only)" : ""));
    if (hive.machineOnly) {
        output.WriteLine(OutputStream::Error, LoadLocalizedString(IDS_CLI_MACHINE_VALUES_ONLY));
        // A change would write the catalogue and the per-user values into the system account's hive.
        if (TakesName(command.kind)) {
            WriteLog(LoadLocalizedString(IDS_CLI_CHANGE_NEEDS_USER));
            output.WriteLine(OutputStream::Error, LoadLocalizedString(IDS_CLI_CHANGE_NEEDS_USER));
            ui.Release(OutputStream::Error);
            return ExitCode::Refused;
        }
    }
    const ExitCode code = RunCommand(command, state, ui, output, recovery, startup);
    ui.Release(code == ExitCode::Done ? informationStream : OutputStream::Error);
    return code;
}

}  // namespace flipdeck
