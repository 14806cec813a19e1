#include "switch/FolderRename.h"

#include <algorithm>
#include <utility>

#include "app/ActivityLog.h"
#include "app/LocalizedString.h"
#include "app/Seams.h"
#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

bool Move(const std::string& source, const std::string& target)
{
    return seams::MovePath(source.c_str(), target.c_str(), 0) != FALSE;
}

}  // namespace

int RenameWithLog(const std::string& source, const std::string& target)
{
    if (!PathExists(source))
        WriteLog("Rename source path not exists: " + source);
    if (PathExists(target))
        WriteLog("Rename target path already exists: " + target);
    if (Move(source, target))
        return 0;
    WriteLog("Rename FAILED: " + source + " TO " + target);
    return 1;
}

bool FindVersionsToPark(const std::vector<SuiteVersionEntry>& entries, int chosen, const std::string& currentName,
                        std::vector<int>& parked, UserInterface& ui)
{
    parked.clear();
    std::vector<std::string> folders;
    for (const SuiteVersionEntry& entry : entries) {
        const std::string& folder = entry.programPath;
        const bool seen = std::any_of(folders.begin(), folders.end(),
                                      [&](const std::string& known) { return EqualsIgnoringCase(known, folder); });
        if (seen || folder.empty() || !HoldsWorkbench(folder))
            continue;
        folders.push_back(folder);
        const int live = FindLiveVersion(entries, folder, currentName);
        if (live < 0) {
            const std::string message = FormatLocalized(IDS_LIVE_VERSION_UNMATCHED, {folder});
            WriteLog(message);
            ui.ShowMessage(message, MB_ICONINFORMATION | MB_OK);
            return false;
        }
        if (live != chosen)
            parked.push_back(live);
    }
    std::sort(parked.begin(), parked.end());
    return true;
}

bool RenameVersions(const std::vector<SuiteVersionEntry>& entries, int chosen, const std::vector<int>& parked,
                    UserInterface& ui)
{
    if (chosen < 0 || chosen >= static_cast<int>(entries.size()))
        return false;
    std::vector<std::pair<std::string, std::string>> done;
    std::pair<std::string, std::string> failed;
    auto exchange = [&] {
        for (int i : parked) {
            const std::string& program = entries[i].programPath;
            const std::string& rename = entries[i].renamePath;
            if (!PathExists(program) || PathExists(rename))
                continue;
            if (RenameWithLog(program, rename) != 0) {
                failed = {program, rename};
                return false;
            }
            done.emplace_back(program, rename);
        }
        const SuiteVersionEntry& target = entries[chosen];
        const std::string& program = target.programPath;
        // A folder left at the program path without a workbench is moved aside, never deleted.
        if (PathExists(program) && !HoldsWorkbench(program)) {
            int n = 1;
            while (PathExists(program + "_uninstalled" + std::to_string(n)))
                ++n;
            Move(program, program + "_uninstalled" + std::to_string(n));
        }
        failed = {target.renamePath, program};
        if (!PathExists(target.renamePath) || PathExists(program) || RenameWithLog(target.renamePath, program) != 0)
            return false;
        return true;
    };
    if (exchange())
        return true;

    for (const auto& [source, target] : done) {
        // A move back that fails leaves the folder at its rename path, where the catalogue finds
        // it; the log says so, since the message below speaks only of the failed move.
        if (!Move(target, source))
            WriteLog("Rename FAILED: " + target + " TO " + source);
    }
    const std::string message = FormatLocalized(IDS_RENAME_DIR_FAILED, {failed.first, failed.second});
    WriteLog(message);
    ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
    return false;
}

}  // namespace flipdeck
