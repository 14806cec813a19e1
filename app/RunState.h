// The state of one run of the program, owned by the main dialog and worked on by the operations.
#pragma once

#include <string>
#include <vector>

#include "catalogue/SuiteVersionEntry.h"

namespace flipdeck {

struct RunState {
    std::vector<std::string> userHives;  // sub-keys of HKEY_USERS, taken at start-up
    bool suiteDirty = false;             // OK saves the suite catalogue
    bool codesysDirty = false;           // OK saves the CoDeSys catalogue

    // Installation paths read by the administrator check; either may be empty.
    std::string kalvioInstallPath;
    std::string meridanInstallPath;
    // The suite installation path the settings library answers for "PATH".
    std::string installPath;

    std::vector<SuiteVersionEntry> suiteEntries;  // in list order
    int currentSuiteIndex = 0;                    // entry whose folders are live; -1 while loading
    bool autoStart = true;
};

}  // namespace flipdeck
