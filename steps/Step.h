// One change a switch makes to the machine. A switch works out all of its steps before it makes
// the first: the same list is its preview, is written to the journal step by step as it is made,
// and is undone newest first when a step fails or the process died half-way.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Registry.h"
#include "catalogue/CatalogueStore.h"

namespace flipdeck {

enum class StepKind : int {
    Note,           // a line of the activity log; changes nothing
    MoveFolder,     // renames a folder
    MoveFile,       // moves a file to a name that is free
    CreateFolder,   // an empty folder
    MoveTree,       // moves a registry tree to a key that is free
    CreateKey,      // an empty registry key
    WriteValues,    // sets or deletes registry values
    SetSystemPath,  // the machine PATH, announced to every window
    Register,       // "regsvr32 /s" of one component
};

struct Step {
    StepKind kind = StepKind::Note;
    std::string description;  // what the step does, in the user's language
    std::string source;       // the folder, file or key moved; the folder or key created; the component
    std::string target;       // where it is moved to
    HKEY root = nullptr;      // of the keys moved or created
    std::vector<ValueChange> changes;
    std::string text;         // a note's log line
    RegValue path;            // the new machine PATH, as written: UTF-16 text
    bool logged = false;      // a folder move whose missing source, taken target or failure is logged
    bool mayFail = false;     // the switch goes on when this step fails
    bool lasting = false;     // stays when the switch is undone
    unsigned tag = 0;         // the part of the switch the step belongs to, for the planner's own use

    bool ChangesMachine() const { return kind != StepKind::Note; }
};

// A switch worked out in full before anything moves.
struct SwitchPlan {
    enum class Product { Suite, Codesys };
    Product product = Product::Suite;
    std::string fromName;  // the version that is live before the switch
    std::string toName;
    // The components of the version live before the switch: registered again when the switch is undone.
    std::vector<std::string> reregister;
    std::vector<Step> steps;

    // The descriptions of the steps that change the machine, in order: what the preview shows.
    std::vector<std::string> MachineStepDescriptions() const;
};

Step NoteStep(const std::string& line);
// `logged`: the move writes the activity log lines of a logged rename.
Step MoveFolderStep(const std::string& from, const std::string& to, bool logged = true);
Step MoveFileStep(const std::string& from, const std::string& to, bool required);
Step CreateFolderStep(const std::string& path);
Step MoveTreeStep(HKEY root, const std::string& from, const std::string& to);
Step CreateKeyStep(HKEY root, const std::string& key);
Step SetValueStep(HKEY root, const std::string& key, const std::string& name, RegValue value);
Step DeleteValueStep(HKEY root, const std::string& key, const std::string& name);
// Several values written as one step, shown as `description`.
Step WriteValuesStep(std::vector<ValueChange> changes, std::string description);
// `newPath`: the whole new PATH value; `added`: the folder the switch puts in front.
Step SetSystemPathStep(const RegValue& newPath, const std::string& added);
Step RegisterStep(const std::string& component);

// A catalogue save as steps: its log line, then for each place a step that writes the place's
// values, followed by the log lines of the indexes it removes there.
using CatalogueChanges = std::function<std::vector<ValueChange>(const CataloguePlace& place, std::vector<std::string>& removalLines)>;
std::vector<Step> CatalogueSaveSteps(const std::string& logLine, const std::vector<CataloguePlace>& places,
                                     const CatalogueChanges& changes);

// The kind as a script reads it: "moveFolder", "moveFile", "createFolder", "moveTree", "createKey",
// "writeValues", "setSystemPath", "register"; "note" for a note.
const char* StepKindName(StepKind kind);

// "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_USERS"; the full name of a key as a technician
// reads it, in the products' view.
const char* RootName(HKEY root);
std::string KeyName(HKEY root, const std::string& key);

}  // namespace flipdeck
