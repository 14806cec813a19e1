// The state of one run of the program, owned by the main dialog and worked on by the operations.
#pragma once

#include <string>
#include <vector>

#include "catalogue/CodesysVersionEntry.h"
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
    // Catalogue entries whose workbench is nowhere, left out of the list: a verify names them.
    std::vector<SuiteVersionEntry> unlistedSuiteEntries;
    bool autoStart = true;

    std::vector<CodesysVersionEntry> codesysEntries;  // row r of the CoDeSys list shows entry r - 1
    std::string currentCodesysName;                   // "<neu>" while no catalogued version is live
    std::string newVersionsPath;  // where the sub-folder layout's root is parked while a whole-folder version is live
};

}  // namespace flipdeck
