// Helpers shared by the tests: scratch registry keys and folders that start clean and are
// removed afterwards, the folder of the built programs, and seam overrides.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Registry.h"
#include "base/UniqueHandle.h"
#include "catalogue/UserInterface.h"
#include "steps/Journal.h"

namespace flipdeck::test {

// Folder of the test program (build/<arch>/bin), without a trailing backslash.
std::string BinDir();
// A stand-in program built by tests/standin, e.g. StandInPath("kalvio_2_14", "workbench.exe").
std::string StandInPath(const std::string& target, const std::string& fileName);

// A registry key (products' view) deleted when the test starts and again when it ends.
class ScratchKey {
public:
    ScratchKey(HKEY root, std::string subKey);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY Root() const { return root_; }
    const std::string& Path() const { return subKey_; }
    std::string operator/(const std::string& child) const { return subKey_ + "\\" + child; }

private:
    HKEY root_;
    std::string subKey_;
};

// A fresh, empty folder under the temporary folder, removed with its contents at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& child) const { return path_ + "\\" + child; }

private:
    std::string path_;
};

// Creates the key when needed and writes one value of any type.
void SetRegValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type, const void* data,
                 DWORD size);

// Text outside the system code page, through the wide registry functions (products' view). `text`
// is written as it is with one terminating zero added: a REG_MULTI_SZ list brings its own inner zeros.
void WriteWideText(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& text,
                   DWORD type = REG_SZ);
// A value as the wide functions read it: the type and raw bytes; REG_NONE and no bytes when it is missing.
RegValue ReadWideValue(HKEY root, const std::wstring& subKey, const std::wstring& name);

// A caller's buffer with guard bytes on both sides that must never change.
struct GuardedBuffer {
    static constexpr size_t kGuard = 16;
    explicit GuardedBuffer(size_t size) : size(size), bytes(size + 2 * kGuard, '#') {}
    char* Data() { return &bytes[kGuard]; }
    std::string Text() { return std::string(Data()); }
    bool GuardsIntact() const
    {
        return bytes.compare(0, kGuard, std::string(kGuard, '#')) == 0 &&
               bytes.compare(kGuard + size, kGuard, std::string(kGuard, '#')) == 0;
    }
    // Not a byte written, inside the buffer or beside it.
    bool Untouched() const { return bytes == std::string(bytes.size(), '#'); }
    size_t size;
    std::string bytes;
};

// Leaves what a suite switch from `from` to `to` leaves when its process dies after its first
// step: the journal with that step, and the live folder C:\Brivane moved to `parked`. False when
// either could not be made.
bool DieAfterFirstFolderMove(const std::string& from, const std::string& to, const std::string& parked);

// What a run of a program with arguments left: its exit code and what it wrote to standard
// output and standard error, both redirected to files, as the bytes arrived.
struct CommandRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string out;
    std::string error;
};

// Runs `program` in the bin folder with `arguments` as they stand on its command line and waits
// up to `seconds` for it to end (then ends it).
CommandRun RunProgram(const std::string& program, const std::string& arguments, double seconds = 120);
// Starts `program` in the bin folder with `arguments`, its standard output and error on the
// inheritable handles given; its process.
UniqueHandle StartWithOutput(const std::string& program, const std::string& arguments, HANDLE out, HANDLE error);

void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
void MakeDirs(const std::string& path);
void RemoveTree(const std::string& path);

// Gives a test the activity log folder (Documents\Brivane) present or absent, starting without
// a log, and puts the folder that was there before back afterwards.
class ScratchLogFolder {
public:
    explicit ScratchLogFolder(bool present = true);
    ~ScratchLogFolder();
    ScratchLogFolder(const ScratchLogFolder&) = delete;
    ScratchLogFolder& operator=(const ScratchLogFolder&) = delete;

    static std::string Folder();
    // The log's lines without their time stamps ("dd.mm.yyyy hh:mm:ss "); continuation lines as they are.
    std::vector<std::string> Messages() const;

private:
    std::string folder_;
    std::string saved_;
    bool existed_ = false;
};

// Records each step a switch starts as "<number>/<count> <description>".
class RecordingProgress : public SwitchProgress {
public:
    void StepStarting(size_t number, size_t count, const std::string& description) override
    {
        shown.push_back(std::to_string(number) + "/" + std::to_string(count) + " " + description);
    }
    std::vector<std::string> shown;
};

// Answers message boxes from a script (IDOK when the script is empty) and records everything
// the operations show.
class ScriptedUi : public UserInterface {
public:
    struct Message {
        std::string text;
        UINT type;
        std::string caption;
    };
    std::deque<int> answers;
    std::vector<Message> messages;
    std::vector<std::vector<SuiteVersionEntry>> shownLists;
    std::vector<std::pair<CurrentField, std::string>> fields;
    std::vector<int> selectedSuiteRows;  // the first is the focused one unless focusedSuiteRow says otherwise
    std::optional<int> focusedSuiteRow;   // a focus apart from the selection (a click with Ctrl)
    std::vector<int> selectedCodesysRows;
    std::vector<std::vector<CodesysVersionEntry>> shownCodesysLists;
    bool autoStartChecked = true;
    // Folder picker answers: a folder, or nothing for Cancel (also when the script is empty);
    // the paths the picker was started with.
    std::deque<std::optional<std::string>> pickedFolders;
    std::vector<std::string> pickerStarts;
    // Entry edit answers: each changes the values and answers OK (true) or Cancel; the values
    // each run showed.
    std::deque<std::function<bool(EntryEditValues&)>> edits;
    std::vector<EntryEditValues> editsShown;
    // Each step a switch started, and each preview shown.
    RecordingProgress progress;
    std::vector<SwitchPreview> previews;

