#include "steps/RunningPrograms.h"

#include <windows.h>
#include <tlhelp32.h>

#include "base/Account.h"
#include "base/LocalizedString.h"
#include "base/UniqueHandle.h"
#include "catalogue/Naming.h"

namespace flipdeck {

namespace {

UniqueModule LoadSystemLibrary(const char* name)
{
    return UniqueModule(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

template <typename F>
F Resolve(const UniqueModule& library, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library.get(), name)));
}

bool WalkWithPsapi(const seams::ProcessVisitor& visit, UserInterface* ui)
{
    UniqueModule psapi = LoadSystemLibrary("PSAPI.DLL");
    if (!psapi) {
        if (ui != nullptr)
            ui->ShowMessage(LoadLocalizedString(IDS_PSAPI_MISSING), MB_ICONWARNING, LoadLocalizedString(IDS_ERROR_CAPTION));
        return false;
    }
    using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
    using EnumModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
    using ModuleNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
    auto enumProcesses = Resolve<EnumProcessesFn>(psapi, "EnumProcesses");
    auto enumModules = Resolve<EnumModulesFn>(psapi, "EnumProcessModules");
    auto moduleName = Resolve<ModuleNameFn>(psapi, "GetModuleFileNameExA");
    if (!enumProcesses || !enumModules || !moduleName)
        return false;

    std::vector<DWORD> ids(256);
    DWORD bytes = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        if (!enumProcesses(ids.data(), size, &bytes))
            return false;
        if (bytes < size)
            break;
        ids.resize(ids.size() * 2);
    }
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        std::string path;
        UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
        HMODULE first = nullptr;
        DWORD needed = 0;
        char name[MAX_PATH];
        if (process && enumModules(process.get(), &first, sizeof(first), &needed)) {
            DWORD length = moduleName(process.get(), first, name, MAX_PATH);
            path.assign(name, length);
        }
        RunningProcess found;
        found.id = ids[i];
        found.image = path;
        if (!visit(found))
            break;
    }
    return true;
}

using FullImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);

// What the process itself tells beyond its file name: its program's full path (the function exists
// from Windows Vista on), its session and its account. Processes of other sessions and accounts
// open with the limited right an administrator holds for them.
void Describe(RunningProcess& process, FullImageNameFn fullImageName)
{
    DWORD session = 0;
    if (ProcessIdToSessionId(process.id, &session))
        process.session = session;
    UniqueHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id));
    if (!handle)
        return;
    char path[MAX_PATH * 4];
    DWORD length = sizeof(path);
    if (fullImageName != nullptr && fullImageName(handle.get(), 0, path, &length))
        process.image.assign(path, length);
    UniqueHandle token;
    if (OpenProcessToken(handle.get(), TOKEN_QUERY, token.put()))
        process.user = TokenUserName(token.get());
}

bool WalkWithToolhelp(const seams::ProcessVisitor& visit)
{
    UniqueModule kernel = LoadSystemLibrary("Kernel32.DLL");
    using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using ProcessFn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
    auto snapshot = Resolve<SnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    auto first = Resolve<ProcessFn>(kernel, "Process32First");
    auto next = Resolve<ProcessFn>(kernel, "Process32Next");
    if (!kernel || !snapshot || !first || !next)
        return false;
    const auto fullImageName = Resolve<FullImageNameFn>(kernel, "QueryFullProcessImageNameA");
    UniqueFileHandle processes(snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = first(processes.get(), &entry); more; more = next(processes.get(), &entry)) {
        RunningProcess process;
        process.id = entry.th32ProcessID;
        process.image = entry.szExeFile;
        Describe(process, fullImageName);
        if (!visit(process))
            break;
        entry.dwSize = sizeof(entry);
    }
    return true;
}

std::string FileNamePart(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Line(const std::string& text) { return "\t" + text + "\n"; }

}  // namespace

bool EnumRunningProcesses(const seams::ProcessVisitor& visit, UserInterface* ui)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&version))
        return false;
#pragma GCC diagnostic pop
    return version.dwMajorVersion == 4 ? WalkWithPsapi(visit, ui) : WalkWithToolhelp(visit);
}

