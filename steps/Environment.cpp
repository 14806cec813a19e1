#include "steps/Environment.h"

#include <windows.h>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/Naming.h"

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

}  // namespace

namespace seams {
std::function<LSTATUS(const RegValue&)> WritePathValue = [](const RegValue& value) {
    UniqueHKey key;
    LSTATUS status = OpenRegKey(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_SET_VALUE, key);
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(key.get(), L"Path", 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    return status;
};
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

std::optional<RegValue> ReadSystemPath(PathReadFailure& failure)
{
    failure = PathReadFailure();
    UniqueHKey key;
    failure.status = OpenRegKey(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ, key);
    if (failure.status != ERROR_SUCCESS) {
        failure.keyOpened = false;
        return std::nullopt;
    }
    RegValue value;
    failure.status = QueryWideRegValue(key.get(), L"Path", value);
    if (failure.status == ERROR_FILE_NOT_FOUND) {
        // Only a missing value is an empty PATH: anything else taken as empty would be written
        // back as the bin path alone.
        failure.status = ERROR_SUCCESS;
        return RegValue{REG_EXPAND_SZ, {}};
    }
    if (failure.status != ERROR_SUCCESS)
        return std::nullopt;
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) {
        failure.type = value.type;
        return std::nullopt;
    }
    return value;
}

std::string PathListText(const RegValue& path)
{
    std::string list = FromWide(WideText(path.data));
    NormalizePathList(list);
    return list;
}

bool WriteSystemPath(const RegValue& value)
{
    const std::wstring text = WideText(value.data);
    if (text.size() <= 10)
        return true;
    const LSTATUS status = seams::WritePathValue(value);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
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
    SetEnvironmentVariableW(L"Path", ExpandEnvironment(text).c_str());
    return true;
}

std::string ProductSystemDirectory()
{
    char path[MAX_PATH] = {};
    if (GetSystemWow64DirectoryA(path, MAX_PATH) == 0)
        GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\";
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
