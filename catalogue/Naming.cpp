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

}  // namespace flipdeck
