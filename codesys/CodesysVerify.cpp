#include "codesys/CodesysVerify.h"

#include <algorithm>

#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/CodesysCatalogue.h"
#include "codesys/CodesysChange.h"
#include "codesys/GatewayFiles.h"
#include "codesys/RegistryTransfer.h"
#include "steps/Environment.h"

namespace flipdeck {

namespace {

class CodesysCheck {
public:
    explicit CodesysCheck(const RunState& state)
        : state_(state),
          main_(ReadUserMachineText(kCodesysSetupKey, "Targetdir_CODESYS").value_or("")),
          root_(ReadUserMachineText(kCodesysSetupKey, "Targetdir").value_or("")),
          system_(ProductSystemDirectory())
    {
    }

    std::vector<Finding> Run()
    {
        const bool neutral = EqualsIgnoringCase(state_.currentCodesysName, NeutralCodesysName());
        const CodesysVersionEntry* current = nullptr;
        for (const CodesysVersionEntry& entry : state_.codesysEntries) {
            if (!neutral && EqualsIgnoringCase(entry.name, state_.currentCodesysName)) {
                current = &entry;
                break;
            }
        }
        // The neutral entry counts as a sub-folder version: its root stays live.
        const bool currentSubDirs = current == nullptr || current->renameSubDir != 0;
        for (const CodesysVersionEntry& entry : state_.codesysEntries) {
            if (&entry == current)
                CheckLive(entry);
            else
                CheckParked(entry, currentSubDirs);
        }
        CheckBesideLivePlaces();
        return std::move(findings_);
    }

private:
    void Add(const char* code, const std::string& entry, const std::string& place, std::string text,
             Finding::Blocks blocks = Finding::Blocks::Nothing)
    {
        findings_.push_back({code, kCodesysProduct, entry, place, std::move(text), blocks});
    }

    void CheckLive(const CodesysVersionEntry& entry)
    {
        const std::string live = main_.empty() ? std::string() : InstalledCodesysVersion(main_);
        if (main_.empty() || !PathExists(main_ + "\\CoDeSys.exe")) {
            Add("codesys-folder-missing", entry.name, main_,
                FormatLocalized(IDS_VERIFY_CODESYS_LIVE_MISSING, {main_, entry.name}));
        } else if (!entry.version.empty() && live != entry.version) {
            Add("codesys-live-version-mismatch", entry.name, main_,
                FormatLocalized(IDS_VERIFY_LIVE_VERSION, {main_, VersionOrNone(live), entry.name}));
        }
        // A switch parks the live version at its rename path and under its parked tree names: either
        // taken refuses every switch.
        if (PathExists(entry.renamePath)) {
            Add("codesys-folder-both", entry.name, entry.renamePath,
                FormatLocalized(IDS_VERIFY_CODESYS_BOTH, {entry.name, entry.renamePath}), Finding::Blocks::Product);
        }
        const std::string parkedTree = ParkedMachineTree(ParkingVersion(entry));
        if (LiveTreesExist() && KeyExists(HKEY_LOCAL_MACHINE, parkedTree)) {
            const std::string key = "HKEY_LOCAL_MACHINE\\" + parkedTree;
            Add("codesys-tree-both", entry.name, key, FormatLocalized(IDS_VERIFY_TREE_BOTH, {entry.name, key}),
                Finding::Blocks::Product);
        }
    }

