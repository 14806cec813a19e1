#include "switch/Environment.h"

#include <windows.h>

#include "app/ActivityLog.h"
#include "app/LocalizedString.h"
#include "app/Seams.h"
#include "app/UniqueHandle.h"
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

seams::ProcessRun StartAndWait(const std::string& application, const std::string& commandLine, DWORD timeoutMs)
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
    return WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0 ? seams::ProcessRun::Finished
                                                                          : seams::ProcessRun::TimedOut;
}

}  // namespace

namespace seams {
std::function<ProcessRun(const std::string&, const std::string&, DWORD)> RunProcess = StartAndWait;
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

std::string ReadSystemPath()
{
    std::string path = ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path").value_or("");
    NormalizePathList(path);
    return path;
}

bool UpdatePathVariable(const std::vector<SuiteVersionEntry>& entries, int chosen)
{
    if (chosen < 0 || chosen >= static_cast<int>(entries.size()))
        return false;
    const std::string old = ReadSystemPath();
    const std::string bin = entries[chosen].BinPath();
    if (ToUpper(old).find(ToUpper(bin)) != std::string::npos)
        return true;
    const std::string updated = bin + ";" + old;
    WriteSystemPath(updated);
    WriteLog(old);
    WriteLog("ENV PATH not found.");
    WriteLog(updated);
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
    SetEnvironmentVariableA("Path", value.c_str());
}

std::string ProductSystemDirectory()
{
    char path[MAX_PATH] = {};
    if (GetSystemWow64DirectoryA(path, MAX_PATH) == 0)
        GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\";
}

bool RegisterSuiteComponents(const SuiteVersionEntry& entry, UserInterface& ui)
{
    const std::string components = entry.programPath + (entry.edition == 1 ? "\\program\\" : "\\kalvio\\");
    for (const char* file : {"UiControls.dll", "UiControlsSet2.dll", "ATL.dll", "CxForms.dll", "CxUndo.dll", "CxAggreg.dll"})
        RegisterComponent(components + file, ui);
    RegisterComponent(entry.programPath + "\\bin\\RemotePanel.dll", ui);
    return true;
}

bool RegisterComponent(const std::string& path, UserInterface& ui)
{
    if (!PathExists(path))
        return false;
    const std::string command = "regsvr32 /s \"" + path + "\"";
    const std::string error = LoadLocalizedString(IDS_REGISTRATION_ERROR) + " " + command;
    // By full path: an elevated program must never run a regsvr32.exe planted in its own or the
    // current folder.
    switch (seams::RunProcess(ProductSystemDirectory() + "regsvr32.exe", command, 10000)) {
    case seams::ProcessRun::Finished:
        return true;
    case seams::ProcessRun::TimedOut:
        ui.ShowMessage(error, MB_ICONERROR | MB_OK);
        return true;
    case seams::ProcessRun::NotStarted:
        break;
    }
    WriteLog(error);
    ui.ShowMessage(error, MB_ICONERROR | MB_OK);
    return false;
}

}  // namespace flipdeck
