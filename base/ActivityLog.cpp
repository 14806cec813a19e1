#include "base/ActivityLog.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <memory>

namespace flipdeck {

namespace {

std::string g_logPath;

std::string LogPathIn(const std::string& documents) { return documents + "\\Brivane\\flipdeck.log"; }

}  // namespace

std::string ActivityLogPath()
{
    // The documents folder stays where it is while the program runs, and asking the shell for it
    // costs more than writing a line: it is asked until it answers, then no more.
    if (g_logPath.empty()) {
        char documents[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)))
            g_logPath = LogPathIn(documents);
    }
    return g_logPath;
}

void UseDocumentsFolder(const std::string& documents) { g_logPath = LogPathIn(documents); }

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

void LogLines::Add(const std::string& text)
{
    const std::time_t now = std::time(nullptr);
    lines_ += FormatLogLine(std::localtime(&now), text) + "\n";
}

bool LogLines::Write()
{
    if (lines_.empty())
        return true;
    const std::string lines = std::move(lines_);
    lines_.clear();
    const std::string path = ActivityLogPath();
    if (path.empty())
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "a+"), &std::fclose);
    if (!file)
        return false;
    std::fputs(lines.c_str(), file.get());
    return true;
}

bool WriteLog(const std::string& text)
{
    LogLines line;
    line.Add(text);
    return line.Write();
}

}  // namespace flipdeck
