#include "base/FileMove.h"

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Text.h"

namespace flipdeck::seams {

std::function<BOOL(const char*, const char*, DWORD)> MovePath = [](const char* source, const char* target,
                                                                  DWORD flags) {
    return MoveFileExA(source, target, flags);
};

}  // namespace flipdeck::seams

namespace flipdeck {

int RenameWithLog(const std::string& source, const std::string& target)
{
    if (!PathExists(source))
        WriteLog("Rename source path not exists: " + source);
    if (PathExists(target))
        WriteLog("Rename target path already exists: " + target);
    if (seams::MovePath(source.c_str(), target.c_str(), 0))
        return 0;
    const DWORD error = GetLastError();
    WriteLog("Rename FAILED: " + source + " TO " + target);
    WriteLog(SystemErrorText(error));
    return 1;
}

}  // namespace flipdeck
