#include "codesys/GatewayFiles.h"

#include <windows.h>

#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

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

std::vector<std::string> MissingGatewayFiles(const std::string& folder)
{
    std::vector<std::string> missing;
    for (const auto& file : kGatewayFiles) {
        if (file.required && !PathExists(folder + file.name))
            missing.push_back(file.name);
    }
    return missing;
}

std::vector<Step> GatewayFileMoves(const std::string& from, const std::string& to)
{
    std::vector<Step> moves;
    for (const auto& file : kGatewayFiles) {
        if (file.required || PathExists(from + file.name))
            moves.push_back(MoveFileStep(from + file.name, to + file.name, file.required));
    }
    return moves;
}

}  // namespace flipdeck
