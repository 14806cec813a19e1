#include <gtest/gtest.h>

#include "base/Registry.h"
#include "base/Text.h"
#include "steps/Environment.h"
#include "steps/RunningPrograms.h"
#include "steps/StepRunner.h"
#include "suite/SuiteEnvironment.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

std::vector<SuiteVersionEntry> Entry(const std::string& programPath, int edition = 0)
{
    return {{"V", programPath, programPath + " V", "1", "", edition}};
}

// Plans the PATH update for the version and makes its steps; false when PATH could not be read.
bool UpdatePath(const SuiteVersionEntry& entry)
{
    SwitchPlan plan;
    if (PlanPathUpdate(entry, plan.steps))
        return false;
    RecordingProgress progress;
    return RunSteps(plan, progress).Done();
}

// Registers each of the version's components that is there, in order; the ones not registered.
std::vector<std::string> Register(const SuiteVersionEntry& entry)
{
    std::vector<std::string> failed;
    for (const std::string& component : SuiteComponents(entry)) {
        if (!RegisterComponent(component))
            failed.push_back(component);
    }
    return failed;
}

}  // namespace

TEST(NormalizePathList, CollapsesTrimsAndTerminates)
{
    std::string list = "C:\\Windows;;;;C:\\Windows\\system32 ";
    NormalizePathList(list);
    EXPECT_EQ(list, "C:\\Windows;C:\\Windows\\system32;");
    list = " ;C:\\a;";
    NormalizePathList(list);
    EXPECT_EQ(list, "C:\\a;");
    list = "";
    NormalizePathList(list);
    EXPECT_EQ(list, ";");
}

TEST(PathUpdate, PutsTheBinPathFirstAndLogsOldAndNew)
{
    SavedSystemPath saved;
    ScratchLogFolder log;
    ScratchJournal journal;
    // The log shows the list cleaned up; the value keeps its own bytes behind the bin path.
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\Windows;;C:\\Windows\\system32 ");
    EXPECT_TRUE(UpdatePath(Entry("C:\\Brivane")[0]));
    auto written = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    EXPECT_EQ(written->Text(), "C:\\Brivane\\bin;C:\\Windows;;C:\\Windows\\system32 ");
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"C:\\Windows;C:\\Windows\\system32;", "ENV PATH not found.",
                                                          "C:\\Brivane\\bin;C:\\Windows;C:\\Windows\\system32;"}));
    char own[64] = {};
    GetEnvironmentVariableA("Path", own, sizeof(own));
    EXPECT_STREQ(own, "C:\\Brivane\\bin;C:\\Windows;;C:\\Windows\\system32 ");

    // The same folder in any case, with or without a trailing backslash: left alone, nothing logged.
    for (const char* present : {"c:\\brivane\\BIN;C:\\Windows", "C:\\Windows;C:\\Brivane\\bin\\", "C:\\BRIVANE\\Bin\\;"}) {
        WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", present);
        EXPECT_TRUE(UpdatePath(Entry("C:\\Brivane")[0]));
        EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), present);
    }
    EXPECT_EQ(log.Messages().size(), 3u);
    // Folders whose names only begin or end like the bin path are other folders.
    for (const char* other : {"C:\\Windows;C:\\Brivane\\bin2", "C:\\Brivane\\bin.old;", "C:\\Brivane\\bin\\tools;"}) {
        WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", other);
        EXPECT_TRUE(UpdatePath(Entry("C:\\Brivane")[0]));
        EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), "C:\\Brivane\\bin;" + std::string(other));
    }
}

TEST(PathUpdate, LongPathKeepsEveryFolderInOrderUnexpanded)
{
    SavedSystemPath saved;
    ScratchLogFolder log;
    ScratchJournal journal;
    std::string path = "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;";
    for (int i = 0; path.size() < 4000; ++i)
        path += "C:\\Program Files\\Vendor " + std::to_string(i) + "\\Tools\\bin;";
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", path);
    ASSERT_GE(path.size(), 4000u);

    EXPECT_TRUE(UpdatePath(Entry("C:\\Brivane")[0]));
    auto written = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    EXPECT_EQ(written->Text(), "C:\\Brivane\\bin;" + path);
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_EXPAND_SZ));
}

TEST(WriteSystemPath, TellsOtherProgramsAndNeverWritesAShortValue)
{
    SavedSystemPath saved;
    ScratchDir dir;
    StandInCalls calls;
    RunningStandIn listener(dir / "listener.exe");
    WriteSystemPath(WideTextValue(L"C:\\x;C:\\y;", REG_EXPAND_SZ));  // 10 characters: not written, not broadcast
    EXPECT_NE(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), "C:\\x;C:\\y;");
    WriteSystemPath(WideTextValue(L"C:\\Brivane\\bin;C:\\Windows;", REG_EXPAND_SZ));
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), "C:\\Brivane\\bin;C:\\Windows;");
    EXPECT_TRUE(calls.WaitFor("listener.exe|WM_SETTINGCHANGE Environment"));
}

class Registration : public ::testing::Test {
protected:
    std::vector<std::string> Registered() const { return regsvr32_.CommandLines(); }

