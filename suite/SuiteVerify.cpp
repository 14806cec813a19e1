#include "suite/SuiteVerify.h"

#include <windows.h>

#include <algorithm>

#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "steps/Environment.h"
#include "suite/SuiteEnvironment.h"

namespace flipdeck {

const char kClassesKey[] = "SOFTWARE\\Classes\\CLSID";

namespace {

// The entry as it is while parked: its folders under the rename path.
SuiteVersionEntry Parked(const SuiteVersionEntry& entry)
{
    SuiteVersionEntry parked = entry;
    parked.programPath = entry.renamePath;
    return parked;
}

// The product version of the workbench in `folder`, in either layout; empty when there is none.
std::string WorkbenchVersion(const std::string& folder)
{
    for (const char* workbench : {"\\Kalvio\\workbench.exe", "\\program\\workbench.exe"}) {
        if (PathExists(folder + workbench))
            return GetProductVersionText(folder + workbench);
    }
    return std::string();
}

bool IsInside(const std::string& path, const std::string& folder)
{
    const std::string prefix = folder + "\\";
    return !folder.empty() && path.size() > prefix.size() && EqualsIgnoringCase(path.substr(0, prefix.size()), prefix);
}

class SuiteCheck {
public:
    explicit SuiteCheck(const RunState& state)
        : entries_(state.suiteEntries), unlisted_(state.unlistedSuiteEntries), current_(GetCurrentVersionName())
    {
    }

    std::vector<Finding> Run(VerifyDepth depth)
    {
        for (size_t i = 0; i < entries_.size(); ++i) {
            live_.push_back(!entries_[i].programPath.empty() &&
                            FindLiveVersion(entries_, entries_[i].programPath, current_) == static_cast<int>(i));
            parked_.push_back(!entries_[i].renamePath.empty() && PathExists(entries_[i].renamePath));
        }
        for (size_t i = 0; i < entries_.size(); ++i)
            CheckFolders(i);
        // A version uninstalled by hand is not listed, but still catalogued.
        for (const SuiteVersionEntry& entry : unlisted_)
            AddMissing(entry);
        CheckBesideProgramPaths();
        CheckPath();
        if (depth == VerifyDepth::Whole)
            CheckRegistrations();
        return std::move(findings_);
    }

private:
    void Add(const char* code, const std::string& entry, const std::string& place, std::string text,
             Finding::Blocks blocks = Finding::Blocks::Nothing)
    {
        findings_.push_back({code, kSuiteProduct, entry, place, std::move(text), blocks});
    }

    void AddMissing(const SuiteVersionEntry& entry)
    {
        Add("suite-folder-missing", entry.name, entry.renamePath,
            FormatLocalized(IDS_VERIFY_SUITE_FOLDER_MISSING, {entry.name, entry.programPath, entry.renamePath}),
            Finding::Blocks::Entry);
    }

    bool IsCurrent(size_t i) const { return EqualsIgnoringCase(entries_[i].name, current_); }

    void CheckFolders(size_t i)
    {
        const SuiteVersionEntry& entry = entries_[i];
        if (entry.programPath.empty())
            return;
        if (IsCurrent(i) && !live_[i] && HoldsWorkbench(entry.programPath)) {
            // Another version is live than the catalogue says; where it matches no entry at all, no
            // switch can tell under which name to park it.
            const bool unmatched = FindLiveVersion(entries_, entry.programPath, current_) < 0;
            Add("suite-live-version-mismatch", entry.name, entry.programPath,
                FormatLocalized(IDS_VERIFY_LIVE_VERSION,
                                {entry.programPath, VersionOrNone(WorkbenchVersion(entry.programPath)), entry.name}),
                unmatched ? Finding::Blocks::Product : Finding::Blocks::Nothing);
            return;
        }
        if (!live_[i] && !parked_[i]) {
            AddMissing(entry);
        } else if (live_[i] && parked_[i]) {
            Add("suite-folder-both", entry.name, entry.renamePath,
                FormatLocalized(IDS_VERIFY_FOLDER_BOTH, {entry.name, entry.programPath, entry.renamePath}),
                Finding::Blocks::Entry);
        } else if (parked_[i] && !entry.version.empty()) {
            const std::string found = WorkbenchVersion(entry.renamePath);
            if (found != entry.version) {
                Add("suite-parked-version-mismatch", entry.name, entry.renamePath,
                    FormatLocalized(IDS_VERIFY_PARKED_VERSION, {entry.renamePath, VersionOrNone(found), entry.version, entry.name}),
                    Finding::Blocks::Entry);
            }
        }
    }

    bool IsCataloguedPlace(const std::string& folder) const
    {
        return std::any_of(entries_.begin(), entries_.end(), [&](const SuiteVersionEntry& entry) {
            return EqualsIgnoringCase(entry.renamePath, folder) || EqualsIgnoringCase(entry.programPath, folder);
        });
    }