    void CheckParked(const CodesysVersionEntry& entry, bool currentSubDirs)
    {
        const std::string folder = ParkedMainFolder(entry, currentSubDirs, state_.newVersionsPath);
        if (!PathExists(folder)) {
            Add("codesys-folder-missing", entry.name, folder,
                FormatLocalized(IDS_VERIFY_CODESYS_PARKED_MISSING, {folder, entry.name}), Finding::Blocks::Entry);
        } else if (!entry.version.empty()) {
            const std::string program = ProgramFolder(entry, folder);
            const std::string found = InstalledCodesysVersion(program);
            if (!program.empty() && found != entry.version) {
                Add("codesys-parked-version-mismatch", entry.name, program,
                    FormatLocalized(IDS_VERIFY_PARKED_VERSION, {program, VersionOrNone(found), entry.version, entry.name}),
                    Finding::Blocks::Entry);
            }
        }
        const std::string parking = ParkingVersion(entry);
        for (const ParkedTree& tree : ParkedTrees(parking)) {
            const std::string key = KeyName(tree.root, tree.key);
            if (tree.required && !KeyExists(tree.root, tree.key))
                Add("codesys-tree-missing", entry.name, key, FormatLocalized(IDS_VERIFY_TREE_MISSING, {key, entry.name}),
                    Finding::Blocks::Entry);
        }
        const std::string setup = ParkedSetupKey(parking);
        if (KeyExists(HKEY_LOCAL_MACHINE, ParkedMachineTree(parking)) && !KeyExists(HKEY_LOCAL_MACHINE, setup)) {
            const std::string key = KeyName(HKEY_LOCAL_MACHINE, setup);
            Add("codesys-tree-incomplete", entry.name, key, FormatLocalized(IDS_VERIFY_TREE_INCOMPLETE, {entry.name, key}),
                Finding::Blocks::Entry);
        }
        const std::string backup = GatewayBackupFolder(system_, parking);
        if (!PathExists(backup)) {
            Add("codesys-gateway-missing", entry.name, backup,
                FormatLocalized(IDS_VERIFY_GATEWAY_MISSING, {backup, entry.name}), Finding::Blocks::Entry);
            return;
        }
        for (const std::string& file : MissingGatewayFiles(backup + "\\")) {
            Add("codesys-gateway-incomplete", entry.name, backup + "\\" + file,
                FormatLocalized(IDS_VERIFY_GATEWAY_INCOMPLETE, {entry.name, file}), Finding::Blocks::Entry);
        }
    }

    // The folder of the CoDeSys program in a parked main folder: the folder itself for a version parked
    // component by component, the main folder's place inside a parked root folder otherwise. Empty when
    // the live places are unknown.
    std::string ProgramFolder(const CodesysVersionEntry& entry, const std::string& parked) const
    {
        if (entry.renameSubDir != 0)
            return parked;
        if (root_.empty() || !EqualsIgnoringCase(main_.substr(0, root_.size() + 1), root_ + "\\"))
            return std::string();
        return parked + main_.substr(root_.size());
    }

    bool IsCataloguedPlace(const std::string& folder) const
    {
        if (EqualsIgnoringCase(folder, state_.newVersionsPath))
            return true;
        return std::any_of(state_.codesysEntries.begin(), state_.codesysEntries.end(), [&](const CodesysVersionEntry& entry) {
            return std::any_of(std::begin(kCodesysComponents), std::end(kCodesysComponents),
                               [&](const CodesysComponent& component) {
                                   return EqualsIgnoringCase(entry.*component.parkPath, folder);
                               });
        });
    }

    bool IsCataloguedVersion(const std::string& version) const
    {
        return std::any_of(state_.codesysEntries.begin(), state_.codesysEntries.end(),
                           [&](const CodesysVersionEntry& entry) { return entry.version == version; });
    }

    // Parked names beside the live main folder ("CoDeSys V2.3 2.3.8.1") and beside the root folder
    // ("3S Software 2.3.7.0", or numbered by a first save) that no entry accounts for.
    void CheckBesideLivePlaces()
    {
        if (main_.empty())
            return;
        std::vector<std::string> programs = FoldersMatching(main_ + " *");
        if (!root_.empty() && EqualsIgnoringCase(main_.substr(0, root_.size() + 1), root_ + "\\")) {
            for (const std::string& folder : FoldersMatching(root_ + "?*")) {
                if (!IsCataloguedPlace(folder))
                    programs.push_back(folder + main_.substr(root_.size()));
            }
        }
        for (const std::string& program : programs) {
            if (IsCataloguedPlace(program) || !PathExists(program + "\\CoDeSys.exe"))
                continue;
            const std::string version = InstalledCodesysVersion(program);
            if (!version.empty() && !IsCataloguedVersion(version)) {
                Add("codesys-folder-orphan", std::string(), program,
                    FormatLocalized(IDS_VERIFY_CODESYS_ORPHAN, {program, version}));
            }
        }
    }

    const RunState& state_;
    const std::string main_;
    const std::string root_;
    const std::string system_;
    std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> VerifyCodesys(const RunState& state) { return CodesysCheck(state).Run(); }

}  // namespace flipdeck
