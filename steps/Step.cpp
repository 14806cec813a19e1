#include "steps/Step.h"

#include <cstdio>

#include "base/LocalizedString.h"

namespace flipdeck {

namespace {

Step Make(StepKind kind, std::string description)
{
    Step step;
    step.kind = kind;
    step.description = std::move(description);
    return step;
}

// A value as the preview shows it: text as text, a flag byte as its number, anything else as
// hexadecimal bytes.
std::string ShownValue(const RegValue& value)
{
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        return value.Text();
    if (value.type == REG_BINARY && value.data.size() == 1)
        return std::to_string(value.data[0]);
    std::string hex;
    char byte[4];
    for (BYTE b : value.data) {
        std::snprintf(byte, sizeof(byte), "%02X", b);
        hex += hex.empty() ? byte : std::string(" ") + byte;
    }
    return hex;
}

// A move of a folder, a file or a registry tree from `from` to `to`.
Step Moving(StepKind kind, std::string description, const std::string& from, const std::string& to)
{
    Step step = Make(kind, std::move(description));
    step.source = from;
    step.target = to;
    return step;
}

std::string ValueName(const ValueChange& change)
{
    return KeyName(change.root, change.key) + "\\" + change.name;
}

}  // namespace

std::vector<std::string> SwitchPlan::MachineStepDescriptions() const
{
    std::vector<std::string> descriptions;
    for (const Step& step : steps) {
        if (step.ChangesMachine())
            descriptions.push_back(step.description);
    }
    return descriptions;
}

Step NoteStep(const std::string& line)
{
    Step step = Make(StepKind::Note, std::string());
    step.text = line;
    return step;
}

Step MoveFolderStep(const std::string& from, const std::string& to, bool logged)
{
    Step step = Moving(StepKind::MoveFolder, FormatLocalized(IDS_STEP_MOVE_FOLDER, {from, to}), from, to);
    step.logged = logged;
    return step;
}

Step MoveFileStep(const std::string& from, const std::string& to, bool required)
{
    Step step = Moving(StepKind::MoveFile, FormatLocalized(IDS_STEP_MOVE_FILE, {from, to}), from, to);
    step.mayFail = !required;
    return step;
}

Step CreateFolderStep(const std::string& path)
{
    Step step = Make(StepKind::CreateFolder, FormatLocalized(IDS_STEP_CREATE_FOLDER, {path}));
    step.source = path;
    return step;
}

Step MoveTreeStep(HKEY root, const std::string& from, const std::string& to)
{
    Step step = Moving(StepKind::MoveTree, FormatLocalized(IDS_STEP_MOVE_TREE, {KeyName(root, from), KeyName(root, to)}), from, to);
    step.root = root;
    return step;
}

Step CreateKeyStep(HKEY root, const std::string& key)
{
    Step step = Make(StepKind::CreateKey, FormatLocalized(IDS_STEP_CREATE_KEY, {KeyName(root, key)}));
    step.root = root;
    step.source = key;
    return step;
}

Step SetValueStep(HKEY root, const std::string& key, const std::string& name, RegValue value)
{
    ValueChange change{root, key, name, std::move(value)};
    std::string description = FormatLocalized(IDS_STEP_SET_VALUE, {ValueName(change), ShownValue(*change.value)});
    return WriteValuesStep({std::move(change)}, std::move(description));
}

Step DeleteValueStep(HKEY root, const std::string& key, const std::string& name)
{
    ValueChange change{root, key, name, std::nullopt};
    std::string description = FormatLocalized(IDS_STEP_DELETE_VALUE, {ValueName(change)});
    return WriteValuesStep({std::move(change)}, std::move(description));
}

Step WriteValuesStep(std::vector<ValueChange> changes, std::string description)
{
    Step step = Make(StepKind::WriteValues, std::move(description));
    step.changes = std::move(changes);
    return step;
}

Step SetSystemPathStep(const RegValue& newPath, const std::string& added)
{
    Step step = Make(StepKind::SetSystemPath, FormatLocalized(IDS_STEP_SET_PATH, {added}));
    step.path = newPath;
    step.lasting = true;
    return step;
}

Step RegisterStep(const std::string& component)
{
    Step step = Make(StepKind::Register, FormatLocalized(IDS_STEP_REGISTER, {component}));
    step.source = component;
    step.mayFail = true;
    step.lasting = true;
    return step;
}

std::vector<Step> CatalogueSaveSteps(const std::string& logLine, const std::vector<CataloguePlace>& places,
                                     const CatalogueChanges& changes)
{
    std::vector<Step> steps = {NoteStep(logLine)};
    for (const CataloguePlace& place : places) {
        std::vector<std::string> removalLines;
        std::vector<ValueChange> values = changes(place, removalLines);
        steps.push_back(WriteValuesStep(std::move(values), FormatLocalized(IDS_STEP_SAVE_CATALOGUE, {KeyName(place.root, place.subKey)})));
        for (const std::string& line : removalLines)
            steps.push_back(NoteStep(line));
    }
    return steps;
}

const char* StepKindName(StepKind kind)
{
    switch (kind) {
    case StepKind::Note:
        break;
    case StepKind::MoveFolder:
        return "moveFolder";
    case StepKind::MoveFile:
        return "moveFile";
    case StepKind::CreateFolder:
        return "createFolder";
    case StepKind::MoveTree:
        return "moveTree";
    case StepKind::CreateKey:
        return "createKey";
    case StepKind::WriteValues:
        return "writeValues";
    case StepKind::SetSystemPath:
        return "setSystemPath";
    case StepKind::Register:
        return "register";
    }
    return "note";
}

const char* RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_USERS)
        return "HKEY_USERS";
    return "?";
}

std::string KeyName(HKEY root, const std::string& key) { return std::string(RootName(root)) + "\\" + key; }

}  // namespace flipdeck
