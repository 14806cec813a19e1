#include "suite/SuiteChange.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "steps/Environment.h"
#include "steps/History.h"
#include "steps/PlannedPaths.h"
#include "steps/RunningPrograms.h"
#include "steps/StepRunner.h"
#include "steps/Switching.h"
#include "suite/FolderExchange.h"
#include "suite/SuiteEnvironment.h"

namespace flipdeck {

namespace {

void OpenWithShell(const std::string& file)
{
    ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The one row the user chose, or -1 (after saying so when several are chosen).
int ChosenRow(const RunState& state, UserInterface& ui)
{
    const int row = SingleSelection(ui, ui.SelectedSuiteRows());
    return row < static_cast<int>(state.suiteEntries.size()) ? row : -1;
}

// The checks that come before the question about running programs: the chosen version has a
// program path, and every live folder can be filed under the version it holds.
std::optional<Refusal> CheckChoice(const RunState& state, int chosen, const std::string& current, std::vector<int>& parked)
{
    const SuiteVersionEntry& entry = state.suiteEntries[chosen];
    // Without a program path the version has nowhere to go.
    if (entry.programPath.empty())
        return Refusal::Logged(FormatLocalized(IDS_NO_PROGRAM_PATH, {entry.name}), MB_ICONINFORMATION | MB_OK);
    return FindVersionsToPark(state.suiteEntries, chosen, current, parked);
}

// The components of the version live now, registered again when the switch is undone.
std::vector<std::string> LiveComponents(const RunState& state, const std::string& current)
{
    std::vector<std::string> components;
    for (const SuiteVersionEntry& entry : state.suiteEntries) {
        if (!EqualsIgnoringCase(entry.name, current))
            continue;
        for (const std::string& component : SuiteComponents(entry)) {
            if (PathExists(component))
                components.push_back(component);
        }
        break;
    }
    return components;
}

Step MayFail(Step step)
{
    step.mayFail = true;
    return step;
}

// Every step of the change to `chosen`: the PATH, the folders, the installation values, the
// registrations, the catalogue. Nothing when the change cannot be made.
std::optional<Refusal> PlanChange(const RunState& state, int chosen, const std::string& current,
                                  const std::vector<int>& parked, bool autoStart, SwitchPlan& plan)
{
    const SuiteVersionEntry& entry = state.suiteEntries[chosen];
    plan = SwitchPlan();
    plan.product = SwitchPlan::Product::Suite;
    plan.fromName = current;
    plan.toName = entry.name;
    plan.reregister = LiveComponents(state, current);
    std::vector<Step>& steps = plan.steps;

    if (std::optional<Refusal> refusal = PlanPathUpdate(entry, steps))
        return refusal;
    PlannedPaths paths;
    if (std::optional<Refusal> refusal = PlanRenameVersions(state.suiteEntries, chosen, parked, paths, steps))
        return refusal;
    steps.push_back(NoteStep("RenameVersions SUCCESS."));

    for (const char* key : {kMeridanInstallKey, kKalvioInstallKey}) {
        if (ReadRegValue(HKEY_CURRENT_USER, key, "Path"))
            steps.push_back(MayFail(DeleteValueStep(HKEY_CURRENT_USER, key, "Path")));
    }
    steps.push_back(MayFail(SetValueStep(HKEY_LOCAL_MACHINE, entry.edition == 1 ? kMeridanInstallKey : kKalvioInstallKey,
                                         "Path", TextValue(entry.programPath))));
    for (const std::string& component : SuiteComponents(entry)) {
        if (paths.Exists(component))
            steps.push_back(RegisterStep(component));
    }
    steps.push_back(MayFail(SetValueStep(HKEY_CURRENT_USER, kSuiteCatalogueKey, "AutoStart", ByteValue(autoStart ? 1 : 0))));
    steps.push_back(NoteStep("AutoStart: " + std::to_string(autoStart ? 1 : 0)));
    if (entry.edition == 0)
        steps.push_back(MayFail(SetValueStep(HKEY_CURRENT_USER, "Software\\brivane\\Kalvio", "Version", TextValue(entry.version))));
    steps.push_back(MayFail(SetValueStep(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", TextValue(entry.name))));
    if (ReadRegText(HKEY_CURRENT_USER, kMeridanCatalogueKey, "CurrentVersionName"))
        steps.push_back(MayFail(SetValueStep(HKEY_CURRENT_USER, kMeridanCatalogueKey, "CurrentVersionName", TextValue(entry.name))));
    steps.push_back(NoteStep("CurrentVersionName: " + entry.name));
    for (Step& step : CatalogueSaveSteps("SaveAllKalvio", SuiteCataloguePlaces(state),
                                         [&](const CataloguePlace& place, std::vector<std::string>& removalLines) {
                                             return SuiteCatalogueChanges(state, autoStart, entry.name, place, removalLines);
                                         }))
        steps.push_back(MayFail(std::move(step)));
    return std::nullopt;
}

// What the user hears once the change is done: the components not registered, then the start of
// the new version (where a program may be started) or the success message.
void Finish(const SuiteVersionEntry& entry, const SwitchPlan& plan, const RunOutcome& run, UserInterface& ui)
{
    std::string unregistered;
    for (size_t index : run.passedOver) {
        if (plan.steps[index].kind == StepKind::Register)
            unregistered += "\t" + plan.steps[index].source + "\n";
    }
    if (!unregistered.empty())
        ui.ShowMessage(FormatLocalized(IDS_COMPONENTS_NOT_REGISTERED, {unregistered}), MB_ICONWARNING | MB_OK);
    if (ui.AutoStartChecked() && ui.MayStartPrograms()) {
        const std::string workbench = WorkbenchFile(entry);
        if (PathExists(workbench))
            OpenWithShell(workbench);
        else
            ui.ShowMessage(FormatLocalized(IDS_FILE_NOT_FOUND, {workbench}), MB_OK);
    } else if (unregistered.empty()) {
        ui.ShowMessage(LoadLocalizedString(IDS_CHANGE_SUCCESS), MB_ICONINFORMATION | MB_OK);
    }
}

ChangeOutcome ChangeSuite(RunState& state, UserInterface& ui, HistoryRecord& record)
{
    state.suiteDirty = true;
    const int chosen = ChosenRow(state, ui);
    if (chosen < 0)
        return ChangeOutcome::NothingChosen;
    // The current entry index keeps naming the live version until the change has succeeded.
    const SuiteVersionEntry entry = state.suiteEntries[chosen];
    const std::string current = GetCurrentVersionName();
    record.from = current;
    record.to = entry.name;
    if (RefuseActive(current, entry.name, ui))
        return ChangeOutcome::AlreadyActive;
    std::vector<int> parked;
    if (const std::optional<Refusal> refusal = CheckChoice(state, chosen, current, parked)) {
        Refuse(*refusal, ui, true);
        return ChangeOutcome::Refused;
    }
    if (RefuseWhileJournalWaits(ui))
        return ChangeOutcome::NeedsHand;
    if (!CheckRunningPrograms(state.suiteEntries, chosen, ui))
        return ChangeOutcome::ProgramsRunning;

    WriteLog(std::string(66, '*'));
    WriteLog("OnChange CurrentVersionName: " + current + " NewName: " + entry.name);
    SwitchPlan plan;
    if (const std::optional<Refusal> refusal = PlanChange(state, chosen, current, parked, ui.AutoStartChecked(), plan)) {
        Refuse(*refusal, ui, true);
        return ChangeOutcome::Refused;
    }
    const std::optional<RunOutcome> run = RunPlan(plan, ui);
    if (!run)
        return ChangeOutcome::Refused;
    record.steps = StepsMade(plan, *run);
    if (!run->Done()) {
        // The journal, the PATH write or a folder move stops a change; all of it is undone.
        const Step& failed = plan.steps[run->failed];
        const bool pathFailed = !run->journalFailed && failed.kind == StepKind::SetSystemPath;
        std::string message;
        if (run->journalFailed)
            message = JournalFailureMessage(*run);
        else if (pathFailed)
            message = FormatLocalized(IDS_SYSTEM_PATH_NOT_WRITTEN, {kEnvironmentKey, SystemErrorText(run->error)});
        else
            message = FormatLocalized(IDS_RENAME_DIR_FAILED, {failed.source, failed.target});
        WriteLog(message);
        ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
        if (!run->journalFailed && !pathFailed)
            WriteLog("RenameVersions FAILED.");
        if (run->result == RunOutcome::Result::Mixed) {
            TellStranded(plan, *run, ui);
            return ChangeOutcome::NeedsHand;
        }
        return ChangeOutcome::RolledBack;
    }
    state.currentSuiteIndex = chosen;
    state.suiteDirty = false;
    Finish(entry, plan, *run, ui);
    return ChangeOutcome::Done;
}

}  // namespace

ChangeOutcome SwitchSuite(RunState& state, UserInterface& ui)
{
    return RecordSwitch("suite", [&](HistoryRecord& record) { return ChangeSuite(state, ui, record); });
}

ChangeOutcome PreviewSuiteSwitch(const RunState& state, UserInterface& ui)
{
    const int chosen = ChosenRow(state, ui);
    if (chosen < 0)
        return ChangeOutcome::NothingChosen;
    const std::string current = GetCurrentVersionName();
    if (RefuseActive(current, state.suiteEntries[chosen].name, ui))
        return ChangeOutcome::AlreadyActive;
    std::vector<int> parked;
    SwitchPlan plan;
    std::optional<Refusal> refusal = CheckChoice(state, chosen, current, parked);
    if (!refusal)
        refusal = PlanChange(state, chosen, current, parked, ui.AutoStartChecked(), plan);
    if (refusal) {
        Refuse(*refusal, ui, false);
        return ChangeOutcome::Refused;
    }
    ShowPreview(plan, std::string(), ui);
    return ChangeOutcome::Done;
}

bool StartActiveVersion(const RunState& state, UserInterface& ui)
{
    const std::string current = GetCurrentVersionName();
    for (const SuiteVersionEntry& entry : state.suiteEntries) {
        if (!EqualsIgnoringCase(entry.name, current))
            continue;
        const std::string workbench = WorkbenchFile(entry);
        if (PathExists(workbench)) {
            OpenWithShell(workbench);
            return true;
        }
        ui.ShowMessage(FormatLocalized(IDS_FILE_NOT_FOUND, {workbench}), MB_OK);
        ui.ShowMessage(FormatLocalized(IDS_START_ACTIVE_FAILED, {workbench}), MB_OK);
        return false;
    }
    ui.ShowMessage(FormatLocalized(IDS_START_ACTIVE_FAILED, {""}), MB_OK);
    return false;
}

}  // namespace flipdeck
