#include "codesys/CodesysChange.h"

#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "codesys/GatewayFiles.h"
#include "codesys/RegistryTransfer.h"
#include "steps/Environment.h"
#include "steps/History.h"
#include "steps/PlannedPaths.h"
#include "steps/RunningPrograms.h"
#include "steps/StepRunner.h"
#include "steps/Switching.h"

namespace flipdeck {

namespace {

const std::string kAsterisks(66, '*');

// The parts of a change, by which a failed step is told to the user.
enum Part : unsigned { kPreparing, kParking, kInstalling, kGatewayFiles, kTrees, kRecording };

// What a change works with, fixed before the first attempt and kept across retries.
struct ChangeContext {
    CodesysVersionEntry next;  // the chosen row
    bool installNew = false;   // the chosen row is the neutral entry
    bool newSubDirs = false;
    std::string currentName;
    bool currentNeutral = false;
    // Empty when no entry has the current name; for the first save, the installation's version and
    // the name its entry will have.
    CodesysVersionEntry current;
    bool currentSubDirs = false;  // the neutral entry counts as a sub-folder version: its root stays live
    // What names the parked registry trees and gateway backup folders of the two versions.
    std::string currentParking;
    std::string nextParking;

    bool FirstSave() const { return !currentNeutral && currentName.empty(); }
};

// Where the folders of a change are: the root folder, the live component folders (main, ENI,
// OPC, PLCWinNT), the current version's park paths for them and the new-versions path.
struct Places {
    std::string root;
    std::array<std::string, 4> live;
    std::array<std::string, 4> park;
    std::string newVersions;
};

// A change worked out in full: its steps, the notice of a first save, and the entry a first save adds.
struct PlannedChange {
    SwitchPlan plan;
    Places places;
    std::string notice;
    std::optional<CodesysVersionEntry> added;

