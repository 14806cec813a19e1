// Existence tests and the names of version folders.
#pragma once

#include <string>

#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

// File, folder, window and registry names compare without regard to case.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);
// Upper case in the system code page (double-byte characters kept whole).
std::string ToUpper(std::string text);

// True when a file or folder of that name exists (first match of a directory search: a trailing
// backslash is not found, wildcards act as wildcards).
bool PathExists(const std::string& path);

// "<program path> V<version>", or with "_1", "_2", ... appended: the first such folder that does
// not exist yet.
std::string ProposeRenamePath(const SuiteVersionEntry& entry);

// The installation path a version folder belongs to: a last folder name starting with "Brivane"
// or "MERIDAN" is cut after that word; otherwise the folder's layout decides between the two
// installation paths; otherwise the folder itself (without trailing backslashes).
std::string DeriveInstallationPath(const std::string& folder, const std::string& kalvioInstallPath,
                                   const std::string& meridanInstallPath);

}  // namespace flipdeck
