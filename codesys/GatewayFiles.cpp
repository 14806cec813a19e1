#include "codesys/GatewayFiles.h"

#include <windows.h>

#include "app/ActivityLog.h"
#include "app/Seams.h"
#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

// Replace an existing target; between drives, copy and delete.
constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED;

const struct {
    const char* name;
    bool required;
} kGatewayFiles[] = {
    {"gdrvudp.dll", false},   {"commsym.dll", true},  {"commusr.dll", true},    {"gateway.exe", true},
    {"gateway.hlp", false},   {"gateway.cnt", false}, {"gateway.chm", false},   {"gatewayDDE.exe", true},
    {"gclient.dll", true},    {"gdrvbase.dll", true}, {"gdrvstd.dll", true},    {"ghandle.dll", true},
    {"gsymbol.dll", true},    {"gutil.dll", true},
};

}  // namespace

std::string GatewayBackupFolder(const std::string& systemDirectory, const std::string& version)
{
    return systemDirectory + "CoDeSys " + version;
}

bool PrepareGatewayBackup(const std::string& folder)
{
    return PathExists(folder) || CreateDirectoryA(folder.c_str(), nullptr) != FALSE;
}

bool GatewayTransfer::Move(const std::string& from, const std::string& to, std::string& failedFile)
{
    for (const auto& file : kGatewayFiles) {
        const std::string source = from + file.name;
        const std::string target = to + file.name;
        if (seams::MovePath(source.c_str(), target.c_str(), kMoveFlags)) {
            done_.emplace_back(source, target);
        } else if (file.required) {
            failedFile = file.name;
            return false;
        }
    }
    return true;
}

void GatewayTransfer::Undo()
{
    for (auto move = done_.rbegin(); move != done_.rend(); ++move) {
        if (!seams::MovePath(move->second.c_str(), move->first.c_str(), kMoveFlags))
            WriteLog("Move back FAILED: " + move->second + " TO " + move->first);
    }
    done_.clear();
}

}  // namespace flipdeck