namespace seams {
std::function<bool(const ProcessVisitor&)> WalkProcesses = [](const ProcessVisitor& visit) {
    return EnumRunningProcesses(visit);
};
std::function<bool(const char*, const char*)> FindTopLevelWindow = [](const char* className, const char* title) {
    return FindWindowA(className, title) != nullptr;
};
}  // namespace seams

bool IsProcessRunning(const std::string& fileName, bool* walked)
{
    bool found = false;
    const bool walkedAll = seams::WalkProcesses([&](const RunningProcess& process) {
        found = EqualsIgnoringCase(FileNamePart(process.image), fileName.c_str());
        return !found;
    });
    if (walked != nullptr)
        *walked = walkedAll;
    return found;
}

FoundPrograms CollectRunningTools(size_t capacity, bool simulationNaming)
{
    const std::string naming = LoadLocalizedString(simulationNaming ? IDS_TOOL_SIMULATION : IDS_TOOL_VISUALISATION);
    const std::string simkern = LoadLocalizedString(simulationNaming ? IDS_TOOL_CONTROL_TARGET_SIM : IDS_TOOL_TESSARO_TARGET_SIM);
    const struct {
        const char* file;
        std::string text;
    } tools[] = {
        {"PaneluxDesigner.exe", LoadLocalizedString(IDS_TOOL_PANELUX_DESIGNER)},
        {"Panelux.exe", LoadLocalizedString(IDS_TOOL_PANELUX_DESIGNER)},
        {"Rescomp4b.exe", LoadLocalizedString(IDS_TOOL_RESCOMP)},
        {"Rescomp.exe", LoadLocalizedString(IDS_TOOL_RESCOMP)},
        {"QV.exe", naming + ": QV.exe"},
        {"QVD.exe", naming + ": QVD.exe"},
        {"QV4B.exe", naming + ": QV4B.exe"},
        {"Kondex.exe", "Kondex.exe"},
        {"Mondex.exe", "Mondex.exe"},
        {"Servato.exe", "Servato.exe"},
        {"Gateway.exe", LoadLocalizedString(IDS_TOOL_CODESYS_GATEWAY)},
        {"Recora.exe", LoadLocalizedString(IDS_TOOL_RECIPE_READ_WRITE)},
        {"Resora.exe", LoadLocalizedString(IDS_TOOL_RESOURCE_VIEWER)},
        {"Menora.exe", LoadLocalizedString(IDS_TOOL_MENU_EDITOR)},
        {"Palora.exe", LoadLocalizedString(IDS_TOOL_PALETTE_EDITOR)},
        {"Simkern32.exe", simkern + ": Simkern32.exe"},
    };
    FoundPrograms found;
    found.processesChecked = seams::WalkProcesses([&](const RunningProcess& process) {
        const std::string name = FileNamePart(process.image);
        for (const auto& tool : tools) {
            if (EqualsIgnoringCase(name, tool.file) && found.lines.size() + tool.text.size() + 4 < capacity)
                found.lines += Line(tool.text);
        }
        return true;
    });
    return found;
}

FoundPrograms ProgramsInUnseenSessions(const std::vector<std::string>& folders)
{
    std::vector<RunningProcess> processes;
    FoundPrograms found;
    found.processesChecked = seams::WalkProcesses([&](const RunningProcess& process) {
        processes.push_back(process);
        return true;
    });
    DWORD own = kUnknownSession;
    for (const RunningProcess& process : processes) {
        if (process.id == GetCurrentProcessId())
            own = process.session;
    }
    auto unknownAsMark = [](const std::string& text) { return text.empty() ? std::string("?") : text; };
    for (const RunningProcess& process : processes) {
        if (own != 0 && own != kUnknownSession && process.session == own)
            continue;
        for (const std::string& folder : folders) {
            const std::string prefix = folder + "\\";
            if (folder.empty() || process.image.size() <= prefix.size() ||
                !EqualsIgnoringCase(process.image.substr(0, prefix.size()), prefix))
                continue;
            const std::string session = process.session == kUnknownSession ? std::string() : std::to_string(process.session);
            found.lines += Line(FormatLocalized(IDS_PROGRAM_IN_SESSION, {process.image, unknownAsMark(session),
                                                                         unknownAsMark(process.user)}));
            break;
        }
    }
    return found;
}

