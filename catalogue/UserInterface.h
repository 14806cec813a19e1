// Everything an operation asks of or shows to the user goes through this interface: the main
// dialog implements it with real windows, tests with a script that answers and records.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/CodesysVersionEntry.h"
#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

// The current-version fields of the main dialog (their control ids).
enum CurrentField : int {
    kSuiteNameField = 1218,
    kSuiteRenamePathField = 1217,
    kCodesysNameField = 1219,
    kCodesysRenamePathField = 1220,
};

// The values the entry edit dialog shows; only the rename path can be changed there.
struct EntryEditValues {
    std::string name;
    std::string renamePath;
    std::string version;
    std::string helpFile;
};

// Told of each step of a switch as it starts.
class SwitchProgress {
public:
    virtual ~SwitchProgress() = default;
    // Step `number` (from 1) of `count` is about to start.
    virtual void StepStarting(size_t number, size_t count, const std::string& description) = 0;
};

// One step a switch would make, as its preview shows it.
struct PreviewStep {
    std::string kind;         // the kind of change, named for scripts: "moveFolder", "createKey", ...
    std::string source;       // what it moves, creates or registers; empty where the kind has none
    std::string target;       // where it moves it to; empty where the kind moves nothing
    std::string description;  // the step in the user's language
};

// What a switch would do, worked out in full before anything moves.
struct SwitchPreview {
    std::string product;  // "suite" or "codesys"
    std::string fromName;
    std::string toName;
    std::string notice;   // what the user should know before the steps; may be empty
    std::string heading;  // the line above the steps
    std::vector<PreviewStep> steps;

    // The notice, when there is one, and the heading: the text above the steps.
    std::string Introduction() const;
    std::vector<std::string> Descriptions() const;
};

class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box; `type` takes the MB_ icon and button flags, an empty caption stands for
    // the program's name. Answers the button pressed.
    virtual int ShowMessage(const std::string& text, UINT type, const std::string& caption = std::string()) = 0;

    // The selected rows of the suite list, in list order; its focused row, or -1.
    virtual std::vector<int> SelectedSuiteRows() = 0;
    virtual int FocusedSuiteRow() = 0;
    // Makes `row` the only selected and the focused row of the suite list.
    virtual void SelectSuiteRow(int row) = 0;

    // Replaces the rows of the suite list with the entries (name, rename path, version, help file).
    virtual void ShowSuiteList(const std::vector<SuiteVersionEntry>& entries) = 0;

    // The CoDeSys list: row 0 is always the neutral entry "<neu>", row r shows entries[r - 1]
    // (name, rename path, version).
    virtual std::vector<int> SelectedCodesysRows() = 0;
    virtual int FocusedCodesysRow() = 0;
    virtual void SelectCodesysRow(int row) = 0;
    virtual void ShowCodesysList(const std::vector<CodesysVersionEntry>& entries) = 0;

    // Sets the text of one of the current-version fields of the main dialog.
    virtual void SetField(CurrentField field, const std::string& text) = 0;

    // The state of the auto-start check box.
    virtual bool AutoStartChecked() = 0;
    // Whether a change may start the new version when the check box asks for it. Where nobody is at
    // the screen (the command line, which deployment tools run as the system account) it never does.
    virtual bool MayStartPrograms() = 0;

    // The folder picker, starting at the nearest existing folder of `path`. True when a folder
    // was chosen (then in `path`).
    virtual bool PickFolder(std::string& path) = 0;

    // The entry edit dialog with `values`; true on OK, with the values as the user left them.
    virtual bool EditEntry(EntryEditValues& values) = 0;

    // Runs `work`, the steps of a switch, showing which step it is at; no command of the user runs
    // until it returns.
    virtual void RunWithProgress(const std::function<void(SwitchProgress&)>& work) = 0;

    // Shows the steps a switch would make.
    virtual void ShowSteps(const SwitchPreview& preview) = 0;
};

// The one row of `selected`, or -1 when none is selected or, after telling the user that only one
// may be (message 10005), when several are.
int SingleSelection(UserInterface& ui, const std::vector<int>& selected);

}  // namespace flipdeck
