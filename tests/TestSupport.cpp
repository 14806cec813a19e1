#include "tests/TestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "base/ActivityLog.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/Text.h"
#include "catalogue/Naming.h"
#include "steps/Environment.h"
#include "steps/Journal.h"
#include "steps/RunningPrograms.h"
#include "tests/world/DemoWorld.h"

namespace flipdeck::test {

std::string BinDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string StandInPath(const std::string& target, const std::string& fileName)
{
    return BinDir() + "\\standins\\" + target + "\\" + fileName;
}

ScratchKey::ScratchKey(HKEY root, std::string subKey) : root_(root), subKey_(std::move(subKey))
{
    DeleteRegistryTree(root_, subKey_);
}

ScratchKey::~ScratchKey() { DeleteRegistryTree(root_, subKey_); }

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::string(temp) + "flipdeck-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveTree(path_);
    MakeDirs(path_);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

void SetRegValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type, const void* data,
                 DWORD size)
{
    UniqueHKey key;
    if (CreateRegKey(root, subKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS ||
        RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write value " + name + " of " + subKey);
}

void WriteWideText(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text, DWORD type)
{
    const RegValue value = WideTextValue(text, type);
    UniqueHKey key;
    if (RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS ||
        RegSetValueExW(key.get(), name.c_str(), 0, type, value.data.data(), static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write a wide value");
}

RegValue ReadWideValue(HKEY root, const std::wstring& subKey, const std::wstring& name)
{
    RegValue value;
    UniqueHKey key;
    DWORD size = 0;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS ||
        RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return RegValue();
    value.data.resize(size);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS)
        return RegValue();
    value.data.resize(size);
    return value;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeDirs(const std::string& path)
{
    const int result = SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS)
        throw std::runtime_error("cannot create " + path);
}

void RemoveTree(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    std::string from = path + std::string(2, '\0');  // double-terminated list of one name
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

std::string ScratchLogFolder::Folder()
{
    std::string path = ActivityLogPath();
    return path.substr(0, path.find_last_of('\\'));
}

ScratchLogFolder::ScratchLogFolder(bool present) : folder_(Folder()), saved_(folder_ + ".saved-by-test")
{
    RemoveTree(saved_);
    existed_ = MoveFileA(folder_.c_str(), saved_.c_str()) != FALSE;
    if (present)
        MakeDirs(folder_);
}

ScratchLogFolder::~ScratchLogFolder()
{
    RemoveTree(folder_);
    if (existed_)
        MoveFileA(saved_.c_str(), folder_.c_str());
}

std::vector<std::string> ScratchLogFolder::Messages() const
{
    std::string log = ReadFileBytes(ActivityLogPath());
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::string line = log.substr(start, end - start);
        const bool stamped = line.size() >= 20 && line[2] == '.' && line[5] == '.' && line[13] == ':' &&
                             line[16] == ':' && line[19] == ' ';
        lines.push_back(stamped ? line.substr(20) : line);  // continuation lines carry no stamp
    }
    return lines;
}

std::string MachinePathList()
{
    std::string list = ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path").value_or("");
    NormalizePathList(list);
    return list;
}

SavedSystemPath::SavedSystemPath()
{
    const RegValue value = ReadWideValue(HKEY_LOCAL_MACHINE, ToWide(kEnvironmentKey), L"Path");
    data_ = value.data;
    type_ = value.type;
}

SavedSystemPath::~SavedSystemPath()
{
    UniqueHKey key;
    if (OpenRegKey(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_SET_VALUE, key) != ERROR_SUCCESS)
        return;
    if (type_ == REG_NONE)
        RegDeleteValueW(key.get(), L"Path");
    else
        RegSetValueExW(key.get(), L"Path", 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
}

// A switch journal is part of the machine's state: no world starts with one left by another.
ScopedDemoWorld::ScopedDemoWorld() { world::Build(BinDir() + "\\standins"); }

ScopedDemoWorld::~ScopedDemoWorld() { world::Remove(); }

StandInCalls::StandInCalls()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "flipdeck-standin-calls.log";
    DeleteFileA(path_.c_str());
}

std::vector<std::string> StandInCalls::Lines() const
{
    std::string text = ReadFileBytes(path_);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool StandInCalls::WaitFor(const std::string& text, double seconds) const
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    do {
        for (const std::string& line : Lines()) {
            if (line.find(text) != std::string::npos)
                return true;
        }
        Sleep(50);
    } while (GetTickCount64() < deadline);
    return false;
}

RecordingRegsvr32::RecordingRegsvr32() : path_(ProductSystemDirectory() + "regsvr32.exe")
{
    CopyFileA(StandInPath("kalvio_2_14", "workbench.exe").c_str(), path_.c_str(), FALSE);
}

RecordingRegsvr32::~RecordingRegsvr32()
{
    DeleteFileA(path_.c_str());
    DeleteFileA((path_ + ".hang").c_str());
    DeleteFileA((path_ + ".fail").c_str());
}

void RecordingRegsvr32::FailFor(const std::string& text) const { WriteFileBytes(path_ + ".fail", text); }

void RecordingRegsvr32::Hang() const { WriteFileBytes(path_ + ".hang", ""); }

void RecordingRegsvr32::Release() const
{
    DeleteFileA((path_ + ".hang").c_str());
    seams::WalkProcesses([](const RunningProcess& running) {
        const std::string& image = running.image;
        if (EqualsIgnoringCase(image.substr(image.find_last_of('\\') + 1), "regsvr32.exe")) {
            UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, running.id));
            TerminateProcess(process.get(), 0);
            WaitForSingleObject(process.get(), 5000);
        }
        return true;
    });
}

std::vector<std::string> RecordingRegsvr32::CommandLines() const
{
    std::vector<std::string> commands;
    const std::string prefix = path_ + "|";
    for (const std::string& line : calls_.Lines()) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            commands.push_back(line.substr(prefix.size()));
    }
    return commands;
}

