#include "base/Text.h"

#include <windows.h>

#include <cwchar>

#include "base/UniqueHandle.h"

namespace flipdeck {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

std::string ToUpper(std::string text)
{
    if (!text.empty())
        CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring ToWide(const std::string& text, UINT codePage)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string FromWide(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return std::string();
    // UTF-8 takes no flags; the code pages take no best fit.
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(text.size());
    std::string narrow(static_cast<size_t>(WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

bool PathExists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    UniqueFind search(FindFirstFileA(path.c_str(), &found));
    return static_cast<bool>(search);
}

std::vector<std::string> FoldersMatching(const std::string& pattern)
{
    const std::string parent = pattern.substr(0, pattern.find_last_of('\\') + 1);
    std::vector<std::string> folders;
    WIN32_FIND_DATAA found;
    UniqueFind search(FindFirstFileA(pattern.c_str(), &found));
    if (!search)
        return folders;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
            folders.push_back(parent + name);
    } while (FindNextFileA(search.get(), &found));
    return folders;
}

std::wstring ExpandEnvironment(const std::wstring& text)
{
    std::wstring expanded(text.size() + 1, L'\0');
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            return text;
        if (needed <= expanded.size()) {
            expanded.resize(std::wcslen(expanded.c_str()));
            return expanded;
        }
        expanded.resize(needed);
    }
}

std::string ExpandEnvironment(const std::string& text) { return FromWide(ExpandEnvironment(ToWide(text))); }

}  // namespace flipdeck
