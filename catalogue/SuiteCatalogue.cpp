#include "catalogue/SuiteCatalogue.h"

#include "base/ActivityLog.h"
#include "base/FileMove.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"

namespace flipdeck {

const char kSuiteCatalogueKey[] = "SOFTWARE\\BRIVANE\\Flipdeck";
const char kMeridanCatalogueKey[] = "SOFTWARE\\Harlund Software\\MERIDAN\\Flipdeck";
const char kKalvioInstallKey[] = "SOFTWARE\\Brivane";
const char kMeridanInstallKey[] = "SOFTWARE\\Harlund Software\\MERIDAN";

namespace {

// The edition whose workbench lies in the program path or, parked, in the rename path; -1 for none.
int FindEdition(const SuiteVersionEntry& entry)
{
    const struct {
        const char* subPath;
        int edition;
    } layouts[] = {{"\\Kalvio\\workbench.exe", 0}, {"\\program\\workbench.exe", 1}};
    for (const auto& layout : layouts) {
        if (PathExists(entry.programPath + layout.subPath) || PathExists(entry.renamePath + layout.subPath))
            return layout.edition;
    }
    return -1;
}

}  // namespace

void LoadSuiteCatalogue(RunState& state, UserInterface& ui, bool log)
{
    // The lines of each index are written together.
    LogLines lines;
    auto logLine = [log, &lines](const std::string& text) {
        if (log)
            lines.Add(text);
    };
    state.suiteEntries.clear();
    state.unlistedSuiteEntries.clear();
    const CatalogueValues catalogue(kSuiteCatalogueKey);
    int misses = 0;
    for (int n = 1; n <= kMaxCatalogueEntries; ++n) {
        lines.Write();
        logLine("----------------------------------------------");
        // Only the third missing index ends the catalogue; gaps from outside edits are tolerated.
        auto missing = [&](const std::string& valueName) {
            logLine(valueName + ": not found in registry");
            return ++misses > 2;
        };
        SuiteVersionEntry entry;
        const std::string nameValue = Numbered("Name", n);
        std::optional<std::string> name = catalogue.Text(nameValue);
        if (!name || name->empty()) {
            if (missing(nameValue))
                break;
            continue;
        }
        entry.name = *name;
        logLine(nameValue + ": " + entry.name);

        const std::string pathValue = Numbered("Path", n);
        std::optional<std::string> renamePath = catalogue.Text(pathValue);
        if (!renamePath) {
            if (missing(pathValue))
                break;
            continue;
        }
        if (renamePath->empty()) {
            logLine(pathValue + ": empty");
            ++misses;
            continue;
        }
        entry.renamePath = *renamePath;
        logLine(pathValue + ": " + entry.renamePath);

        const std::string programValue = Numbered("PrgPath", n);
        std::optional<std::string> programPath = catalogue.Text(programValue);
        // An empty program path would make a switch move the version to nowhere: derive it too.
        entry.programPath = programPath && !programPath->empty()
                                ? *programPath
                                : DeriveInstallationPath(entry.renamePath, state.kalvioInstallPath,
                                                         state.meridanInstallPath);
        logLine(programValue + ": " + entry.programPath);

        const std::string versionValue = Numbered("Version", n);
        entry.version = catalogue.Text(versionValue).value_or("");
        logLine(versionValue + ": " + entry.version);
        const std::string helpValue = Numbered("HelpFile", n);
        entry.helpFile = catalogue.Text(helpValue).value_or("");
        logLine(helpValue + ": " + entry.helpFile);

        entry.edition = FindEdition(entry);
        if (entry.edition < 0) {
            logLine("workbench.exe not found !!!");
            state.unlistedSuiteEntries.push_back(std::move(entry));
            continue;
        }
        state.suiteEntries.push_back(std::move(entry));
    }

    const std::string current = catalogue.Text("CurrentVersionName").value_or("");
    logLine("CurrentVersionName: " + current);
    lines.Write();
    ui.ShowSuiteList(state.suiteEntries);
    state.currentSuiteIndex = -1;
    for (size_t i = 0; i < state.suiteEntries.size(); ++i) {
        const SuiteVersionEntry& entry = state.suiteEntries[i];
        if (_stricmp(entry.name.c_str(), current.c_str()) == 0) {
            state.currentSuiteIndex = static_cast<int>(i);
            ui.SetField(kSuiteNameField, entry.name);
            ui.SetField(kSuiteRenamePathField, entry.renamePath);
        }
    }
    if (state.suiteEntries.empty()) {
        ui.ShowMessage(LoadLocalizedString(IDS_NO_VERSION_ENTRIES), MB_ICONINFORMATION);
    } else if (state.currentSuiteIndex < 0) {
        ui.ShowMessage(LoadLocalizedString(IDS_NO_CURRENT_VERSION), MB_ICONINFORMATION);
        state.currentSuiteIndex = 0;
    }
}

std::string GetCurrentVersionName()
{
    return ReadCatalogueText(kSuiteCatalogueKey, "CurrentVersionName").value_or("");
}

std::vector<ValueChange> SuiteCatalogueChanges(const RunState& state, bool autoStart, const std::string& currentName,
                                               const CataloguePlace& place, std::vector<std::string>& removalLines)
{
    const auto [root, subKey] = place;
    std::vector<ValueChange> changes = {{root, subKey, "AutoStart", ByteValue(autoStart ? 1 : 0)}};
    const int count = static_cast<int>(state.suiteEntries.size());
    for (int n = 1; n <= count; ++n) {
        const SuiteVersionEntry& entry = state.suiteEntries[n - 1];
        for (const auto& [name, text] : {std::pair{"Name", &entry.name}, std::pair{"Path", &entry.renamePath},
                                         std::pair{"Version", &entry.version}, std::pair{"HelpFile", &entry.helpFile},
                                         std::pair{"PrgPath", &entry.programPath}})
            changes.push_back({root, subKey, Numbered(name, n), TextValue(*text)});
    }
    if (!currentName.empty())
        changes.push_back({root, subKey, "CurrentVersionName", TextValue(currentName)});
    const std::vector<ValueChange> removals = RemovalsAfter(
        root, subKey, count, {{"Name", ""}, {"Path", ""}, {"MainPath", ""}, {"Version", ""}, {"HelpFile", ""}, {"PrgPath", ""}},
        [&](int, const std::string& name) {
            removalLines.push_back("Remove Kalvio version from registry " + subKey + ": " + name + " Index: " + std::to_string(count));
        });
    changes.insert(changes.end(), removals.begin(), removals.end());
    return changes;
}

void WriteSuiteCatalogue(const RunState& state, bool autoStart, HKEY root, const std::string& subKey)
{
    std::vector<std::string> removalLines;
    const std::vector<ValueChange> changes =
        SuiteCatalogueChanges(state, autoStart, GetCurrentVersionName(), {root, subKey}, removalLines);
    ApplyChanges(changes, removalLines);
}

std::vector<CataloguePlace> SuiteCataloguePlaces(const RunState& state)
{
    const bool meridanMirror = ReadRegText(HKEY_CURRENT_USER, kMeridanCatalogueKey, "CurrentVersionName").has_value();
    return CataloguePlaces(state.userHives, kSuiteCatalogueKey, kMeridanCatalogueKey, meridanMirror);
}

void SaveSuiteCatalogue(const RunState& state, bool autoStart)
{
    WriteLog("SaveAllKalvio");
    for (const CataloguePlace& place : SuiteCataloguePlaces(state))
        WriteSuiteCatalogue(state, autoStart, place.root, place.subKey);
}

bool RenamePathTaken(const std::vector<SuiteVersionEntry>& entries, const std::string& path, int except)
{
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (i != except && EqualsIgnoringCase(entries[i].renamePath, path))
            return true;
    }
    return false;
}