UniqueHandle StartWithOutput(const std::string& program, const std::string& arguments, HANDLE out, HANDLE error)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = error;
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + program + "\" " + arguments;
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, BinDir().c_str(),
                        &startup, &info))
        throw std::runtime_error("cannot start " + program);
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

CommandRun RunProgram(const std::string& program, const std::string& arguments, double seconds)
{
    ScratchDir dir;
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    auto create = [&](const std::string& path) {
        return UniqueFileHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                            CREATE_ALWAYS, 0, nullptr));
    };
    CommandRun run;
    {
        UniqueFileHandle out = create(dir / "out.txt");
        UniqueFileHandle error = create(dir / "error.txt");
        UniqueHandle process = StartWithOutput(program, arguments, out.get(), error.get());
        if (WaitForSingleObject(process.get(), static_cast<DWORD>(seconds * 1000)) != WAIT_OBJECT_0)
            TerminateProcess(process.get(), STILL_ACTIVE);
        WaitForSingleObject(process.get(), 10000);
        GetExitCodeProcess(process.get(), &run.exitCode);
    }
    run.out = ReadFileBytes(dir / "out.txt");
    run.error = ReadFileBytes(dir / "error.txt");
    return run;
}

RunningStandIn::RunningStandIn(const std::string& path) : path_(path)
{
    MakeDirs(path.substr(0, path.find_last_of('\\')));
    CopyFileA(StandInPath("kalvio_2_14", "workbench.exe").c_str(), path.c_str(), FALSE);
    WriteFileBytes(path + ".hang", "");
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + path + "\"";
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start " + path);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    WaitForInputIdle(process_, 10000);
}

RunningStandIn::~RunningStandIn()
{
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 10000);
    CloseHandle(process_);
    DeleteFileA((path_ + ".hang").c_str());
}

bool DieAfterFirstFolderMove(const std::string& from, const std::string& to, const std::string& parked)
{
    SwitchPlan plan;
    plan.fromName = from;
    plan.toName = to;
    plan.steps.push_back(MoveFolderStep("C:\\Brivane", parked));
    JournalWriter writer;
    UndoData undo;
    return writer.Begin(plan) && CaptureUndo(plan.steps[0], undo) && writer.Append(0, plan.steps[0], undo) &&
           MoveFileA("C:\\Brivane", parked.c_str());
}

ScratchJournal::ScratchJournal()
    : writer_(seams::JournalWriterProcess, [] {
          ProcessIdentity ended = CurrentProcessIdentity();
          --ended.created;
          return ended;
      })
{
    DeleteFileA(JournalPath().c_str());
}

ScratchJournal::~ScratchJournal() { DeleteFileA(JournalPath().c_str()); }

namespace {

class BreakingJournal final : public StepJournal {
public:
    BreakingJournal(bool begins, size_t records) : begins_(begins), records_(records) {}
    bool Begin(const SwitchPlan& plan) override { return begins_ && real_.Begin(plan); }
    bool Append(size_t index, const Step& step, const UndoData& undo) override
    {
        if (records_ == 0)
            return false;
        --records_;
        return real_.Append(index, step, undo);
    }
    bool Finish() override { return real_.Finish(); }

private:
    JournalWriter real_;
    bool begins_;
    size_t records_;
};

}  // namespace

BrokenJournal::BrokenJournal(bool begins, size_t records)
    : journal_(seams::OpenStepJournal, [begins, records] { return std::make_unique<BreakingJournal>(begins, records); })
{
}

int ScriptedUi::ShowMessage(const std::string& text, UINT type, const std::string& caption)
{
    messages.push_back({text, type, caption});
    if (answers.empty())
        return IDOK;
    int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedUi::PickFolder(std::string& path)
{
    pickerStarts.push_back(path);
    std::optional<std::string> answer;
    if (!pickedFolders.empty()) {
        answer = pickedFolders.front();
        pickedFolders.pop_front();
    }
    if (answer)
        path = *answer;
    return answer.has_value();
}

bool ScriptedUi::EditEntry(EntryEditValues& values)
{
    editsShown.push_back(values);
    if (edits.empty())
        return false;
    auto edit = edits.front();
    edits.pop_front();
    return edit(values);
}

void ScriptedUi::RunWithProgress(const std::function<void(SwitchProgress&)>& work) { work(progress); }

void ScriptedUi::ShowSuiteList(const std::vector<SuiteVersionEntry>& entries) { shownLists.push_back(entries); }

void ScriptedUi::SetField(CurrentField field, const std::string& text) { fields.emplace_back(field, text); }

}  // namespace flipdeck::test
