#include <gtest/gtest.h>

#include "app/Seams.h"
#include "catalogue/Registry.h"
#include "switch/Environment.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

std::vector<SuiteVersionEntry> Entry(const std::string& programPath, int edition = 0)
{
    return {{"V", programPath, programPath + " V", "1", "", edition}};
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

TEST(UpdatePathVariable, PutsTheBinPathFirstAndLogsOldAndNew)
{
    SavedSystemPath saved;
    ScratchLogFolder log;
    ScriptedUi ui;
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\Windows;;C:\\Windows\\system32 ");
    EXPECT_TRUE(UpdatePathVariable(Entry("C:\\Brivane"), 0, ui));
    auto written = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    EXPECT_EQ(written->Text(), "C:\\Brivane\\bin;C:\\Windows;C:\\Windows\\system32;");
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"C:\\Windows;C:\\Windows\\system32;", "ENV PATH not found.",
                                                          "C:\\Brivane\\bin;C:\\Windows;C:\\Windows\\system32;"}));
    char own[64] = {};
    GetEnvironmentVariableA("Path", own, sizeof(own));
    EXPECT_STREQ(own, "C:\\Brivane\\bin;C:\\Windows;C:\\Windows\\system32;");

    // The same folder in any case, with or without a trailing backslash: left alone, nothing logged.
    for (const char* present : {"c:\\brivane\\BIN;C:\\Windows", "C:\\Windows;C:\\Brivane\\bin\\", "C:\\BRIVANE\\Bin\\;"}) {
        WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", present);
        EXPECT_TRUE(UpdatePathVariable(Entry("C:\\Brivane"), 0, ui));
        EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), present);
    }
    EXPECT_EQ(log.Messages().size(), 3u);
    // Folders whose names only begin or end like the bin path are other folders.
    for (const char* other : {"C:\\Windows;C:\\Brivane\\bin2", "C:\\Brivane\\bin.old;", "C:\\Brivane\\bin\\tools;"}) {
        WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", other);
        EXPECT_TRUE(UpdatePathVariable(Entry("C:\\Brivane"), 0, ui));
        std::string expected = other;
        NormalizePathList(expected);
        EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), "C:\\Brivane\\bin;" + expected);
    }
    EXPECT_FALSE(UpdatePathVariable(Entry("C:\\Brivane"), 1, ui));
    EXPECT_TRUE(ui.messages.empty());
}

TEST(UpdatePathVariable, LongPathKeepsEveryFolderInOrderUnexpanded)
{
    SavedSystemPath saved;
    ScratchLogFolder log;
    std::string path = "%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;";
    for (int i = 0; path.size() < 4000; ++i)
        path += "C:\\Program Files\\Vendor " + std::to_string(i) + "\\Tools\\bin;";
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", path);
    ASSERT_GE(path.size(), 4000u);

    ScriptedUi ui;
    EXPECT_TRUE(UpdatePathVariable(Entry("C:\\Brivane"), 0, ui));
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
    WriteSystemPath("C:\\x;;C:\\y;");  // 9 characters after cleanup: not written, not broadcast
    EXPECT_NE(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), "C:\\x;C:\\y;");
    WriteSystemPath("C:\\Brivane\\bin;C:\\Windows;");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path"), "C:\\Brivane\\bin;C:\\Windows;");
    EXPECT_TRUE(calls.WaitFor("listener.exe|WM_SETTINGCHANGE Environment"));
}

class Registration : public ::testing::Test {
protected:
    std::vector<std::string> Registered() const { return regsvr32_.CommandLines(); }

    ScratchDir dir_;
    RecordingRegsvr32 regsvr32_;
    ScriptedUi ui_;
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

