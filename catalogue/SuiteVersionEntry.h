// One version of the suite as the catalogue knows it.
#pragma once

#include <string>

namespace flipdeck {

struct SuiteVersionEntry {
    std::string name;
    std::string programPath;  // the folder the version occupies while it is active
    std::string renamePath;   // where it is parked while another version is active
    std::string version;      // "%d.%d.%d.%d" of its workbench's product version
    std::string helpFile;
    // 0: the workbench lies under "\Kalvio\workbench.exe", 1: under "\program\workbench.exe".
    int edition = 0;

    std::string BinPath() const { return programPath + "\\bin"; }
};

// The workbench program of a version: "\program\workbench.exe" for the MERIDAN layout, else
// "\Kalvio\workbench.exe", under its program path.
inline std::string WorkbenchFile(const SuiteVersionEntry& entry)
{
    return entry.programPath + (entry.edition == 1 ? "\\program\\workbench.exe" : "\\Kalvio\\workbench.exe");
}

}  // namespace flipdeck
