#include "suite/SuiteList.h"

#include <utility>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "steps/History.h"

namespace flipdeck {

namespace {

void Inform(UserInterface& ui, unsigned id) { ui.ShowMessage(LoadLocalizedString(id), MB_ICONINFORMATION | MB_OK); }

// Exchanges rows `row` and `other` of the list and the entries behind them; selection and the
// current entry index follow.
void Exchange(RunState& state, UserInterface& ui, int row, int other)
{
    RecordCatalogueChange("suite", "move", state.suiteEntries[row].name, state.suiteEntries[other].name);
    std::swap(state.suiteEntries[row], state.suiteEntries[other]);
    if (state.currentSuiteIndex == row)
        state.currentSuiteIndex = other;
    else if (state.currentSuiteIndex == other)
        state.currentSuiteIndex = row;
    ui.ShowSuiteList(state.suiteEntries);
    ui.SelectSuiteRow(other);
    state.suiteDirty = true;
}

}  // namespace

void AddSuiteEntry(RunState& state, UserInterface& ui)
{
    state.suiteDirty = true;
    std::string folder;
    if (!ui.PickFolder(folder))
        return;
    SuiteVersionEntry entry;
    const std::string install = DeriveInstallationPath(folder, state.kalvioInstallPath, state.meridanInstallPath);
    // A folder with a longer name than its installation path is a parked copy of a version.
    if (folder.size() > install.size()) {
        entry.programPath = install;
        entry.renamePath = folder;
    } else {
        entry.programPath = folder;
    }
    if (PathExists(folder + "\\program\\workbench.exe")) {
        entry.edition = 1;
        entry.version = GetProductVersionText(folder + "\\program\\workbench.exe");
        entry.name = "MDN " + entry.version;
    } else if (PathExists(folder + "\\Kalvio\\workbench.exe")) {
        entry.edition = 0;
        entry.version = GetProductVersionText(folder + "\\kalvio\\workbench.exe");
        entry.name = "Kalvio " + entry.version;
    } else {
        Inform(ui, IDS_NO_KALVIO_INSTALLATION);
        return;
    }
    // A listed version's live folder would be moved away while PATH and the current version
    // still name it, and a second entry of one name would leave switches unsure which is meant.
    const int live = FindLiveVersion(state.suiteEntries, folder, GetCurrentVersionName());
    if (live >= 0) {
        ui.ShowMessage(FormatLocalized(IDS_FOLDER_IS_LIVE_VERSION, {folder, state.suiteEntries[live].name}),
                       MB_ICONINFORMATION | MB_OK);
        return;
    }
    for (const SuiteVersionEntry& known : state.suiteEntries) {
        if (EqualsIgnoringCase(known.name, entry.name)) {
            ui.ShowMessage(FormatLocalized(IDS_NAME_EXISTS, {entry.name}), MB_ICONINFORMATION | MB_OK);
            return;
        }
    }
    if (entry.renamePath.empty())
        entry.renamePath = ProposeRenamePath(entry);
    if (ui.ShowMessage(FormatLocalized(IDS_CONFIRM_ADD_VERSION, {entry.name, entry.programPath}),
                       MB_ICONQUESTION | MB_YESNO) == IDYES &&
        AddSuiteVersion(state, ui, entry))
        RecordCatalogueChange("suite", "new", std::string(), entry.name);
}

void DeleteSuiteEntry(RunState& state, UserInterface& ui)
{
    // The selected row's own entry goes: not the focused row, not another entry of that name.
    const int row = SingleSelection(ui, ui.SelectedSuiteRows());
    if (row < 0 || row >= static_cast<int>(state.suiteEntries.size()))
        return;
    const std::string name = state.suiteEntries[row].name;
    const int current = state.currentSuiteIndex;
    if (current >= 0 && current < static_cast<int>(state.suiteEntries.size()) &&
        EqualsIgnoringCase(name, state.suiteEntries[current].name)) {
        Inform(ui, IDS_CANNOT_DELETE_ACTIVE);
        return;
    }
    WriteLog("OnDelete");
    WriteLog("Deleted: " + name);
    RecordCatalogueChange("suite", "delete", name, std::string());
    state.suiteEntries.erase(state.suiteEntries.begin() + row);
    SaveSuiteCatalogue(state, ui.AutoStartChecked());
    LoadSuiteCatalogue(state, ui, false);
    state.suiteDirty = true;
}

void MoveSuiteEntryUp(RunState& state, UserInterface& ui)
{
    const std::vector<int> selected = ui.SelectedSuiteRows();
    if (selected.empty() || selected[0] == 0)
        return;
    const int row = SingleSelection(ui, ui.SelectedSuiteRows());
    if (row > 0 && row < static_cast<int>(state.suiteEntries.size()))
        Exchange(state, ui, row, row - 1);
}

void MoveSuiteEntryDown(RunState& state, UserInterface& ui)
{
    const int row = SingleSelection(ui, ui.SelectedSuiteRows());
    if (row >= 0 && row + 1 < static_cast<int>(state.suiteEntries.size()))
        Exchange(state, ui, row, row + 1);
}

void EditSuiteEntry(RunState& state, UserInterface& ui)
{
    if (ui.SelectedSuiteRows().size() > 1) {
        Inform(ui, IDS_SELECT_ONE_ONLY);
        return;
    }
    const int row = ui.FocusedSuiteRow();
    if (row < 0 || row >= static_cast<int>(state.suiteEntries.size()))
        return;
    SuiteVersionEntry& entry = state.suiteEntries[row];
    EntryEditValues values{entry.name, entry.renamePath, entry.version, entry.helpFile};
    // A refused choice shows the dialog again with the values the user chose last.
    for (;;) {
        if (!ui.EditEntry(values))
            return;
        if (EqualsIgnoringCase(values.renamePath, state.installPath)) {
            Inform(ui, IDS_RENAME_PATH_IS_INSTALL_PATH);
            continue;
        }
        // Two entries with one folder: a switch would bring in the other version under this name.
        if (RenamePathTaken(state.suiteEntries, values.renamePath, row)) {
            Inform(ui, IDS_PATH_EXISTS);
            continue;
        }
        if (!EqualsIgnoringCase(GetCurrentVersionName(), values.name)) {
            // A version that is not live must lie parked in its rename path, in its own edition's
            // layout: a switch would otherwise move the other edition's installation into this
            // entry's program path and file it under this entry.
            const char* own = entry.edition == 1 ? "\\program\\workbench.exe" : "\\Kalvio\\workbench.exe";
            const char* other = entry.edition == 1 ? "\\Kalvio\\workbench.exe" : "\\program\\workbench.exe";
            if (!PathExists(values.renamePath + own)) {
                if (PathExists(values.renamePath + other))
                    ui.ShowMessage(FormatLocalized(IDS_RENAME_PATH_OTHER_EDITION, {values.renamePath + other, entry.name}),
                                   MB_ICONINFORMATION | MB_OK);
                else
                    Inform(ui, IDS_NO_KALVIO_INSTALLATION);
                continue;
            }
        } else if (!values.renamePath.empty() && PathExists(values.renamePath)) {
            // The live version will be parked there: the path must still be free.
            Inform(ui, IDS_PATH_EXISTS);
            continue;
        }
        break;
    }
    entry.renamePath = values.renamePath;
    RecordCatalogueChange("suite", "edit", entry.name, entry.name);
    ui.ShowSuiteList(state.suiteEntries);
    ui.SelectSuiteRow(row);
    state.suiteDirty = true;
}

}  // namespace flipdeck
