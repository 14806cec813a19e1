#include "catalogue/Naming.h"

#include <windows.h>

#include "app/UniqueHandle.h"

namespace flipdeck {

bool PathExists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    UniqueFind search(FindFirstFileA(path.c_str(), &found));
    return static_cast<bool>(search);
}

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

    // Position of the last backslash; npos counts as -1, so the whole text is the last name.
    size_t tailStart = result.find_last_of('\\');
    size_t nameStart = tailStart == std::string::npos ? 0 : tailStart + 1;
    std::string tail = result.substr(tailStart == std::string::npos ? 0 : tailStart);
    CharUpperBuffA(tail.data(), static_cast<DWORD>(tail.size()));

    for (const std::string word : {"BRIVANE", "MERIDAN"}) {
        if (tail.find(word) != std::string::npos)
            return result.substr(0, nameStart + word.size());
    }
    if (PathExists(folder + "\\Kalvio\\workbench.exe"))
        return kalvioInstallPath;
    if (PathExists(folder + "\\program\\workbench.exe"))
        return meridanInstallPath;
    return result;
}

}  // namespace flipdeck
