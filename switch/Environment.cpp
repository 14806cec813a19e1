#include "switch/Environment.h"

#include <windows.h>

#include <cstring>

#include "app/ActivityLog.h"
#include "app/LocalizedString.h"
#include "app/Seams.h"
#include "catalogue/UniqueHandle.h"
#include "catalogue/Naming.h"
#include "catalogue/Registry.h"

namespace flipdeck {

const char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

seams::ProcessRun StartAndWait(const std::string& application, const std::string& commandLine, DWORD timeoutMs,
                               DWORD& exitCode)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    std::string mutableLine = commandLine;  // CreateProcessA may write into the command line
    if (!CreateProcessA(application.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return seams::ProcessRun::NotStarted;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0)
        return seams::ProcessRun::TimedOut;
    if (!GetExitCodeProcess(process.get(), &exitCode))
        exitCode = GetLastError();
    return seams::ProcessRun::Finished;
}

std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_NONE:
        return "REG_NONE";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_QWORD:
        return "REG_QWORD";
    default:
        return std::to_string(type);
    }
}

// Whether one of the list's ";"-separated entries names `folder`, without regard to case or a
// trailing backslash: C:\Brivane\bin2 or C:\Brivane\bin.old is another folder than C:\Brivane\bin.
bool PathListHolds(const std::string& list, const std::string& folder)
{
    auto plain = [](std::string entry) {
        while (!entry.empty() && entry.back() == '\\')
            entry.pop_back();
        return ToUpper(entry);
    };
    const std::string wanted = plain(folder);
    for (size_t start = 0;;) {
        const size_t end = list.find(';', start);
        if (plain(list.substr(start, end == std::string::npos ? std::string::npos : end - start)) == wanted)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

// The list with its %variables% replaced from this process's environment, as programs started
// from here must see it.
std::string ExpandEnvironment(const std::string& text)
{
    std::string expanded(text.size() + 1, '\0');
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            return text;
        if (needed <= expanded.size()) {
            expanded.resize(std::strlen(expanded.c_str()));
            return expanded;
        }
        expanded.resize(needed);
    }
}

}  // namespace

namespace seams {
std::function<ProcessRun(const std::string&, const std::string&, DWORD, DWORD&)> RunProcess = StartAndWait;
}  // namespace seams

void NormalizePathList(std::string& list)
{
    while (list.find(";;") != std::string::npos)
        ReplaceAll(list, ";;", ";");
    const char* blanks = " \t\r\n";
    size_t first = list.find_first_not_of(blanks);
    list = first == std::string::npos ? std::string() : list.substr(first, list.find_last_not_of(blanks) - first + 1);
    if (!list.empty() && list.front() == ';')
        list.erase(0, 1);
    if (list.empty() || list.back() != ';')
        list += ';';
}

std::optional<std::string> ReadSystemPath(PathReadFailure& failure)
{
    failure = PathReadFailure();
    UniqueHKey key;
    failure.status = OpenRegKey(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ, key);
    if (failure.status != ERROR_SUCCESS) {
        failure.keyOpened = false;
        return std::nullopt;
    }
    RegValue value;
    failure.status = QueryRegValue(key.get(), "Path", value);
    std::string path;
    if (failure.status == ERROR_FILE_NOT_FOUND) {
        // Only a missing value is an empty PATH: anything else taken as empty would be written
        // back as the bin path alone.
        failure.status = ERROR_SUCCESS;
    } else if (failure.status != ERROR_SUCCESS) {
        return std::nullopt;
    } else if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) {
        failure.type = value.type;
        return std::nullopt;
    } else {
        path = value.Text();
    }
    NormalizePathList(path);
    return path;
}

bool PlanPathUpdate(const SuiteVersionEntry& entry, std::vector<Step>& steps, std::string& refusal, std::string& logLine)
{
    PathReadFailure failure;
    const std::optional<std::string> old = ReadSystemPath(failure);
    if (!old) {
        if (failure.status == ERROR_SUCCESS) {
            logLine = "ENV PATH not read: type " + TypeName(failure.type);
            refusal = FormatLocalized(IDS_SYSTEM_PATH_WRONG_TYPE, {kEnvironmentKey, TypeName(failure.type)});
        } else {
            const std::string error = std::to_string(failure.status);
            logLine = std::string("ENV PATH not read: ") + (failure.keyOpened ? "" : "key not opened, ") + "error " + error;
            refusal = FormatLocalized(IDS_SYSTEM_PATH_NOT_READ, {kEnvironmentKey, error});
        }
        return false;
    }
    const std::string bin = entry.BinPath();
    if (PathListHolds(*old, bin))
        return true;
    const std::string updated = bin + ";" + *old;
    steps.push_back(SetSystemPathStep(updated, bin));
    for (const std::string& line : {*old, std::string("ENV PATH not found."), updated})
        steps.push_back(NoteStep(line));
    return true;
}

void WriteSystemPath(std::string value)
{
    ReplaceAll(value, ";;", ";");
    if (value.size() <= 10)
        return;
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", value);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    // Our own windows got the broadcast as queued messages: handle them before going on.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // The value keeps its %variables% for Windows to expand; regsvr32 and the workbench started
    // from here inherit this process's environment as it is, so they get the expanded list.
    SetEnvironmentVariableA("Path", ExpandEnvironment(value).c_str());
}

std::string ProductSystemDirectory()
{
    char path[MAX_PATH] = {};
    if (GetSystemWow64DirectoryA(path, MAX_PATH) == 0)
        GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\";
}

std::vector<std::string> SuiteComponents(const SuiteVersionEntry& entry)
{
    const std::string components = entry.programPath + (entry.edition == 1 ? "\\program\\" : "\\kalvio\\");
    std::vector<std::string> files;
    for (const char* file : {"UiControls.dll", "UiControlsSet2.dll", "ATL.dll", "CxForms.dll", "CxUndo.dll", "CxAggreg.dll"})
        files.push_back(components + file);
    files.push_back(entry.programPath + "\\bin\\RemotePanel.dll");
    return files;
}

bool RegisterComponent(const std::string& path)
{
    if (!PathExists(path))
        return true;
    const std::string command = "regsvr32 /s \"" + path + "\"";
    // By full path: an elevated program must never run a regsvr32.exe planted in its own or the
    // current folder.
    DWORD exitCode = 0;
    switch (seams::RunProcess(ProductSystemDirectory() + "regsvr32.exe", command, 10000, exitCode)) {
    case seams::ProcessRun::Finished:
        WriteLog(command + " exit code: " + std::to_string(exitCode));
        return exitCode == 0;
    case seams::ProcessRun::TimedOut:
        // Left running: it may still finish its work.
        WriteLog(command + " did not end within 10 s");
        return false;
    case seams::ProcessRun::NotStarted:
        break;
    }
    WriteLog(LoadLocalizedString(IDS_REGISTRATION_ERROR) + " " + command);
    return false;
}

}  // namespace flipdeck