    int ShowMessage(const std::string& text, UINT type, const std::string& caption) override;
    std::vector<int> SelectedSuiteRows() override { return selectedSuiteRows; }
    int FocusedSuiteRow() override
    {
        return focusedSuiteRow.value_or(selectedSuiteRows.empty() ? -1 : selectedSuiteRows.front());
    }
    void SelectSuiteRow(int row) override
    {
        selectedSuiteRows = {row};
        focusedSuiteRow.reset();
    }
    std::vector<int> SelectedCodesysRows() override { return selectedCodesysRows; }
    int FocusedCodesysRow() override { return selectedCodesysRows.empty() ? -1 : selectedCodesysRows.front(); }
    void SelectCodesysRow(int row) override { selectedCodesysRows = {row}; }
    void ShowCodesysList(const std::vector<CodesysVersionEntry>& entries) override { shownCodesysLists.push_back(entries); }
    bool PickFolder(std::string& path) override;
    bool EditEntry(EntryEditValues& values) override;
    void ShowSuiteList(const std::vector<SuiteVersionEntry>& entries) override;
    void SetField(CurrentField field, const std::string& text) override;
    bool AutoStartChecked() override { return autoStartChecked; }
    bool MayStartPrograms() override { return true; }
    void RunWithProgress(const std::function<void(SwitchProgress&)>& work) override;
    void ShowSteps(const SwitchPreview& preview) override { previews.push_back(preview); }
};

// The machine PATH as a switch reads it: normalised, ";" when the value is missing.
std::string MachinePathList();

// Keeps the machine PATH exactly as it was (bytes and type) around a test.
class SavedSystemPath {
public:
    SavedSystemPath();
    ~SavedSystemPath();
    SavedSystemPath(const SavedSystemPath&) = delete;
    SavedSystemPath& operator=(const SavedSystemPath&) = delete;

private:
    std::vector<BYTE> data_;
    DWORD type_ = REG_NONE;
};

// Replaces a seam for the life of the object and puts the real one back afterwards.
template <typename F>
class SeamOverride {
public:
    SeamOverride(std::function<F>& seam, std::function<F> replacement)
        : seam_(seam), saved_(std::exchange(seam, std::move(replacement)))
    {
    }
    ~SeamOverride() { seam_ = std::move(saved_); }
    SeamOverride(const SeamOverride&) = delete;
    SeamOverride& operator=(const SeamOverride&) = delete;

private:
    std::function<F>& seam_;
    std::function<F> saved_;
};

// Starts without a switch journal and removes the one left at the end. Meanwhile the journals this
// process writes name a writer that has ended (its id, now this process's, with another creation
// time), as if the process had died where a test's switch dies by an exception.
class ScratchJournal {
public:
    ScratchJournal();
    ~ScratchJournal();
    ScratchJournal(const ScratchJournal&) = delete;
    ScratchJournal& operator=(const ScratchJournal&) = delete;

private:
    SeamOverride<ProcessIdentity()> writer_;
};

// The demo world for the life of the object, with a scratch journal.
class ScopedDemoWorld {
public:
    ScopedDemoWorld();
    ~ScopedDemoWorld();
    ScopedDemoWorld(const ScopedDemoWorld&) = delete;
    ScopedDemoWorld& operator=(const ScopedDemoWorld&) = delete;

private:
    ScratchJournal journal_;
};

// The calls the stand-in programs recorded ("<program path>|<command line>" per line).
class StandInCalls {
public:
    StandInCalls();  // starts with an empty record
    std::vector<std::string> Lines() const;
    // Waits up to `seconds` until a line contains `text`.
    bool WaitFor(const std::string& text, double seconds = 10) const;

private:
    std::string path_;
};

// A recording stand-in where the products' regsvr32.exe lives, removed at the end.
class RecordingRegsvr32 {
public:
    RecordingRegsvr32();
    ~RecordingRegsvr32();
    RecordingRegsvr32(const RecordingRegsvr32&) = delete;
    RecordingRegsvr32& operator=(const RecordingRegsvr32&) = delete;

    const std::string& Path() const { return path_; }
    // The command lines it was started with, in order.
    std::vector<std::string> CommandLines() const;
    // From now on it answers exit code 5 to every command line that contains `text`.
    void FailFor(const std::string& text) const;
    // From now on every start of it keeps running, until Release.
    void Hang() const;
    // Ends the runs that hang and lets the next ones end at once.
    void Release() const;

private:
    std::string path_;
    StandInCalls calls_;
};

// A stand-in copied to `path` that keeps running (with a hidden top-level window) until the
// object ends.
class RunningStandIn {
public:
    explicit RunningStandIn(const std::string& path);
    ~RunningStandIn();
    RunningStandIn(const RunningStandIn&) = delete;
    RunningStandIn& operator=(const RunningStandIn&) = delete;

private:
    std::string path_;
    HANDLE process_ = nullptr;
};

// While it lives, the journal of every switch is the real one until it breaks, as on a full disk:
// with `begins` false it cannot be started; otherwise it takes `records` step records and no more.
class BrokenJournal {
public:
    BrokenJournal(bool begins, size_t records);

private:
    SeamOverride<std::unique_ptr<StepJournal>()> journal_;
};

}  // namespace flipdeck::test