    // Folders named as a rename path is proposed ("<program path> V<version>...") that no entry
    // accounts for: a version the catalogue lacks, or an entry's version under another name.
    void CheckBesideProgramPaths()
    {
        std::vector<std::string> seen;
        for (const SuiteVersionEntry& entry : entries_) {
            if (entry.programPath.empty() || std::any_of(seen.begin(), seen.end(), [&](const std::string& folder) {
                    return EqualsIgnoringCase(folder, entry.programPath);
                }))
                continue;
            seen.push_back(entry.programPath);
            for (const std::string& folder : FoldersMatching(entry.programPath + " V*")) {
                if (!IsCataloguedPlace(folder))
                    CheckStrayFolder(folder, entry.programPath);
            }
        }
    }

    void CheckStrayFolder(const std::string& folder, const std::string& programPath)
    {
        const std::string version = WorkbenchVersion(folder);
        if (version.empty())
            return;
        auto holds = [&](const SuiteVersionEntry& entry) {
            return entry.version == version && EqualsIgnoringCase(entry.programPath, programPath);
        };
        auto misplaced = [&](const SuiteVersionEntry& entry) {
            Add("suite-folder-misplaced", entry.name, folder,
                FormatLocalized(IDS_VERIFY_SUITE_MISPLACED, {folder, version, entry.name, entry.renamePath}));
        };
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (!holds(entries_[i]))
                continue;
            // A copy of a version that is where it belongs is nobody's concern.
            if (!live_[i] && !parked_[i])
                misplaced(entries_[i]);
            return;
        }
        for (const SuiteVersionEntry& entry : unlisted_) {
            if (holds(entry)) {
                misplaced(entry);
                return;
            }
        }
        Add("suite-folder-orphan", std::string(), folder, FormatLocalized(IDS_VERIFY_SUITE_ORPHAN, {folder, version}));
    }

    void CheckPath()
    {
        PathReadFailure failure;
        const std::optional<RegValue> path = ReadSystemPath(failure);
        if (!path)
            return;
        const std::string list = PathListText(*path);
        const std::string value = "HKEY_LOCAL_MACHINE\\" + std::string(kEnvironmentKey) + "\\Path";
        for (size_t i = 0; i < entries_.size(); ++i) {
            const SuiteVersionEntry& entry = entries_[i];
            if (IsCurrent(i) && !entry.programPath.empty() && !PathListHolds(list, entry.BinPath())) {
                Add("suite-path-missing", entry.name, value,
                    FormatLocalized(IDS_VERIFY_PATH_MISSING, {entry.BinPath(), entry.name}));
            }
            if (!IsCurrent(i) && !entry.renamePath.empty() && PathListHolds(list, Parked(entry).BinPath())) {
                Add("suite-path-parked", entry.name, value,
                    FormatLocalized(IDS_VERIFY_PATH_PARKED, {Parked(entry).BinPath(), entry.name}));
            }
        }
    }

    // Registrations that point into a version's folders: from a parked one, or at a file that is gone.
    void CheckRegistrations()
    {
        UniqueHKey classes;
        if (OpenRegKey(HKEY_LOCAL_MACHINE, kClassesKey, KEY_READ, classes) != ERROR_SUCCESS)
            return;
        char name[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof(name);
            if (RegEnumKeyExA(classes.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            const std::string key = std::string(kClassesKey) + "\\" + name + "\\InprocServer32";
            const std::optional<std::string> server = ReadRegText(HKEY_LOCAL_MACHINE, key, "");
            if (server)
                CheckRegistration(ExpandEnvironment(*server), "HKEY_LOCAL_MACHINE\\" + key);
        }
    }

    void CheckRegistration(const std::string& file, const std::string& key)
    {
        for (size_t i = 0; i < entries_.size(); ++i) {
            const SuiteVersionEntry& entry = entries_[i];
            if (!live_[i] && IsInside(file, entry.renamePath)) {
                Add("suite-com-parked", entry.name, key, FormatLocalized(IDS_VERIFY_COM_PARKED, {file, entry.name}));
                return;
            }
        }
        for (const SuiteVersionEntry& entry : entries_) {
            if ((IsInside(file, entry.programPath) || IsInside(file, entry.renamePath)) && !PathExists(file)) {
                Add("suite-com-missing", std::string(), key, FormatLocalized(IDS_VERIFY_COM_MISSING, {file}));
                return;
            }
        }
    }

    const std::vector<SuiteVersionEntry>& entries_;
    const std::vector<SuiteVersionEntry>& unlisted_;
    const std::string current_;
    std::vector<bool> live_;
    std::vector<bool> parked_;
    std::vector<Finding> findings_;
};

}  // namespace

std::vector<Finding> VerifySuite(const RunState& state, VerifyDepth depth) { return SuiteCheck(state).Run(depth); }

}  // namespace flipdeck
