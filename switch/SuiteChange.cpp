#include "switch/SuiteChange.h"

#include <windows.h>
#include <shellapi.h>

#include "app/ActivityLog.h"
#include "app/LocalizedString.h"
#include "catalogue/Naming.h"
#include "catalogue/Registry.h"
#include "catalogue/SuiteCatalogue.h"
#include "switch/Environment.h"
#include "switch/FolderRename.h"
#include "switch/RunningPrograms.h"

namespace flipdeck {

namespace {

void OpenWithShell(const std::string& file)
{
    ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

bool OnChange(RunState& state, UserInterface& ui)
{
    state.suiteDirty = true;
    const std::vector<int> selected = ui.SelectedSuiteRows();
    if (selected.size() > 1) {
        ui.ShowMessage(LoadLocalizedString(IDS_SELECT_ONE_ONLY), MB_ICONINFORMATION | MB_OK);
        return false;
    }
    if (selected.empty() || selected[0] < 0 || selected[0] >= static_cast<int>(state.suiteEntries.size()))
        return false;
    // The current entry index keeps naming the live version until the change has succeeded.
    const int chosen = selected[0];
    const SuiteVersionEntry entry = state.suiteEntries[chosen];
    const std::string current = GetCurrentVersionName();
    if (_stricmp(entry.name.c_str(), current.c_str()) == 0) {
        ui.ShowMessage(LoadLocalizedString(IDS_ALREADY_ACTIVE), MB_ICONINFORMATION | MB_OK);
        return false;
    }
    // Without a program path the version has nowhere to go: refuse before anything changes.
    if (entry.programPath.empty()) {
        const std::string message = FormatLocalized(IDS_NO_PROGRAM_PATH, {entry.name});
        WriteLog(message);
        ui.ShowMessage(message, MB_ICONINFORMATION | MB_OK);
        return false;
    }
    std::vector<int> parked;
    if (!FindVersionsToPark(state.suiteEntries, chosen, current, parked, ui))
        return false;
    if (!CheckRunningPrograms(state.suiteEntries, chosen, ui))
        return false;

    WriteLog(std::string(66, '*'));
    WriteLog("OnChange CurrentVersionName: " + current + " NewName: " + entry.name);
    if (!UpdatePathVariable(state.suiteEntries, chosen, ui))
        return false;
    if (!RenameVersions(state.suiteEntries, chosen, parked, ui)) {
        WriteLog("RenameVersions FAILED.");
        return false;
    }
    WriteLog("RenameVersions SUCCESS.");
    state.currentSuiteIndex = chosen;

    DeleteRegValue(HKEY_CURRENT_USER, kMeridanInstallKey, "Path");
    DeleteRegValue(HKEY_CURRENT_USER, kKalvioInstallKey, "Path");
    WriteRegString(HKEY_LOCAL_MACHINE, entry.edition == 1 ? kMeridanInstallKey : kKalvioInstallKey, "Path",
                   entry.programPath);
    const std::vector<std::string> unregistered = RegisterSuiteComponents(entry);

    const bool autoStart = ui.AutoStartChecked();
    WriteRegByte(HKEY_CURRENT_USER, kSuiteCatalogueKey, "AutoStart", autoStart ? 1 : 0);
    WriteLog("AutoStart: " + std::to_string(autoStart ? 1 : 0));
    if (entry.edition == 0)
        WriteRegString(HKEY_CURRENT_USER, "Software\\brivane\\Kalvio", "Version", entry.version);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", entry.name);
    if (ReadRegText(HKEY_CURRENT_USER, kMeridanCatalogueKey, "CurrentVersionName"))
        WriteRegString(HKEY_CURRENT_USER, kMeridanCatalogueKey, "CurrentVersionName", entry.name);
    WriteLog("CurrentVersionName: " + entry.name);
    SaveAllKalvio(state, autoStart);
    state.suiteDirty = false;

    // Named once, after the switch is done, so that no question interrupts the list.
    if (!unregistered.empty()) {
        std::string list;
        for (const std::string& component : unregistered)
            list += "\t" + component + "\n";
        ui.ShowMessage(FormatLocalized(IDS_COMPONENTS_NOT_REGISTERED, {list}), MB_ICONWARNING | MB_OK);
    }
    if (autoStart) {
        const std::string workbench = WorkbenchFile(entry);
        if (PathExists(workbench))
            OpenWithShell(workbench);
        else
            ui.ShowMessage(FormatLocalized(IDS_FILE_NOT_FOUND, {workbench}), MB_OK);
    } else if (unregistered.empty()) {
        ui.ShowMessage(LoadLocalizedString(IDS_CHANGE_SUCCESS), MB_ICONINFORMATION | MB_OK);
    }
    return true;
}

bool StartActiveVersion(const RunState& state, UserInterface& ui)
{
    const std::string current = GetCurrentVersionName();
    for (const SuiteVersionEntry& entry : state.suiteEntries) {
        if (_stricmp(entry.name.c_str(), current.c_str()) != 0)
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
