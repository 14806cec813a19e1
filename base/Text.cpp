#include "base/Text.h"

#include <windows.h>

#include <cstring>

#include "base/UniqueHandle.h"

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

std::string ExpandEnvironment(const std::string& text)
{
    std::string expanded(text.size() + 1, '\0');
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            return text;
        if (needed <= expanded.size()) {
            expanded.resize(std::strlen(expanded.c_str()));
            return expanded;
        }
        expanded.resize(needed);
    }
}

}  // namespace flipdeck
