#include "catalogue/Naming.h"

#include <windows.h>

#include <algorithm>

#include "base/VersionInfo.h"

namespace flipdeck {

std::string ProposeRenamePath(const SuiteVersionEntry& entry)
{
    const std::string base = entry.programPath + " V" + entry.version;
    std::string candidate = base;
    for (int n = 1; PathExists(candidate); ++n)
        candidate = base + "_" + std::to_string(n);
    return candidate;
}

std::string DeriveInstallationPath(const std::string& folder, const std::string& kalvioInstallPath,
                                   const std::string& meridanInstallPath)
{
    std::string result = folder;
    while (!result.empty() && result.back() == '\\')
        result.pop_back();

    // The last folder name is the whole text when there is no backslash.
    const size_t lastBackslash = result.find_last_of('\\');
    const size_t nameStart = lastBackslash == std::string::npos ? 0 : lastBackslash + 1;
    const std::string name = ToUpper(result.substr(nameStart));

    // A name that only contains the word ("Old Brivane") says nothing about where it belongs.
    for (const std::string word : {"BRIVANE", "MERIDAN"}) {
        if (name.compare(0, word.size(), word) == 0)
            return result.substr(0, nameStart + word.size());
    }
    if (PathExists(folder + "\\Kalvio\\workbench.exe"))
        return kalvioInstallPath;
    if (PathExists(folder + "\\program\\workbench.exe"))
        return meridanInstallPath;
    return result;
}

bool HoldsWorkbench(const std::string& folder)
{
    return PathExists(folder + "\\Kalvio\\workbench.exe") || PathExists(folder + "\\program\\workbench.exe");
}

int FindLiveVersion(const std::vector<SuiteVersionEntry>& entries, const std::string& folder,
                    const std::string& currentName)
{
    auto livesThere = [&](const SuiteVersionEntry& entry) { return EqualsIgnoringCase(entry.programPath, folder); };
    const bool currentLivesThere = std::any_of(entries.begin(), entries.end(), [&](const SuiteVersionEntry& entry) {
        return livesThere(entry) && EqualsIgnoringCase(entry.name, currentName);
    });
    std::vector<int> matches;
    for (size_t i = 0; i < entries.size(); ++i) {
        const SuiteVersionEntry& entry = entries[i];
        const std::string workbench = WorkbenchFile(entry);
        if (!livesThere(entry) || !PathExists(workbench))
            continue;
        const std::string live = GetProductVersionText(workbench);
        // The current version is known by its name; any other only by its version text.
        const bool holdsIt = currentLivesThere ? EqualsIgnoringCase(entry.name, currentName) &&
                                                     (entry.version.empty() || entry.version == live)
                                               : !entry.version.empty() && entry.version == live;
        if (holdsIt)
            matches.push_back(static_cast<int>(i));
    }
    if (matches.size() > 1) {
        matches.erase(std::remove_if(matches.begin(), matches.end(),
                                     [&](int i) { return PathExists(entries[i].renamePath); }),
                      matches.end());
    }
    return matches.size() == 1 ? matches[0] : -1;
}

}  // namespace flipdeck
