// Comparing and testing names of files, folders, windows and registry keys.
#pragma once

#include <string>

namespace flipdeck {

// File, folder, window and registry names compare without regard to case.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);
// Upper case in the system code page (double-byte characters kept whole).
std::string ToUpper(std::string text);

// True when a file or folder of that name exists (first match of a directory search: a trailing
// backslash is not found, wildcards act as wildcards).
bool PathExists(const std::string& path);

// The text with its %variables% replaced from this process's environment, as an expandable
// registry value means it; the text itself when that fails.
std::string ExpandEnvironment(const std::string& text);

}  // namespace flipdeck