    EXPECT_TRUE(RegisterSuiteComponents(Entry(dir_ / "V")[0], ui_));
    DeleteFileA(planted.c_str());
    SetCurrentDirectoryA(BinDir().c_str());
    const std::string kalvio = dir_ / "V\\kalvio\\";
    EXPECT_EQ(Registered(), (std::vector<std::string>{"regsvr32 /s \"" + kalvio + "UiControls.dll\"",
                                                        "regsvr32 /s \"" + kalvio + "ATL.dll\"",
                                                        "regsvr32 /s \"" + kalvio + "CxAggreg.dll\"",
                                                        "regsvr32 /s \"" + dir_ / "V\\bin\\RemotePanel.dll\""}));
    EXPECT_EQ(everything.Lines().size(), 4u);  // no planted copy ran
    EXPECT_TRUE(ui_.messages.empty());

    // The MERIDAN layout registers from "\program\".
    EXPECT_TRUE(RegisterSuiteComponents(Entry(dir_ / "V", 1)[0], ui_));
    EXPECT_EQ(Registered().back(), "regsvr32 /s \"" + dir_ / "V\\bin\\RemotePanel.dll\"");
    EXPECT_EQ(Registered()[4], "regsvr32 /s \"" + dir_ / "V\\program\\CxForms.dll\"");
}

TEST_F(Registration, HangingOrMissingToolIsReportedAndTheListGoesOn)
{
    MakeDirs(dir_ / "V\\bin");
    WriteFileBytes(dir_ / "V\\bin\\RemotePanel.dll", "");
    const std::string error = "Fehler bei der Registrierung: regsvr32 /s \"" + dir_ / "V\\bin\\RemotePanel.dll\"";

    {
        // A registration that never ends: reported after the wait, without waiting here for 10 s.
        SeamOverride<seams::ProcessRun(const std::string&, const std::string&, DWORD)> hang(
            seams::RunProcess, [](const std::string&, const std::string&, DWORD timeout) {
                EXPECT_EQ(timeout, 10000u);
                return seams::ProcessRun::TimedOut;
            });
        EXPECT_TRUE(RegisterComponent(dir_ / "V\\bin\\RemotePanel.dll", ui_));
        ASSERT_EQ(ui_.messages.size(), 1u);
        EXPECT_EQ(ui_.messages[0].text, error);
        EXPECT_EQ(ui_.messages[0].type, static_cast<UINT>(MB_ICONERROR | MB_OK));
    }

    // No regsvr32.exe in the system directory: logged and shown.
    ScratchLogFolder log;
    DeleteFileA(regsvr32_.Path().c_str());
    ui_.messages.clear();
    EXPECT_FALSE(RegisterComponent(dir_ / "V\\bin\\RemotePanel.dll", ui_));
    EXPECT_FALSE(RegisterComponent(dir_ / "V\\bin\\Missing.dll", ui_));
    EXPECT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(log.Messages(), std::vector<std::string>{error});
}

TEST_F(Registration, ToolThatNeverEndsTimesOutAfterTenSecondsAndTheListGoesOn)
{
    MakeDirs(dir_ / "V\\Kalvio");
    WriteFileBytes(dir_ / "V\\Kalvio\\UiControls.dll", "");
    WriteFileBytes(dir_ / "V\\Kalvio\\ATL.dll", "");
    WriteFileBytes(regsvr32_.Path() + ".hang", "");
    // The first registration hangs; while its time-out is shown, the tool is mended.
    struct MendingUi : ScriptedUi {
        std::string marker;
        int ShowMessage(const std::string& text, UINT type, const std::string& caption) override
        {
            DeleteFileA(marker.c_str());
            return ScriptedUi::ShowMessage(text, type, caption);
        }
    } ui;
    ui.marker = regsvr32_.Path() + ".hang";

    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(RegisterSuiteComponents(Entry(dir_ / "V")[0], ui));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 9900u);
    EXPECT_LT(elapsed, 20000u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("UiControls.dll"), std::string::npos);
    EXPECT_EQ(Registered().size(), 2u);  // the list went on with ATL.dll

    // The hanging tool is left running by the program; the test ends it.
    seams::WalkProcesses([](DWORD id, const std::string& image) {
        if (_stricmp(image.c_str(), "regsvr32.exe") == 0) {
            UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            TerminateProcess(process.get(), 0);
            WaitForSingleObject(process.get(), 5000);
        }
        return true;
    });
}
