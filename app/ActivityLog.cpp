#include "app/ActivityLog.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>

namespace flipdeck {

std::string ActivityLogPath()
{
    char documents[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)))
        return std::string();
    return std::string(documents) + "\\Brivane\\flipdeck.log";
}

std::string FormatLogLine(const std::tm* localTime, const std::string& text)
{
    int day = 0, month = 0, year = 0, hour = -1, minute = -1, second = -1;
    if (localTime != nullptr) {
        day = localTime->tm_mday;
        month = localTime->tm_mon + 1;
        year = localTime->tm_year + 1900;
        hour = localTime->tm_hour;
        minute = localTime->tm_min;
        second = localTime->tm_sec;
    }
    char stamp[64];
    std::snprintf(stamp, sizeof(stamp), "%02d.%02d.%04d %02d:%02d:%02d ", day, month, year, hour,
                  minute, second);
    return stamp + text;
}

bool WriteLog(const std::string& text)
{
    std::string path = ActivityLogPath();
    if (path.empty())
        return false;
    std::time_t now = std::time(nullptr);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "a+"), &std::fclose);
    if (!file)
        return false;
    std::string line = FormatLogLine(std::localtime(&now), text) + "\n";
    std::fputs(line.c_str(), file.get());
    return true;
}

}  // namespace flipdeck