    ScratchDir dir_;
    RecordingRegsvr32 regsvr32_;
};

TEST_F(Registration, RegistersThePresentComponentsInOrderByFullPath)
{
    StandInCalls everything;
    for (const char* file : {"Kalvio\\UiControls.dll", "Kalvio\\ATL.dll", "Kalvio\\CxAggreg.dll", "bin\\RemotePanel.dll",
                             "program\\CxForms.dll"}) {
        MakeDirs(dir_ / "V" + "\\" + std::string(file).substr(0, std::string(file).find('\\')));
        WriteFileBytes(dir_ / "V\\" + file, "");
    }
    // A regsvr32.exe planted beside the program or in the current folder must never run.
    const std::string planted = BinDir() + "\\regsvr32.exe";
    CopyFileA(regsvr32_.Path().c_str(), planted.c_str(), FALSE);
    SetCurrentDirectoryA(dir_.Path().c_str());
    CopyFileA(regsvr32_.Path().c_str(), (dir_ / "regsvr32.exe").c_str(), FALSE);

    EXPECT_TRUE(Register(Entry(dir_ / "V")[0]).empty());
    DeleteFileA(planted.c_str());
    SetCurrentDirectoryA(BinDir().c_str());
    const std::string kalvio = dir_ / "V\\kalvio\\";
    EXPECT_EQ(Registered(), (std::vector<std::string>{"regsvr32 /s \"" + kalvio + "UiControls.dll\"",
                                                        "regsvr32 /s \"" + kalvio + "ATL.dll\"",
                                                        "regsvr32 /s \"" + kalvio + "CxAggreg.dll\"",
                                                        "regsvr32 /s \"" + dir_ / "V\\bin\\RemotePanel.dll\""}));
    EXPECT_EQ(everything.Lines().size(), 4u);  // no planted copy ran

    // The MERIDAN layout registers from "\program\".
    EXPECT_TRUE(Register(Entry(dir_ / "V", 1)[0]).empty());
    EXPECT_EQ(Registered().back(), "regsvr32 /s \"" + dir_ / "V\\bin\\RemotePanel.dll\"");
    EXPECT_EQ(Registered()[4], "regsvr32 /s \"" + dir_ / "V\\program\\CxForms.dll\"");
}

TEST_F(Registration, AnErrorAnswerAHangingOrAMissingToolIsNoRegistration)
{
    ScratchLogFolder log;
    MakeDirs(dir_ / "V\\bin");
    const std::string component = dir_ / "V\\bin\\RemotePanel.dll";
    WriteFileBytes(component, "");
    const std::string command = "regsvr32 /s \"" + component + "\"";

    regsvr32_.FailFor("RemotePanel.dll");
    EXPECT_FALSE(RegisterComponent(component));
    EXPECT_EQ(log.Messages().back(), command + " exit code: 5");
    {
        // A registration that never ends, without waiting here for 10 s.
        SeamOverride<seams::ProcessRun(const std::string&, const std::string&, DWORD, DWORD&)> hang(
            seams::RunProcess, [](const std::string&, const std::string&, DWORD timeout, DWORD&) {
                EXPECT_EQ(timeout, 10000u);
                return seams::ProcessRun::TimedOut;
            });
        EXPECT_FALSE(RegisterComponent(component));
        EXPECT_EQ(log.Messages().back(), command + " did not end within 10 s");
    }
    DeleteFileA(regsvr32_.Path().c_str());
    EXPECT_FALSE(RegisterComponent(component));
    EXPECT_EQ(log.Messages().back(), "Fehler bei der Registrierung: " + command);

    // A component that is not there has nothing to register.
    const size_t lines = log.Messages().size();
    EXPECT_TRUE(RegisterComponent(dir_ / "V\\bin\\Missing.dll"));
    EXPECT_EQ(log.Messages().size(), lines);
}

TEST_F(Registration, ToolThatNeverEndsTimesOutAfterTenSecondsAndTheListGoesOn)
{
    MakeDirs(dir_ / "V\\Kalvio");
    WriteFileBytes(dir_ / "V\\Kalvio\\UiControls.dll", "");
    WriteFileBytes(dir_ / "V\\Kalvio\\ATL.dll", "");
    // The first registration hangs; after its time-out the tool is mended.
    const std::string hang = regsvr32_.Path() + ".hang";
    WriteFileBytes(hang, "");
    SeamOverride<seams::ProcessRun(const std::string&, const std::string&, DWORD, DWORD&)> mend(
        seams::RunProcess, [&, real = seams::RunProcess](const std::string& application, const std::string& commandLine,
                                                          DWORD timeout, DWORD& exitCode) {
            const seams::ProcessRun run = real(application, commandLine, timeout, exitCode);
            DeleteFileA(hang.c_str());
            return run;
        });

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Register(Entry(dir_ / "V")[0]), std::vector<std::string>{dir_ / "V\\kalvio\\UiControls.dll"});
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 9900u);
    EXPECT_LT(elapsed, 20000u);
    EXPECT_EQ(Registered().size(), 2u);  // the list went on with ATL.dll

    // The hanging tool is left running by the program; the test ends it.
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
