#include "catalogue/Naming.h"

#include <windows.h>

#include "app/UniqueHandle.h"

namespace flipdeck {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

std::string ToUpper(std::string text)
{
    if (!text.empty())
        CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

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
    const std::string tail = ToUpper(result.substr(tailStart == std::string::npos ? 0 : tailStart));

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
