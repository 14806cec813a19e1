// One version of CoDeSys as the catalogue knows it: a row of the CoDeSys list.
#pragma once

#include <windows.h>

#include <string>

namespace flipdeck {

struct CodesysVersionEntry {
    std::string name;
    std::string renamePath;  // where the main program folder (or the whole root folder) is parked
    std::string version;
    std::string eniPath;       // park path of the ENI server folder
    std::string opcPath;       // park path of the OPC server folder
    std::string plcWinNtPath;  // park path of the PLCWinNT folder
    // 1: the component folders are parked one by one; 0: the root folder moves as a whole.
    BYTE renameSubDir = 0;
};

}  // namespace flipdeck