    void Add(Step step, Part part)
    {
        step.tag = part;
        plan.steps.push_back(std::move(step));
    }
    void Note(const std::string& line) { plan.steps.push_back(NoteStep(line)); }
    void MoveFolder(PlannedPaths& paths, const std::string& from, const std::string& to, Part part)
    {
        Add(MoveFolderStep(from, to), part);
        paths.Move(from, to);
    }
};

// Reads the chosen row and the current version (the first catalogue entry of that name).
ChangeContext ReadContext(const RunState& state, int row)
{
    const std::string neutral = NeutralCodesysName();
    ChangeContext c;
    if (row == 0)
        c.next.name = neutral;
    else
        c.next = state.codesysEntries[row - 1];
    c.installNew = c.next.name == neutral;
    c.newSubDirs = !c.installNew && c.next.renameSubDir != 0;
    c.currentName = GetCurrentCodesysName();
    c.currentNeutral = c.currentName == neutral;
    c.currentSubDirs = c.currentNeutral;
    if (!c.currentNeutral) {
        for (const CodesysVersionEntry& entry : state.codesysEntries) {
            if (EqualsIgnoringCase(entry.name, c.currentName)) {
                c.current = entry;
                c.currentSubDirs = entry.renameSubDir != 0;
                break;
            }
        }
    }
    // The first save knows no entry: the installation's own version and a name no entry has name
    // what it parks, and become its entry once the change is done. Without a version the parked
    // names would end in a blank, which no folder name keeps.
    if (c.FirstSave()) {
        const std::string main = ReadUserMachineText(kCodesysSetupKey, "Targetdir_CODESYS").value_or("");
        c.current.version = InstalledCodesysVersion(main);
        c.current.name = UnusedCodesysName(state.codesysEntries, c.current.version);
    }
    c.currentParking = ParkingVersion(c.current);
    c.nextParking = ParkingVersion(c.next);
    return c;
}

// Why the current and the new version's places are not free; empty when they are. A root folder
// left at the new-versions path while its own place is free goes back there as the change's first step.
std::string CheckPlaces(const ChangeContext& c, PlannedChange& planned, PlannedPaths& paths)
{
    const std::string& newVersions = planned.places.newVersions;
    auto refusal = [](unsigned id, const std::string& detail) { return LoadLocalizedString(id) + "\n" + detail; };
    if (!c.currentNeutral) {
        if (!c.currentName.empty() && PathExists(c.current.renamePath))
            return refusal(IDS_CURRENT_RENAME_PATH_IN_USE, c.current.renamePath);
        // Another entry is parked under the same names: parking would mix the two versions' trees.
        const std::string parkedTree = ParkedMachineTree(c.currentParking);
        if (KeyExists(HKEY_LOCAL_MACHINE, parkedTree))
            return refusal(IDS_CURRENT_RENAME_PATH_IN_USE, "HKEY_LOCAL_MACHINE\\" + parkedTree);
    }
    if (c.installNew)
        return std::string();
    if (!c.currentSubDirs && c.newSubDirs) {
        const std::string parked = ParkedMainFolder(c.next, c.currentSubDirs, newVersions);
        return PathExists(parked) ? std::string() : refusal(IDS_NEW_VERSION_NOT_FOUND, parked);
    }
    if (!PathExists(c.next.renamePath)) {
        const size_t marker = newVersions.find(" NewVersions");
        if (marker != std::string::npos && PathExists(newVersions) && !PathExists(newVersions.substr(0, marker))) {
            planned.Add(MoveFolderStep(newVersions, newVersions.substr(0, marker), false), kPreparing);
            paths.Move(newVersions, newVersions.substr(0, marker));
        }
    }
    return paths.Exists(c.next.renamePath) ? std::string() : refusal(IDS_NEW_VERSION_NOT_FOUND, c.next.renamePath);
}

// Parks the current version's folders (and, for a whole-folder version coming in, the root folder
// of the sub-folder layout at the new-versions path).
void PlanParking(const ChangeContext& c, PlannedChange& planned, PlannedPaths& paths)
{
    const Places& places = planned.places;
    if (!c.currentSubDirs) {
        planned.Note("Try to rename the main directory!");
        planned.MoveFolder(paths, places.root, places.park[0], kParking);
        planned.Note("Rename the main directory SUCCESS!!!");
        return;
    }
    planned.Note("Try to rename subdirectories!");
    planned.MoveFolder(paths, places.live[0], places.park[0], kParking);
    for (size_t i = 1; i < places.live.size(); ++i) {
        if (paths.Exists(places.live[i]))
            planned.MoveFolder(paths, places.live[i], places.park[i], kParking);
    }
    if (!c.installNew && !c.newSubDirs)
        planned.MoveFolder(paths, places.root, places.newVersions, kParking);
    planned.Note("Renaming the subdirectories SUCCESS!!!");
}

// Brings the chosen version's folders into the live places; for the neutral entry only the root
// folder of the sub-folder layout, ready for a further installation.
void PlanInstalling(const ChangeContext& c, PlannedChange& planned, PlannedPaths& paths)
{
    const Places& places = planned.places;
    if (!c.installNew && !c.newSubDirs) {
        if (paths.Exists(places.root))
            planned.MoveFolder(paths, places.root, places.newVersions, kInstalling);
        planned.MoveFolder(paths, c.next.renamePath, places.root, kInstalling);
        return;
    }
    if (!c.currentSubDirs) {
        planned.Note("rename " + places.newVersions + " TO " + places.root);
        if (!c.installNew || paths.Exists(places.newVersions))
            planned.MoveFolder(paths, places.newVersions, places.root, kInstalling);
    }
    if (c.installNew)
        return;
    for (size_t i = 0; i < places.live.size(); ++i) {
        const std::string& parked = c.next.*kCodesysComponents[i].parkPath;
        planned.Note("rename " + parked + " TO " + places.live[i]);
        if (i == 0 || paths.Exists(parked))
            planned.MoveFolder(paths, parked, places.live[i], kInstalling);
    }
}

// Works out every step of the change; why it must not start (nothing is planned then).
std::optional<Refusal> PlanChange(const ChangeContext& c, const RunState& state, PlannedChange& planned)
{
    planned = PlannedChange();
    planned.plan.product = SwitchPlan::Product::Codesys;
    planned.plan.fromName = c.currentName;
    planned.plan.toName = c.next.name;
    Places& places = planned.places;
    places.newVersions = state.newVersionsPath;
    PlannedPaths paths;
    if (std::string refusal = CheckPlaces(c, planned, paths); !refusal.empty())
        return Refusal::Logged(refusal);

    // While no catalogued version is live, the live setup information belongs to none: the new
    // version's parked copy says where its folders go.
    const std::string setupKey = c.currentNeutral ? ParkedSetupKey(c.nextParking) : std::string(kCodesysSetupKey);
    places.root = ReadUserMachineText(setupKey, "Targetdir").value_or("");
    if (c.currentSubDirs || c.newSubDirs) {
        for (size_t i = 0; i < places.live.size(); ++i)
            places.live[i] = ReadUserMachineText(setupKey, kCodesysComponents[i].setupValue).value_or("");
    }
    const std::string system = ProductSystemDirectory();
    const std::string currentBackup = GatewayBackupFolder(system, c.currentParking);
    const std::string outgoing = currentBackup + "\\";
    const std::string incoming = GatewayBackupFolder(system, c.nextParking) + "\\";
    if (!c.currentNeutral && (places.root.empty() || (c.FirstSave() && c.current.version.empty())))
        return Refusal::Logged(LoadLocalizedString(IDS_NO_CODESYS_INSTALLATION));
    if (c.FirstSave()) {
        // Moved with the root folder, another version's parked folder would be filed under the
        // installation's name, out of its own entry's reach.
        const std::string inside = ParkedFolderInside(state.codesysEntries, places.root);
        if (!inside.empty())
            return Refusal::Logged(FormatLocalized(IDS_FIRST_SAVE_HOLDS_PARKED, {inside}));
    }
    const std::string inTheWay =
        GatewayFileInTheWay(system, c.currentNeutral ? nullptr : &outgoing, c.installNew ? nullptr : &incoming);
    if (!inTheWay.empty())
        return Refusal::Logged(FormatLocalized(IDS_GATEWAY_FILE_IN_THE_WAY, {inTheWay}));
    if (!places.root.empty() && !c.currentNeutral && !PathExists(currentBackup))
        planned.Add(CreateFolderStep(currentBackup), kPreparing);

    if (c.FirstSave()) {
        // The first save knows no entry: the whole installation goes to a numbered folder beside it.
        std::string candidate;
        for (int n = 1; n <= 20; ++n) {
            candidate = places.root + std::to_string(n);
            if (!PathExists(candidate))
                break;
        }
        places.park.fill(candidate);
        planned.notice = FormatLocalized(IDS_FIRST_SAVE, {candidate});
        CodesysVersionEntry parked = c.current;
        parked.renamePath = candidate;
        planned.added = std::move(parked);
    } else {
        for (size_t i = 0; i < places.park.size(); ++i)
            places.park[i] = c.current.*kCodesysComponents[i].parkPath;
    }

    if (!c.currentNeutral)
        PlanParking(c, planned, paths);
    PlanInstalling(c, planned, paths);
    if (!c.currentNeutral) {
        for (Step& step : GatewayFileMoves(system, outgoing))
            planned.Add(std::move(step), kGatewayFiles);
    }
    if (!c.installNew) {
        for (Step& step : GatewayFileMoves(incoming, system))
            planned.Add(std::move(step), kGatewayFiles);
    }
    for (Step& step : TreeTransferSteps(c.currentNeutral ? nullptr : &c.currentParking, c.installNew ? nullptr : &c.nextParking))
        planned.Add(std::move(step), kTrees);

    if (planned.added) {
        // What the first save parked becomes an entry of its own, so that it can be brought back.
        std::vector<CodesysVersionEntry> entries = state.codesysEntries;
        entries.push_back(*planned.added);
        for (Step& step : CatalogueSaveSteps("SaveAllCs", CodesysCataloguePlaces(state),
                                             [&](const CataloguePlace& place, std::vector<std::string>& removalLines) {
                                                 return CodesysCatalogueChanges(entries, place, removalLines);
                                             })) {
            step.mayFail = true;
            planned.Add(std::move(step), kRecording);
        }
    }
    planned.Note("OnChangeCS SUCCESS, CurrentVersionName: " + c.next.name);
    Step current = SetValueStep(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName", TextValue(c.next.name));
    current.mayFail = true;
    planned.Add(std::move(current), kRecording);
    return std::nullopt;
}

// What the user is told of the step that stopped the change.
std::string FailureText(const Step& step)
{
    const std::string renaming = "\n\nRenaming failed:\n" + step.source + "\n" + step.target;
    switch (step.tag) {
    case kParking:
        return LoadLocalizedString(IDS_PARK_CURRENT_FAILED) + renaming;
    case kInstalling:
        return LoadLocalizedString(IDS_INSTALL_NEW_FAILED) + renaming;
    case kGatewayFiles:
        return FormatLocalized(IDS_FILE_COPY_FAILED, {step.source.substr(step.source.find_last_of('\\') + 1)});
    case kTrees:
        return FormatLocalized(IDS_REGISTRY_RENAME_FAILED, {BlockingTreeName(step)});
    default:
        return step.kind == StepKind::CreateFolder ? FormatLocalized(IDS_GATEWAY_BACKUP_DIR_FAILED, {step.source})
                                                   : LoadLocalizedString(IDS_PARK_CURRENT_FAILED) + renaming;
    }
}

bool NoCodesysRunning(const RunState& state, UserInterface& ui)
{
    // Where CoDeSys' programs lie: the live installation and every catalogued version's parked folders.
    std::vector<std::string> folders{ReadUserMachineText(kCodesysSetupKey, "Targetdir").value_or(""), state.newVersionsPath};
    for (const CodesysComponent& component : kCodesysComponents) {
        folders.push_back(ReadUserMachineText(kCodesysSetupKey, component.setupValue).value_or(""));
        for (const CodesysVersionEntry& entry : state.codesysEntries)
            folders.push_back(entry.*component.parkPath);
    }
    return ConfirmNoneRunning(ui, [&] {
        FoundPrograms found;
        if (seams::FindTopLevelWindow("CoDeSys_Frame", nullptr))
            found.lines += "\t" + LoadLocalizedString(IDS_TOOL_CODESYS) + "\n";
        if (IsProcessRunning("gateway.exe", &found.processesChecked))
            found.lines += "\t" + LoadLocalizedString(IDS_TOOL_CODESYS_GATEWAY) + "\n";
        const FoundPrograms unseen = ProgramsInUnseenSessions(folders);
        found.lines += unseen.lines;
        found.processesChecked = found.processesChecked && unseen.processesChecked;
        return found;
    });
}

// One attempt, from the plan to the success message; nullopt when the user may try again.
std::optional<ChangeOutcome> Attempt(const ChangeContext& c, RunState& state, UserInterface& ui, HistoryRecord& record)
{
    PlannedChange planned;
    if (const std::optional<Refusal> refusal = PlanChange(c, state, planned)) {
        Refuse(*refusal, ui, true);
        return ChangeOutcome::Refused;
    }
    if (!planned.notice.empty()) {
        ui.ShowMessage(planned.notice, MB_ICONINFORMATION | MB_OK);
        WriteLog(planned.notice);
    }
    const SwitchPlan& plan = planned.plan;
    std::string failure;
    const std::optional<RunOutcome> ran = RunPlan(plan, ui, [&](const RunOutcome& stopped) {
        const Step& step = plan.steps[stopped.failed];
        failure = stopped.journalFailed ? JournalFailureMessage(stopped) : FailureText(step);
        WriteLog(failure);
        // A logged folder move has given its reason already.
        if (!stopped.journalFailed && !step.logged && stopped.error != ERROR_SUCCESS)
            WriteLog(SystemErrorText(stopped.error));
    });
    if (!ran)
        return ChangeOutcome::Refused;
    const RunOutcome& run = *ran;
    record.steps += StepsMade(plan, run);
    if (run.Done()) {
        if (planned.added) {
            state.codesysEntries.push_back(*planned.added);
            ui.ShowCodesysList(state.codesysEntries);
        }
        state.currentCodesysName = c.next.name;
        ui.SetField(kCodesysNameField, c.next.name);
        ui.SetField(kCodesysRenamePathField, c.next.renamePath);
        ui.ShowMessage(LoadLocalizedString(IDS_CHANGE_SUCCESS), MB_ICONINFORMATION | MB_OK);
        WriteLog(kAsterisks);
        return ChangeOutcome::Done;
    }

    ui.ShowMessage(failure, MB_ICONWARNING | MB_OK);
    const bool mixed = run.result == RunOutcome::Result::Mixed;
    switch (plan.steps[run.failed].tag) {
    case kPreparing:
        if (!mixed)
            return ChangeOutcome::Refused;
        break;
    case kParking:
    case kInstalling:
        if (!mixed)
            return std::nullopt;
        // A folder that did not go back would stand in the way of another attempt.
        if (plan.steps[run.failed].tag == kInstalling)
            ui.ShowMessage(LoadLocalizedString(IDS_RESTORE_OLD_FAILED), MB_ICONWARNING | MB_OK);
        else
            TellStranded(plan, run, ui);
        return ChangeOutcome::NeedsHand;
    default:
        break;
    }
    if (mixed)
        TellStranded(plan, run, ui);
    WriteLog("OnChangeCS FAILED: " + c.next.name);
    WriteLog(kAsterisks);
    return mixed ? ChangeOutcome::NeedsHand : ChangeOutcome::RolledBack;
}

// The one row the user chose, or -1 (after saying so when several are chosen).
int ChosenRow(const RunState& state, UserInterface& ui)
{
    if (ui.SelectedCodesysRows().size() > 1) {
        ui.ShowMessage(LoadLocalizedString(IDS_SELECT_ONE_ONLY), MB_ICONINFORMATION | MB_OK);
        return -1;
    }
    const int row = ui.FocusedCodesysRow();
    return row >= 0 && row <= static_cast<int>(state.codesysEntries.size()) ? row : -1;
}

}  // namespace

std::string ParkedMainFolder(const CodesysVersionEntry& entry, bool currentSubDirs, const std::string& newVersionsPath)
{
    if (currentSubDirs || entry.renameSubDir == 0)
        return entry.renamePath;
    // The root folder with the parked component folders waits at the new-versions path.
    const size_t slash = entry.renamePath.find_last_of('\\');
    return newVersionsPath + (slash == std::string::npos ? entry.renamePath : entry.renamePath.substr(slash));
}

namespace {

ChangeOutcome ChangeCodesys(RunState& state, UserInterface& ui, HistoryRecord& record)
{
    const int row = ChosenRow(state, ui);
    if (row < 0)
        return ChangeOutcome::NothingChosen;
    state.codesysDirty = true;
    SaveCodesysCatalogue(state);

    const ChangeContext c = ReadContext(state, row);
    record.from = c.currentName;
    record.to = c.next.name;
    if (RefuseActive(c.currentName, c.next.name, ui))
        return ChangeOutcome::AlreadyActive;
    if (RefuseWhileJournalWaits(ui))
        return ChangeOutcome::NeedsHand;
    WriteLog(kAsterisks);
    WriteLog("OnChangeCS RenameSubDirs: " + std::to_string(c.newSubDirs) + " InstallNew: " + std::to_string(c.installNew) +
             " CurrentVersionName: " + c.currentName + " NewName: " + c.next.name);
    WriteLog("bRenameSubDirsCurrent: " + std::to_string(c.currentSubDirs) +
             " bRenameSubDirsNew: " + std::to_string(c.newSubDirs) + " ");

    const std::string warning = LoadLocalizedString(IDS_SWITCH_WARNING) + LoadLocalizedString(IDS_SWITCH_WARNING_RESTART);
    for (;;) {
        if (!NoCodesysRunning(state, ui))
            return ChangeOutcome::ProgramsRunning;
        if (std::optional<ChangeOutcome> outcome = Attempt(c, state, ui, record))
            return *outcome;
        if (ui.ShowMessage(warning, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            return ChangeOutcome::RolledBack;
    }
}

}  // namespace

ChangeOutcome SwitchCodesys(RunState& state, UserInterface& ui)
{
    return RecordSwitch("codesys", [&](HistoryRecord& record) { return ChangeCodesys(state, ui, record); });
}

ChangeOutcome PreviewCodesysSwitch(const RunState& state, UserInterface& ui)
{
    const int row = ChosenRow(state, ui);
    if (row < 0)
        return ChangeOutcome::NothingChosen;
    const ChangeContext c = ReadContext(state, row);
    if (RefuseActive(c.currentName, c.next.name, ui))
        return ChangeOutcome::AlreadyActive;
    PlannedChange planned;
    if (const std::optional<Refusal> refusal = PlanChange(c, state, planned)) {
        Refuse(*refusal, ui, false);
        return ChangeOutcome::Refused;
    }
    ShowPreview(planned.plan, planned.notice, ui);
    return ChangeOutcome::Done;
}

}  // namespace flipdeck
