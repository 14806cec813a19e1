#include "codesys/GatewayFiles.h"

#include <windows.h>

#include "app/ActivityLog.h"
#include "app/Seams.h"
#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

// Between drives, copy and delete. An existing target is never replaced: the move fails instead.
constexpr DWORD kMoveFlags = MOVEFILE_COPY_ALLOWED;

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

std::string GatewayFileInTheWay(const std::string& systemDirectory, const std::string* outgoingBackup,
                                const std::string* incomingBackup)
{
    for (const auto& file : kGatewayFiles) {
        if (!PathExists(systemDirectory + file.name))
            continue;
        if (outgoingBackup != nullptr) {
            if (PathExists(*outgoingBackup + file.name))
                return *outgoingBackup + file.name;
        } else if (incomingBackup != nullptr && PathExists(*incomingBackup + file.name)) {
            // Nothing parks the live file before the incoming one arrives.
            return systemDirectory + file.name;
        }
    }
    return std::string();
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

void GatewayTransfer::Undo(std::vector<StrandedMove>& stranded)
{
    for (auto move = done_.rbegin(); move != done_.rend(); ++move) {
        if (!seams::MovePath(move->second.c_str(), move->first.c_str(), kMoveFlags)) {
            WriteLog("Move back FAILED: " + move->second + " TO " + move->first);
            stranded.push_back({move->second, move->first});
        }
    }
    done_.clear();
}

}  // namespace flipdeck
