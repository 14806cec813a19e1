#include "suite/FolderExchange.h"

#include <algorithm>

#include "base/LocalizedString.h"
#include "catalogue/Naming.h"

namespace flipdeck {

std::optional<Refusal> FindVersionsToPark(const std::vector<SuiteVersionEntry>& entries, int chosen,
                                          const std::string& currentName, std::vector<int>& parked)
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
        if (live < 0)
            return Refusal::Logged(FormatLocalized(IDS_LIVE_VERSION_UNMATCHED, {folder}), MB_ICONINFORMATION | MB_OK);
        if (live != chosen)
            parked.push_back(live);
    }
    std::sort(parked.begin(), parked.end());
    return std::nullopt;
}

std::optional<Refusal> PlanRenameVersions(const std::vector<SuiteVersionEntry>& entries, int chosen,
                                          const std::vector<int>& parked, PlannedPaths& paths, std::vector<Step>& steps)
{
    auto move = [&](const std::string& from, const std::string& to, bool logged) {
        steps.push_back(MoveFolderStep(from, to, logged));
        paths.Move(from, to);
    };
    for (int i : parked) {
        const std::string& program = entries[i].programPath;
        const std::string& rename = entries[i].renamePath;
        if (paths.Exists(program) && !paths.Exists(rename))
            move(program, rename, true);
    }
    const SuiteVersionEntry& target = entries[chosen];
    const std::string& program = target.programPath;
    // A folder left at the program path without a workbench is moved aside, never deleted.
    if (paths.Exists(program) && !paths.Exists(program + "\\Kalvio\\workbench.exe") &&
        !paths.Exists(program + "\\program\\workbench.exe")) {
        int n = 1;
        while (paths.Exists(program + "_uninstalled" + std::to_string(n)))
            ++n;
        // Like the folder itself, a failed move aside is left alone: the version cannot come in then.
        move(program, program + "_uninstalled" + std::to_string(n), false);
        steps.back().lasting = true;
        steps.back().mayFail = true;
    }
    if (!paths.Exists(target.renamePath) || paths.Exists(program)) {
        const std::string message = FormatLocalized(IDS_RENAME_DIR_FAILED, {target.renamePath, program});
        return Refusal{message, {message, "RenameVersions FAILED."}};
    }
    move(target.renamePath, program, true);
    return std::nullopt;
}

}  // namespace flipdeck
