#include "codesys/CodesysList.h"

#include <utility>
#include <vector>

#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "steps/History.h"

namespace flipdeck {

namespace {

// A version installed while the neutral entry was current becomes a new sub-folder entry, named
// and parked apart from every entry there is, and the current one.
void DiscoverInstallation(RunState& state, UserInterface& ui)
{
    const std::optional<std::string> main = ReadUserMachineText(kCodesysSetupKey, "Targetdir_CODESYS");
    if (!main || main->empty())
        return;
    // Without a version the entry's park paths would end in a blank, which Windows drops.
    const std::string version = InstalledCodesysVersion(*main);
    if (version.empty())
        return;

    CodesysVersionEntry entry;
    entry.name = UnusedCodesysName(state.codesysEntries, version);
    std::string suffix = " " + version;
    for (int n = 1; PathExists(*main + suffix); ++n)
        suffix = " " + version + "_" + std::to_string(n);
    entry.renamePath = *main + suffix;
    entry.version = version;
    for (const CodesysComponent& component : kCodesysComponents) {
        if (component.catalogueSuffix[0] != '\0')
            entry.*component.parkPath = ReadUserMachineText(kCodesysSetupKey, component.setupValue).value_or("") + suffix;
    }
    entry.renameSubDir = 1;

    ui.SetField(kCodesysNameField, entry.name);
    ui.SetField(kCodesysRenamePathField, entry.renamePath);
    WriteRegString(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName", entry.name);
    state.currentCodesysName = entry.name;
    state.codesysEntries.push_back(std::move(entry));
    ui.ShowCodesysList(state.codesysEntries);
    SaveCodesysCatalogue(state);
    ui.ShowMessage(LoadLocalizedString(IDS_NEW_CODESYS_FOUND), MB_ICONINFORMATION | MB_OK);
}

// Exchanges the entries of two rows and moves the selection to `to`.
void ExchangeRows(RunState& state, UserInterface& ui, int from, int to)
{
    RecordCatalogueChange("codesys", "move", state.codesysEntries[from - 1].name, state.codesysEntries[to - 1].name);
    std::swap(state.codesysEntries[from - 1], state.codesysEntries[to - 1]);
    ui.ShowCodesysList(state.codesysEntries);
    ui.SelectCodesysRow(to);
    state.codesysDirty = true;
}

}  // namespace

void LoadCodesysAtStartup(RunState& state, UserInterface& ui)
{
    SyncInstalledCodesys();
    SettleCodesysState(state);
    LoadCodesysCatalogue(state, ui);
    if (EqualsIgnoringCase(state.currentCodesysName, NeutralCodesysName())) {
        ui.SetField(kCodesysNameField, NeutralCodesysName());
        ui.SetField(kCodesysRenamePathField, "");
        if (!MachineCatalogueOnly())
            DiscoverInstallation(state, ui);
        return;
    }
    // No version is named current and the installation's root folder holds a parked version's
    // folder (a further copy of a parked version, installed without the neutral entry): the first
    // save, which parks the whole root folder, would refuse every change. Catalogued as a version
    // of its own, the installation switches like any other.
    const std::string root = ReadUserMachineText(kCodesysSetupKey, "Targetdir").value_or("");
    if (state.currentCodesysName.empty() && !MachineCatalogueOnly() && !root.empty() &&
        !ParkedFolderInside(state.codesysEntries, root).empty())
        DiscoverInstallation(state, ui);
}

void DeleteCodesysEntry(RunState& state, UserInterface& ui)
{
    const std::string current = GetCurrentCodesysName();
    const std::vector<int> selected = ui.SelectedCodesysRows();
    const int count = static_cast<int>(state.codesysEntries.size());
    if (!selected.empty() && selected[0] >= 0 && selected[0] <= count) {
        const int row = selected[0];
        const std::string name = row == 0 ? NeutralCodesysName() : state.codesysEntries[row - 1].name;
        if (EqualsIgnoringCase(name, current)) {
            ui.ShowMessage(LoadLocalizedString(IDS_CANNOT_DELETE_ACTIVE), MB_ICONINFORMATION | MB_OK);
        } else if (name == NeutralCodesysName()) {
            ui.ShowMessage(LoadLocalizedString(IDS_ENTRY_NOT_DELETABLE), MB_ICONINFORMATION | MB_OK);
            return;
        } else {
            RecordCatalogueChange("codesys", "delete", name, std::string());
            state.codesysEntries.erase(state.codesysEntries.begin() + (row - 1));
            ui.ShowCodesysList(state.codesysEntries);
            if (row <= static_cast<int>(state.codesysEntries.size()))
                ui.SelectCodesysRow(row);
        }
    }
    SaveCodesysCatalogue(state);
    state.codesysDirty = true;
}

void MoveCodesysEntryUp(RunState& state, UserInterface& ui)
{
    const std::vector<int> selected = ui.SelectedCodesysRows();
    if (selected.empty() || selected[0] <= 1)
        return;
    const int row = SingleSelection(ui, selected);
    if (row > 1 && row <= static_cast<int>(state.codesysEntries.size()))
        ExchangeRows(state, ui, row, row - 1);
}

void MoveCodesysEntryDown(RunState& state, UserInterface& ui)
{
    const int row = SingleSelection(ui, ui.SelectedCodesysRows());
    if (row >= 1 && row < static_cast<int>(state.codesysEntries.size()))
        ExchangeRows(state, ui, row, row + 1);
}

}  // namespace flipdeck
