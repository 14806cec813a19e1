// The names of the suite's version folders and which version a folder holds.
#pragma once

#include <string>
#include <vector>

#include "base/Text.h"
#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

// "<program path> V<version>", or with "_1", "_2", ... appended: the first such folder that does
// not exist yet.
std::string ProposeRenamePath(const SuiteVersionEntry& entry);

// The installation path a version folder belongs to: a last folder name starting with "Brivane"
// or "MERIDAN" is cut after that word; otherwise the folder's layout decides between the two
// installation paths; otherwise the folder itself (without trailing backslashes).
std::string DeriveInstallationPath(const std::string& folder, const std::string& kalvioInstallPath,
                                   const std::string& meridanInstallPath);

// True when the folder holds a workbench in either layout.
bool HoldsWorkbench(const std::string& folder);

// The entry whose version lives in `folder`, a program path: the current version (by name) when
// it belongs there and, where it has a version text, the workbench there has that product
// version; otherwise the entry of that program path whose version text is the workbench's. Of
// several candidates only one whose rename path is free can be the live one. -1 when the folder
// matches no single entry.
int FindLiveVersion(const std::vector<SuiteVersionEntry>& entries, const std::string& folder,
                    const std::string& currentName);

}  // namespace flipdeck
