#include "codesys/CodesysChange.h"

#include <array>
#include <utility>
#include <vector>

#include "app/ActivityLog.h"
#include "app/LocalizedString.h"
#include "app/Seams.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "catalogue/Registry.h"
#include "codesys/GatewayFiles.h"
#include "codesys/RegistryTransfer.h"
#include "codesys/StrandedMove.h"
#include "switch/Environment.h"
#include "switch/FolderRename.h"
#include "switch/RunningPrograms.h"

namespace flipdeck {

namespace {

const std::string kAsterisks(66, '*');

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
};

// The folder renames of one attempt, kept so that they can be undone.
class FolderMoves {
public:
    bool Rename(const std::string& from, const std::string& to)
    {
        if (RenameWithLog(from, to) != 0) {
            failed_ = {from, to};
            return false;
        }
        done_.emplace_back(from, to);
        return true;
    }

    // Renames everything back, the latest first, so that a root folder moved aside returns before
    // the component folders inside it. Each rename back that fails is logged and added to `stranded`.
    void Undo(std::vector<StrandedMove>& stranded)
    {
        for (auto move = done_.rbegin(); move != done_.rend(); ++move) {
            if (!seams::MovePath(move->second.c_str(), move->first.c_str(), 0)) {
                WriteLog("Rename FAILED: " + move->second + " TO " + move->first);
                stranded.push_back({move->second, move->first});
            }
        }
        done_.clear();
    }

