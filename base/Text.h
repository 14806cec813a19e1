// Comparing and testing names of files, folders, windows and registry keys, and text between code pages.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace flipdeck {

// File, folder, window and registry names compare without regard to case.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);
// Upper case in the system code page (double-byte characters kept whole).
std::string ToUpper(std::string text);

// Text between a code page (the system's by default, or CP_UTF8) and UTF-16. A character the code
// page lacks becomes "?", never a look-alike: "Łódź" is "?ód?", not "Lódz".
std::wstring ToWide(const std::string& text, UINT codePage = CP_ACP);
std::string FromWide(const std::wstring& text, UINT codePage = CP_ACP);

// True when a file or folder of that name exists (first match of a directory search: a trailing
// backslash is not found, wildcards act as wildcards).
bool PathExists(const std::string& path);

// The folders that match a pattern with wildcards in its last name, as full paths.
std::vector<std::string> FoldersMatching(const std::string& pattern);

// The text with its %variables% replaced from this process's environment, as an expandable
// registry value means it; the text itself when that fails.
std::wstring ExpandEnvironment(const std::wstring& text);
std::string ExpandEnvironment(const std::string& text);

}  // namespace flipdeck