bool AddSuiteVersion(RunState& state, UserInterface& ui, const SuiteVersionEntry& entry)
{
    if (RenamePathTaken(state.suiteEntries, entry.renamePath)) {
        ui.ShowMessage(LoadLocalizedString(IDS_PATH_EXISTS), MB_ICONINFORMATION);
        return false;
    }
    int index = 0;
    for (int n = 1; n <= kMaxCatalogueEntries && index == 0; ++n) {
        if (ReadUserMachineText(kSuiteCatalogueKey, Numbered("Name", n)).value_or("").empty())
            index = n;
    }
    // Loading reads no index beyond the last: an entry beyond it would be saved and never found again.
    if (index == 0 || state.suiteEntries.size() >= kMaxCatalogueEntries) {
        ui.ShowMessage(LoadLocalizedString(IDS_CATALOGUE_FULL), MB_ICONINFORMATION);
        return false;
    }
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, Numbered("Name", index), entry.name);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, Numbered("Path", index), entry.renamePath);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, Numbered("PrgPath", index), entry.programPath);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, Numbered("Version", index), entry.version);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, Numbered("HelpFile", index), entry.helpFile);
    state.suiteEntries.push_back(entry);
    ui.ShowSuiteList(state.suiteEntries);
    WriteLog("Add new version: " + entry.name);
    if (PathExists(entry.programPath) && !PathExists(entry.renamePath))
        seams::MovePath(entry.programPath.c_str(), entry.renamePath.c_str(), 0);
    return true;
}

std::string FirstFreeNumberedPath(const std::string& base)
{
    for (int n = 1; n <= 49; ++n) {
        std::string candidate = base + std::to_string(n);
        if (!PathExists(candidate))
            return candidate;
    }
    return base;
}

void RepairFirstSuiteEntry(const std::string& installPath)
{
    if (MachineCatalogueOnly() || installPath.empty() || !ReadUserMachineText(kSuiteCatalogueKey, "Name1") ||
        ReadUserMachineText(kSuiteCatalogueKey, "Path1"))
        return;
    std::string path = FirstFreeNumberedPath(installPath);
    if (path.size() > 4)
        WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path1", path);
}

}  // namespace flipdeck
