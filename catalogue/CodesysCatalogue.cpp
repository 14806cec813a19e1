#include "catalogue/CodesysCatalogue.h"

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/VersionInfo.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"

namespace flipdeck {

const char kCodesysCatalogueKey[] = "SOFTWARE\\BRIVANE\\Flipdeck\\CS";
const char kCodesysSetupKey[] = "SOFTWARE\\3S-Smart Software Solutions GmbH\\CoDeSys SetupInfo\\V2.3.0";

const CodesysComponent kCodesysComponents[4] = {
    {"Targetdir_CODESYS", "", &CodesysVersionEntry::renamePath},
    {"Targetdir_ENI", "_ENI", &CodesysVersionEntry::eniPath},
    {"Targetdir_OPC", "_OPC", &CodesysVersionEntry::opcPath},
    {"Targetdir_PLCWINNT", "_PLCWINNT", &CodesysVersionEntry::plcWinNtPath},
};

namespace {

std::optional<std::string> ReadCatalogue(const std::string& valueName)
{
    return ReadCatalogueText(kCodesysCatalogueKey, valueName);
}

bool WriteCatalogue(const std::string& valueName, const std::string& text)
{
    return WriteRegString(HKEY_CURRENT_USER, kCodesysCatalogueKey, valueName, text);
}

// A new entry at index n for the installation in `main`: parked beside its live folders, the
// component folders one by one, and current.
void CatalogueInstallation(int n, const std::string& main, const std::string& version)
{
    const std::string name = "CoDeSys " + version;
    WriteCatalogue(Numbered("Version", n), version);
    WriteCatalogue(Numbered("Name", n), name);
    WriteCatalogue("CurrentVersionName", name);
    WriteCatalogue(Numbered("Path", n), main + " " + version);
    const size_t slash = main.find_last_of('\\');
    const std::string parent = slash == std::string::npos ? std::string() : main.substr(0, slash);
    WriteCatalogue(Numbered("Path", n, "_ENI"), parent + "\\CoDeSys ENI Server " + version);
    WriteCatalogue(Numbered("Path", n, "_OPC"), parent + "\\CoDeSysOPC " + version);
    WriteCatalogue(Numbered("Path", n, "_PLCWINNT"), parent + "\\CoDeSys SP PLCWinNT " + version);
    WriteRegByte(HKEY_CURRENT_USER, kCodesysCatalogueKey, Numbered("RenameSubDir", n), 1);
}

}  // namespace

std::string NeutralCodesysName() { return LoadLocalizedString(IDS_NEW_ENTRY_MARKER); }

std::string GetCurrentCodesysName() { return ReadCatalogue("CurrentVersionName").value_or(""); }

std::string InstalledCodesysVersion(const std::string& mainFolder)
{
    return GetProductVersionText(mainFolder + "\\CoDeSys.exe");
}

std::string UnusedCodesysName(const std::vector<CodesysVersionEntry>& entries, const std::string& version)
{
    const std::string base = "CoDeSys " + version;
    auto taken = [&](const std::string& name) {
        if (EqualsIgnoringCase(name, NeutralCodesysName()))
            return true;
        for (const CodesysVersionEntry& entry : entries) {
            if (EqualsIgnoringCase(entry.name, name))
                return true;
        }
        return false;
    };
    std::string name = base;
    for (int n = 1; taken(name); ++n)
        name = base + "_" + std::to_string(n);
    return name;
}

std::string ParkingVersion(const CodesysVersionEntry& entry)
{
    const std::string base = "CoDeSys " + entry.version + "_";
    if (entry.name.size() <= base.size() || !EqualsIgnoringCase(entry.name.substr(0, base.size()), base))
        return entry.version;
    const std::string number = entry.name.substr(base.size());
    if (number.find_first_not_of("0123456789") != std::string::npos)
        return entry.version;
    return entry.version + "_" + number;
}

std::string ParkedFolderInside(const std::vector<CodesysVersionEntry>& entries, const std::string& root)
{
    const std::string prefix = root + "\\";
    for (const CodesysVersionEntry& entry : entries) {
        for (const CodesysComponent& component : kCodesysComponents) {
            const std::string& parked = entry.*component.parkPath;
            if (EqualsIgnoringCase(parked.substr(0, prefix.size()), prefix) && PathExists(parked))
                return parked;
        }
    }
    return std::string();
}

void SyncInstalledCodesys()
{
    if (MachineCatalogueOnly())
        return;
    const std::string main = ReadRegText(HKEY_LOCAL_MACHINE, kCodesysSetupKey, "Targetdir_CODESYS").value_or("");
    if (main.empty())
        return;
    // Without a version the installation cannot be told from any other, nor named.
    const std::string version = InstalledCodesysVersion(main);
    if (version.empty())
        return;
    bool parkedCopy = false;
    for (int n = 1; n <= kMaxCatalogueEntries; ++n) {
        const std::optional<std::string> known = ReadCatalogue(Numbered("Version", n));
        const std::optional<std::string> name = ReadCatalogue(Numbered("Name", n));
        if (!known) {
            // An index with a name is an entry of its own, never written over; a further copy of
            // a parked version is left to the discovery, which gives it a name and path of its own.
            if (!name.value_or("").empty())
                continue;
            if (!parkedCopy)
                CatalogueInstallation(n, main, version);
            return;
        }
        if (*known != version)
            continue;
        // The entry of this version is parked: what is installed is another copy of it.
        const std::string renamePath = ReadCatalogue(Numbered("Path", n)).value_or("");
        if (!renamePath.empty() && PathExists(renamePath)) {
            parkedCopy = true;
            continue;
        }
        // Also when no version is current: a change would otherwise take the installation for one
        // that nothing catalogues and park its whole root folder.
        if (!name.value_or("").empty() && ReadCatalogue("CurrentVersionName").value_or("") != *name)
            WriteCatalogue("CurrentVersionName", *name);
        return;
    }
}

bool AdoptInstalledCodesys()
{
    // Entry 1 may describe a parked version: its record must stay.
    if (MachineCatalogueOnly() || !ReadCatalogue("Name1").value_or("").empty())
        return false;
    const std::optional<std::string> main = ReadUserMachineText(kCodesysSetupKey, "Targetdir_CODESYS");
    if (!main)
        return false;
    const std::string version = InstalledCodesysVersion(*main);
    if (version.empty())
        return false;
    const std::string name = "CoDeSys " + version;
    if (!WriteCatalogue("CurrentVersionName", name) || !WriteCatalogue("Name1", name) ||
        !WriteCatalogue("Path1", *main + " " + version))
        return false;
    for (const CodesysComponent& component : kCodesysComponents) {
        if (component.catalogueSuffix[0] == '\0')
            continue;  // the main folder is Path1
        const std::optional<std::string> folder = ReadUserMachineText(kCodesysSetupKey, component.setupValue);
        if (!folder || !WriteCatalogue(Numbered("Path", 1, component.catalogueSuffix), *folder + " " + version))
            return false;
    }
    return WriteCatalogue("Version1", version) && WriteRegByte(HKEY_CURRENT_USER, kCodesysCatalogueKey, "RenameSubDir1", 1);
}

void SettleCodesysState(RunState& state)
{
    state.currentCodesysName = GetCurrentCodesysName();
    if (state.currentCodesysName.empty() && AdoptInstalledCodesys())
        state.currentCodesysName = GetCurrentCodesysName();

    // An empty path would make a switch move the root folder to nowhere: choose one then too.
    state.newVersionsPath = ReadCatalogue("NewVersionPath").value_or("");
    const std::string root = ReadUserMachineText(kCodesysSetupKey, "Targetdir").value_or("");
    if (state.newVersionsPath.empty() && !root.empty()) {
        std::string candidate = root + " NewVersions";
        for (int n = 1; PathExists(candidate); ++n)
            candidate = root + " NewVersions_" + std::to_string(n);
        if (!MachineCatalogueOnly())
            WriteCatalogue("NewVersionPath", candidate);
        state.newVersionsPath = candidate;
    }
    WriteLog("------------------CODESYS---------------------");
}

void LoadCodesysCatalogue(RunState& state, UserInterface& ui)
{
    const CatalogueValues catalogue(kCodesysCatalogueKey);
    auto read = [&catalogue](const std::string& valueName) {
        std::string value = catalogue.Text(valueName).value_or("");
        WriteLog(valueName + ": " + value);
        return value;
    };
    state.codesysEntries.clear();
    for (int n = 1; n <= kMaxCatalogueEntries; ++n) {
        CodesysVersionEntry entry;
        entry.name = catalogue.Text(Numbered("Name", n)).value_or("");
        if (entry.name.empty())
            break;
        WriteLog(Numbered("Name", n) + ": " + entry.name);
        for (const CodesysComponent& component : kCodesysComponents)
            entry.*component.parkPath = read(Numbered("Path", n, component.catalogueSuffix));
        if (_stricmp(entry.name.c_str(), state.currentCodesysName.c_str()) == 0) {
            ui.SetField(kCodesysNameField, entry.name);
            ui.SetField(kCodesysRenamePathField, entry.renamePath);
        }
        entry.renameSubDir = catalogue.Byte(Numbered("RenameSubDir", n)).value_or(entry.renameSubDir);
        WriteLog(Numbered("RenameSubDir", n) + ": " + std::to_string(entry.renameSubDir));
        entry.version = read(Numbered("Version", n));
        state.codesysEntries.push_back(std::move(entry));
    }
    ui.ShowCodesysList(state.codesysEntries);
}

std::vector<ValueChange> CodesysCatalogueChanges(const std::vector<CodesysVersionEntry>& entries, const CataloguePlace& place,
                                                 std::vector<std::string>& removalLines)
{
    const auto [root, subKey] = place;
    const std::string neutral = NeutralCodesysName();
    std::vector<ValueChange> changes;
    int n = 0;
    for (const CodesysVersionEntry& entry : entries) {
        if (entry.name == neutral)
            continue;
        ++n;
        changes.push_back({root, subKey, Numbered("Name", n), TextValue(entry.name)});
        changes.push_back({root, subKey, Numbered("Path", n), TextValue(entry.renamePath)});
        changes.push_back({root, subKey, Numbered("Version", n), TextValue(entry.version)});
        for (const CodesysComponent& component : kCodesysComponents) {
            if (component.catalogueSuffix[0] != '\0')
                changes.push_back({root, subKey, Numbered("Path", n, component.catalogueSuffix), TextValue(entry.*component.parkPath)});
        }
        changes.push_back({root, subKey, Numbered("RenameSubDir", n), ByteValue(entry.renameSubDir)});
    }
    const std::vector<ValueChange> removals = RemovalsAfter(
        root, subKey, n,
        {{"Name", ""}, {"Path", ""}, {"Path", "_ENI"}, {"Path", "_OPC"}, {"Path", "_PLCWINNT"}, {"Version", ""}, {"RenameSubDir", ""}},
        [&](int index, const std::string& name) {
            removalLines.push_back("Remove CoDeSys version from registry " + subKey + ": " + name + " nItem: " + std::to_string(index));
        });
    changes.insert(changes.end(), removals.begin(), removals.end());
    return changes;
}

void WriteCodesysCatalogue(const RunState& state, HKEY root, const std::string& subKey)
{
    std::vector<std::string> removalLines;
    const std::vector<ValueChange> changes = CodesysCatalogueChanges(state.codesysEntries, {root, subKey}, removalLines);
    ApplyChanges(changes, removalLines);
}

std::vector<CataloguePlace> CodesysCataloguePlaces(const RunState& state)
{
    const std::string mirrorKey = std::string(kMeridanCatalogueKey) + "\\CS";
    // With user hives the CoDeSys mirror is kept where it has a current version already; without,
    // it is written where the suite's mirror has one.
    const bool mirror = ReadRegText(HKEY_CURRENT_USER, state.userHives.empty() ? kMeridanCatalogueKey : mirrorKey,
                                    "CurrentVersionName").has_value();
    return CataloguePlaces(state.userHives, kCodesysCatalogueKey, mirrorKey, mirror);
}

void SaveCodesysCatalogue(const RunState& state)
{
    WriteLog("SaveAllCs");
    for (const CataloguePlace& place : CodesysCataloguePlaces(state))
        WriteCodesysCatalogue(state, place.root, place.subKey);
}

}  // namespace flipdeck