bool CheckRunningPrograms(const std::vector<SuiteVersionEntry>& entries, int chosen, UserInterface& ui)
{
    const bool simulationNaming = chosen >= 0 && chosen < static_cast<int>(entries.size()) &&
                                  !PathExists(entries[chosen].programPath + "\\device\\dvio_it1.dll");
    const std::string tessaroOrControl = LoadLocalizedString(simulationNaming ? IDS_TOOL_CONTROL : IDS_TOOL_TESSARO);
    const struct {
        const char* className;
        const char* title;
        std::string text;
    } windows[] = {
        {nullptr, "Project Management Kalvio", LoadLocalizedString(IDS_TOOL_PROJECT_MANAGER)},
        {nullptr, "Projektverwaltung Kalvio", LoadLocalizedString(IDS_TOOL_PROJECT_MANAGER)},
        {nullptr, "MERIDAN - Project Navigator", "Workbench.exe"},
        {nullptr, "Download - Upload", LoadLocalizedString(IDS_TOOL_DOWNLOAD)},
        {"xBus-Flash4550drawtask9012", nullptr, "Driver Test"},
        {"xRecorder Toolvane4550drawtask9012", nullptr, "Tracer"},
        {"xScrivo Toolvane4550drawtask9012", nullptr, "Tracer"},
        {"xBus-Flash4550drawtask9012", nullptr, LoadLocalizedString(IDS_TOOL_BUSFLASH)},
        {"xRecorder Toolvane4550drawtask9012", nullptr, LoadLocalizedString(IDS_TOOL_SCRIVO)},
        {"xScrivo Toolvane4550drawtask9012", nullptr, LoadLocalizedString(IDS_TOOL_SCRIVO)},
        {"CoDeSys_Frame", nullptr, LoadLocalizedString(IDS_TOOL_CODESYS)},
        {"Graflo", nullptr, tessaroOrControl},
        {"Glyphor", nullptr, LoadLocalizedString(IDS_TOOL_GLYPH_EDITOR)},
        {"xVisualisation4550drawtask9012", nullptr, LoadLocalizedString(IDS_TOOL_VISUALISATION)},
        {"xVisualisierung4550drawtask9012", nullptr, LoadLocalizedString(IDS_TOOL_VISUALISATION)},
        {"xSimulation4550drawtask9012", nullptr, LoadLocalizedString(IDS_TOOL_SIMULATION)},
    };
    std::vector<std::string> folders;
    for (const SuiteVersionEntry& entry : entries) {
        folders.push_back(entry.programPath);
        folders.push_back(entry.renamePath);
    }
    return ConfirmNoneRunning(ui, [&] {
        std::string list;
        for (const auto& window : windows) {
            if (seams::FindTopLevelWindow(window.className, window.title))
                list += Line(window.text);
        }
        FoundPrograms found = CollectRunningTools(256, simulationNaming);
        found.lines.insert(0, list);
        const FoundPrograms unseen = ProgramsInUnseenSessions(folders);
        found.lines += unseen.lines;
        found.processesChecked = found.processesChecked && unseen.processesChecked;
        return found;
    });
}

bool ConfirmNoneRunning(UserInterface& ui, const std::function<FoundPrograms()>& listRunning)
{
    for (;;) {
        const FoundPrograms found = listRunning();
        if (found.lines.empty() && found.processesChecked)
            return true;
        // A walk that failed has not shown that nothing runs: the user decides as for programs found.
        std::string text = found.lines.empty() ? std::string() : FormatLocalized(IDS_PROGRAMS_RUNNING, {found.lines});
        if (!found.processesChecked)
            text += (text.empty() ? "" : "\n\n") + LoadLocalizedString(IDS_PROGRAMS_NOT_CHECKED);
        switch (ui.ShowMessage(text, MB_ICONWARNING | MB_ABORTRETRYIGNORE)) {
        case IDRETRY:
            continue;
        case IDIGNORE:
            return true;
        default:
            return false;
        }
    }
}

}  // namespace flipdeck