    std::string FailureText() const { return "\n\nRenaming failed:\n" + failed_.first + "\n" + failed_.second; }

private:
    std::vector<std::pair<std::string, std::string>> done_;
    std::pair<std::string, std::string> failed_;
};

enum class Outcome { Done, Stopped, Retry };

// A refusal before anything moved: logged and shown.
void Refuse(UserInterface& ui, const std::string& text)
{
    WriteLog(text);
    ui.ShowMessage(text, MB_ICONWARNING | MB_OK);
}

// Tells the user what a roll-back left where the change had moved it. False when it left nothing.
bool TellStranded(const std::vector<StrandedMove>& stranded, UserInterface& ui)
{
    if (stranded.empty())
        return false;
    std::string list;
    for (const StrandedMove& move : stranded)
        list += (list.empty() ? "" : "\n") + move.at + " -> " + move.belongs;
    const std::string message = FormatLocalized(IDS_RESTORE_INCOMPLETE, {list});
    WriteLog(message);
    ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
    return true;
}

// The first folder of a catalogued version parked inside `root`; empty when there is none.
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

bool NoCodesysRunning(UserInterface& ui)
{
    return ConfirmNoneRunning(ui, [] {
        FoundPrograms found;
        if (seams::FindTopLevelWindow("CoDeSys_Frame", nullptr))
            found.lines += "\t" + LoadLocalizedString(IDS_TOOL_CODESYS) + "\n";
        if (IsProcessRunning("gateway.exe", &found.processesChecked))
            found.lines += "\t" + LoadLocalizedString(IDS_TOOL_CODESYS_GATEWAY) + "\n";
        return found;
    });
}

// Checks that nothing is in the way before anything moves; refuses when something is.
bool PlacesFree(const ChangeContext& c, const std::string& newVersionsPath, UserInterface& ui)
{
    auto refuse = [&](unsigned id, const std::string& detail) {
        Refuse(ui, LoadLocalizedString(id) + "\n" + detail);
        return false;
    };
    if (!c.currentNeutral) {
        if (!c.currentName.empty() && PathExists(c.current.renamePath))
            return refuse(IDS_CURRENT_RENAME_PATH_IN_USE, c.current.renamePath);
        // Another entry is parked under the same names: parking would mix the two versions' trees.
        const std::string parkedTree = ParkedMachineTree(c.currentParking);
        if (KeyExists(HKEY_LOCAL_MACHINE, parkedTree))
            return refuse(IDS_CURRENT_RENAME_PATH_IN_USE, "HKEY_LOCAL_MACHINE\\" + parkedTree);
    }
    if (c.installNew)
        return true;
    if (!c.currentSubDirs && c.newSubDirs) {
        // The root folder with the parked component folders waits at the new-versions path.
        const size_t slash = c.next.renamePath.find_last_of('\\');
        const std::string parked =
            newVersionsPath + (slash == std::string::npos ? c.next.renamePath : c.next.renamePath.substr(slash));
        return PathExists(parked) || refuse(IDS_NEW_VERSION_NOT_FOUND, parked);
    }
    if (!PathExists(c.next.renamePath)) {
        // A root folder left at the new-versions path while its own place is free goes back there.
        const size_t marker = newVersionsPath.find(" NewVersions");
        if (marker != std::string::npos && PathExists(newVersionsPath) && !PathExists(newVersionsPath.substr(0, marker)))
            seams::MovePath(newVersionsPath.c_str(), newVersionsPath.substr(0, marker).c_str(), 0);
    }
    return PathExists(c.next.renamePath) || refuse(IDS_NEW_VERSION_NOT_FOUND, c.next.renamePath);
}

// Where the folders of a change are: the root folder, the live component folders (main, ENI,
// OPC, PLCWinNT), the current version's park paths for them and the new-versions path.
struct Places {
    std::string root;
    std::array<std::string, 4> live;
    std::array<std::string, 4> park;
    std::string newVersions;
};

// Moves the current version's folders to its park paths (and, for a whole-folder version coming
// in, the root folder of the sub-folder layout to the new-versions path).
bool ParkCurrent(const ChangeContext& c, const Places& places, FolderMoves& folders)
{
    if (!c.currentSubDirs) {
        WriteLog("Try to rename the main directory!");
        if (!folders.Rename(places.root, places.park[0]))
            return false;
        WriteLog("Rename the main directory SUCCESS!!!");
        return true;
    }
    WriteLog("Try to rename subdirectories!");
    if (!folders.Rename(places.live[0], places.park[0]))
        return false;
    for (size_t i = 1; i < places.live.size(); ++i) {
        if (PathExists(places.live[i]) && !folders.Rename(places.live[i], places.park[i]))
            return false;
    }
    if (!c.installNew && !c.newSubDirs && !folders.Rename(places.root, places.newVersions))
        return false;
    WriteLog("Renaming the subdirectories SUCCESS!!!");
    return true;
}

// Brings the chosen version's folders into the live places; for the neutral entry only the root
// folder of the sub-folder layout, ready for a further installation.
bool InstallChosen(const ChangeContext& c, const Places& places, FolderMoves& folders)
{
    if (!c.installNew && !c.newSubDirs) {
        if (PathExists(places.root) && !folders.Rename(places.root, places.newVersions))
            return false;
        return folders.Rename(c.next.renamePath, places.root);
    }
    if (!c.currentSubDirs) {
        WriteLog("rename " + places.newVersions + " TO " + places.root);
        if ((!c.installNew || PathExists(places.newVersions)) && !folders.Rename(places.newVersions, places.root))
            return false;
    }
    if (c.installNew)
        return true;
    for (size_t i = 0; i < places.live.size(); ++i) {
        const std::string& parked = c.next.*kCodesysComponents[i].parkPath;
        WriteLog("rename " + parked + " TO " + places.live[i]);
        if ((i == 0 || PathExists(parked)) && !folders.Rename(parked, places.live[i]))
            return false;
    }
    return true;
}

// One run of the checks and moves, from the pre-checks to the success message.
Outcome Attempt(const ChangeContext& c, RunState& state, UserInterface& ui)
{
    Places places;
    places.newVersions = state.newVersionsPath;
    if (!PlacesFree(c, places.newVersions, ui))
        return Outcome::Stopped;

    // While no catalogued version is live, the live setup information belongs to none: the new
    // version's parked copy says where its folders go.
    const std::string setupKey = c.currentNeutral ? ParkedMachineTree(c.nextParking) + "\\CoDeSys SetupInfo\\V2.3.0"
                                                  : std::string(kCodesysSetupKey);
    places.root = ReadUserMachineText(setupKey, "Targetdir").value_or("");
    if (c.currentSubDirs || c.newSubDirs) {
        for (size_t i = 0; i < places.live.size(); ++i)
            places.live[i] = ReadUserMachineText(setupKey, kCodesysComponents[i].setupValue).value_or("");
    }
    const std::string system = ProductSystemDirectory();
    const std::string currentBackup = GatewayBackupFolder(system, c.currentParking);
    const std::string newBackup = GatewayBackupFolder(system, c.nextParking);
    const bool firstSave = !c.currentNeutral && c.currentName.empty();
    if (!c.currentNeutral && (places.root.empty() || (firstSave && c.current.version.empty()))) {
        Refuse(ui, LoadLocalizedString(IDS_NO_CODESYS_INSTALLATION));
        return Outcome::Stopped;
    }
    if (firstSave) {
        // Moved with the root folder, another version's parked folder would be filed under the
        // installation's name, out of its own entry's reach.
        const std::string inside = ParkedFolderInside(state.codesysEntries, places.root);
        if (!inside.empty()) {
            Refuse(ui, FormatLocalized(IDS_FIRST_SAVE_HOLDS_PARKED, {inside}));
            return Outcome::Stopped;
        }
    }
    const std::string outgoing = currentBackup + "\\";
    const std::string incoming = newBackup + "\\";
    const std::string inTheWay =
        GatewayFileInTheWay(system, c.currentNeutral ? nullptr : &outgoing, c.installNew ? nullptr : &incoming);
    if (!inTheWay.empty()) {
        Refuse(ui, FormatLocalized(IDS_GATEWAY_FILE_IN_THE_WAY, {inTheWay}));
        return Outcome::Stopped;
    }
    if (!places.root.empty() && !c.currentNeutral && !PrepareGatewayBackup(currentBackup)) {
        Refuse(ui, FormatLocalized(IDS_GATEWAY_BACKUP_DIR_FAILED, {currentBackup}));
        return Outcome::Stopped;
    }

    if (firstSave) {
        // The first save knows no entry: the whole installation goes to a numbered folder beside it.
        std::string candidate;
        for (int n = 1; n <= 20; ++n) {
            candidate = places.root + std::to_string(n);
            if (!PathExists(candidate))
                break;
        }
        places.park.fill(candidate);
        const std::string message = FormatLocalized(IDS_FIRST_SAVE, {candidate});
        ui.ShowMessage(message, MB_ICONINFORMATION | MB_OK);
        WriteLog(message);
    } else {
        for (size_t i = 0; i < places.park.size(); ++i)
            places.park[i] = c.current.*kCodesysComponents[i].parkPath;
    }

    FolderMoves folders;
    std::vector<StrandedMove> stranded;
    if (!c.currentNeutral && !ParkCurrent(c, places, folders)) {
        const std::string message = LoadLocalizedString(IDS_PARK_CURRENT_FAILED) + folders.FailureText();
        WriteLog(message);
        folders.Undo(stranded);
        ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
        // A folder that did not go back would stand in the way of the next attempt.
        return TellStranded(stranded, ui) ? Outcome::Stopped : Outcome::Retry;
    }
    if (!InstallChosen(c, places, folders)) {
        const std::string message = LoadLocalizedString(IDS_INSTALL_NEW_FAILED) + folders.FailureText();
        WriteLog(message);
        ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
        folders.Undo(stranded);
        if (!stranded.empty()) {
            ui.ShowMessage(LoadLocalizedString(IDS_RESTORE_OLD_FAILED), MB_ICONWARNING | MB_OK);
            return Outcome::Stopped;
        }
        return Outcome::Retry;
    }

    GatewayTransfer gateway;
    std::string failedFile;
    bool moved = (c.currentNeutral || gateway.Move(system, outgoing, failedFile)) &&
                 (c.installNew || gateway.Move(incoming, system, failedFile));
    if (!moved) {
        const std::string message = FormatLocalized(IDS_FILE_COPY_FAILED, {failedFile});
        WriteLog(message);
        ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
    } else {
        moved = TransferCodesysTrees(c.currentNeutral ? nullptr : &c.currentParking,
                                     c.installNew ? nullptr : &c.nextParking, ui, stranded);
    }
    if (!moved) {
        gateway.Undo(stranded);
        folders.Undo(stranded);
        TellStranded(stranded, ui);
        WriteLog("OnChangeCS FAILED: " + c.next.name);
        WriteLog(kAsterisks);
        return Outcome::Stopped;
    }

    if (firstSave) {
        // What the first save parked becomes an entry of its own, so that it can be brought back.
        CodesysVersionEntry parked = c.current;
        parked.renamePath = places.park[0];
        state.codesysEntries.push_back(std::move(parked));
        ui.ShowCodesysList(state.codesysEntries);
        SaveAllCs(state);
    }
    WriteLog("OnChangeCS SUCCESS, CurrentVersionName: " + c.next.name);
    WriteRegString(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName", c.next.name);
    state.currentCodesysName = c.next.name;
    ui.SetField(kCodesysNameField, c.next.name);
    ui.SetField(kCodesysRenamePathField, c.next.renamePath);
    ui.ShowMessage(LoadLocalizedString(IDS_CHANGE_SUCCESS), MB_ICONINFORMATION | MB_OK);
    WriteLog(kAsterisks);
    return Outcome::Done;
}

}  // namespace

bool OnChangeCS(RunState& state, UserInterface& ui)
{
    const std::string warning = LoadLocalizedString(IDS_SWITCH_WARNING) + LoadLocalizedString(IDS_SWITCH_WARNING_RESTART);
    if (ui.SelectedCodesysRows().size() > 1) {
        ui.ShowMessage(LoadLocalizedString(IDS_SELECT_ONE_ONLY), MB_ICONINFORMATION | MB_OK);
        return false;
    }
    const int row = ui.FocusedCodesysRow();
    if (row < 0 || row > static_cast<int>(state.codesysEntries.size()))
        return false;
    state.codesysDirty = true;
    SaveAllCs(state);

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
    if (_stricmp(c.currentName.c_str(), c.next.name.c_str()) == 0) {
        ui.ShowMessage(LoadLocalizedString(IDS_ALREADY_ACTIVE), MB_ICONINFORMATION | MB_OK);
        return false;
    }
    WriteLog(kAsterisks);
    WriteLog("OnChangeCS RenameSubDirs: " + std::to_string(c.newSubDirs) + " InstallNew: " + std::to_string(c.installNew) +
             " CurrentVersionName: " + c.currentName + " NewName: " + c.next.name);
    c.currentSubDirs = c.currentNeutral;
    if (!c.currentNeutral) {
        for (const CodesysVersionEntry& entry : state.codesysEntries) {
            if (_stricmp(entry.name.c_str(), c.currentName.c_str()) == 0) {
                c.current = entry;
                c.currentSubDirs = entry.renameSubDir != 0;
                break;
            }
        }
    }
    // The first save knows no entry: the installation's own version and a name no entry has name
    // what it parks, and become its entry once the change is done. Without a version the parked
    // names would end in a blank, which no folder name keeps.
    if (!c.currentNeutral && c.currentName.empty()) {
        const std::string main = ReadUserMachineText(kCodesysSetupKey, "Targetdir_CODESYS").value_or("");
        c.current.version = InstalledCodesysVersion(main);
        c.current.name = UnusedCodesysName(state.codesysEntries, c.current.version);
    }
    c.currentParking = ParkingVersion(c.current);
    c.nextParking = ParkingVersion(c.next);
    WriteLog("bRenameSubDirsCurrent: " + std::to_string(c.currentSubDirs) +
             " bRenameSubDirsNew: " + std::to_string(c.newSubDirs) + " ");

    for (;;) {
        if (!NoCodesysRunning(ui))
            return false;
        switch (Attempt(c, state, ui)) {
        case Outcome::Done:
            return true;
        case Outcome::Stopped:
            return false;
        case Outcome::Retry:
            if (ui.ShowMessage(warning, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
                return false;
            break;
        }
    }
}

}  // namespace flipdeck
