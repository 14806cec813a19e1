#include <gtest/gtest.h>

#include <algorithm>

#include "app/Startup.h"
#include "base/FileMove.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/Text.h"
#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "steps/Environment.h"
#include "steps/Journal.h"
#include "steps/RunningPrograms.h"
#include "suite/SuiteChange.h"
#include "suite/SuiteList.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const char kNothingChanged[] = "\n\nDer Wechsel wurde nicht begonnen; es wurde nichts ver\xE4ndert.";

// Takes the machine environment key away for the life of the object, then puts it back whole.
class MissingEnvironmentKey {
public:
    MissingEnvironmentKey()
    {
        CaptureRegistryTree(HKEY_LOCAL_MACHINE, kEnvironmentKey, saved_);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kEnvironmentKey);
    }
    ~MissingEnvironmentKey()
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kEnvironmentKey);
        WriteRegistryTree(HKEY_LOCAL_MACHINE, kEnvironmentKey, saved_);
    }
    MissingEnvironmentKey(const MissingEnvironmentKey&) = delete;
    MissingEnvironmentKey& operator=(const MissingEnvironmentKey&) = delete;

private:
    RegistryTree saved_;
};

std::string MachinePathText() { return ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path").value_or(""); }

void SetMachinePath(DWORD type, const std::string& data)
{
    SetRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", type, data.data(), static_cast<DWORD>(data.size()));
}

// The demo world with a recording regsvr32 in the products' system directory.
class SuiteChangeTest : public ::testing::Test {
protected:
    void SetUp() override { world::ApplyLastingSwitchEffects(); }

    // Loads the catalogue as the dialog does when it opens and selects one row.
    RunState Open(int row)
    {
        RunState state;
        CheckAdministrator(state);
        ScriptedUi loading;
        LoadSuiteCatalogue(state, loading, false);
        ui_.selectedSuiteRows = {row};
        ui_.autoStartChecked = false;
        return state;
    }

    std::vector<std::string> Registered() const { return regsvr32_.CommandLines(); }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& message : ui_.messages)
            texts.push_back(message.text);
        return texts;
    }

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    StandInCalls calls_;
    RecordingRegsvr32 regsvr32_;
    ScriptedUi ui_;
};

}  // namespace

TEST_F(SuiteChangeTest, SwitchesToAParkedVersionAndBackRestoringTheWorld)
{
    const world::Snapshot before = world::Snapshot::Take();
    const std::string oldPath = MachinePathList();

    RunState state = Open(1);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(GetProductVersionText("C:\\Brivane\\Kalvio\\workbench.exe"), "2.15.1.20");
    EXPECT_EQ(GetProductVersionText("C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe"), "2.14.0.310");
    EXPECT_FALSE(PathExists("C:\\Brivane V2.15.1.20"));
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path"), "C:\\Brivane");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, "SOFTWARE\\Brivane", "Path"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, "Software\\brivane\\Kalvio", "Version"), "2.15.1.20");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kMeridanCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
    EXPECT_EQ(MachinePathList(), "C:\\Brivane\\bin;" + oldPath);
    EXPECT_EQ(Registered(), (std::vector<std::string>{"regsvr32 /s \"C:\\Brivane\\kalvio\\UiControls.dll\"",
                                                        "regsvr32 /s \"C:\\Brivane\\kalvio\\CxForms.dll\"",
                                                        "regsvr32 /s \"C:\\Brivane\\bin\\RemotePanel.dll\""}));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Der Wechsel war erfolgreich!");
    EXPECT_EQ(log_.Messages(),
              (std::vector<std::string>{std::string(66, '*'),
                                        "OnChange CurrentVersionName: Kalvio 2.14.0.310 NewName: Kalvio 2.15.1.20",
                                        oldPath, "ENV PATH not found.", "C:\\Brivane\\bin;" + oldPath,
                                        "RenameVersions SUCCESS.",
                                        "regsvr32 /s \"C:\\Brivane\\kalvio\\UiControls.dll\" exit code: 0",
                                        "regsvr32 /s \"C:\\Brivane\\kalvio\\CxForms.dll\" exit code: 0",
                                        "regsvr32 /s \"C:\\Brivane\\bin\\RemotePanel.dll\" exit code: 0", "AutoStart: 0",
                                        "CurrentVersionName: Kalvio 2.15.1.20", "SaveAllKalvio"}));

    RunState back = Open(0);
    ASSERT_EQ(SwitchSuite(back, ui_), ChangeOutcome::Done);
    world::Snapshot after = world::Snapshot::Take();
    EXPECT_EQ(after.machinePath, "C:\\Brivane\\bin;" + before.machinePath);
    after.machinePath = before.machinePath;  // the one documented lasting change
    EXPECT_EQ(before.Differences(after), "");
}

TEST_F(SuiteChangeTest, RefusesTheCurrentVersionAndSeveralRowsWithoutLogging)
{
    RunState state = Open(0);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "KALVIO 2.14.0.310");
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    ui_.selectedSuiteRows = {1, 2};
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text, "Diese Version ist bereits aktiv!");
    EXPECT_EQ(ui_.messages[1].text, "Bitte w\xE4hlen Sie nur ein Element aus!");
    EXPECT_TRUE(state.suiteDirty);
    EXPECT_TRUE(log_.Messages().empty());
}

TEST_F(SuiteChangeTest, FailedFolderExchangeChangesNoRegistryValue)
{
    const world::Snapshot before = world::Snapshot::Take();
    RunState state = Open(2);  // the MERIDAN version: parks the live Kalvio version, then brings MERIDAN in
    for (int failing = 1; failing <= 2; ++failing) {
        SCOPED_TRACE("failing rename " + std::to_string(failing));
        int calls = 0;
        SeamOverride<BOOL(const char*, const char*, DWORD)> move(
            seams::MovePath, [&](const char* from, const char* to, DWORD flags) -> BOOL {
                return ++calls == failing ? FALSE : MoveFileExA(from, to, flags);
            });
        ScriptedUi ui;
        ui.selectedSuiteRows = {2};
        EXPECT_NE(SwitchSuite(state, ui), ChangeOutcome::Done);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text.substr(0, 16), "Das Verzeichnis ");
        EXPECT_EQ(log_.Messages().back(), "RenameVersions FAILED.");
        world::Snapshot after = world::Snapshot::Take();
        after.machinePath = before.machinePath;  // PATH stays changed after a failed exchange
        EXPECT_EQ(before.Differences(after), "");
        EXPECT_TRUE(Registered().empty());
    }
}

TEST_F(SuiteChangeTest, AJournalThatCannotBeWrittenStopsTheChangeAndSaysSo)
{
    const world::Snapshot before = world::Snapshot::Take();
    RunState state = Open(1);
    {
        BrokenJournal journal(false, 0);
        EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Refused);
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Die Journaldatei " + JournalPath() +
                                                 " konnte nicht angelegt werden. Der Wechsel wurde nicht begonnen."}));
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    // The PATH and the first folder move are journaled; the record of the second move is not.
    ui_.messages.clear();
    {
        BrokenJournal journal(true, 2);
        EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::RolledBack);
    }
    const std::string stopped = "Die Journaldatei " + JournalPath() +
                                " konnte nicht weitergeschrieben werden. Der Wechsel wurde abgebrochen, und was er "
                                "schon ge\xE4ndert hatte, wurde r\xFC" "ckg\xE4ngig gemacht.";
    EXPECT_EQ(Texts(), std::vector<std::string>{stopped});
    EXPECT_EQ(log_.Messages().back(), stopped);
    world::Snapshot after = world::Snapshot::Take();
    after.machinePath = before.machinePath;  // PATH stays changed, as after any failed exchange
    EXPECT_EQ(before.Differences(after), "");
    EXPECT_TRUE(Registered().empty());
    EXPECT_FALSE(JournalExists());
}

TEST_F(SuiteChangeTest, APathThatCannotBeWrittenStopsTheChangeAndIsNeverLoggedAsWritten)
{
    const world::Snapshot before = world::Snapshot::Take();
    RunState state = Open(1);
    {
        SeamOverride<LSTATUS(const RegValue&)> refused(seams::WritePathValue,
                                                      [](const RegValue&) { return LSTATUS(ERROR_ACCESS_DENIED); });
        EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::RolledBack);
    }
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("Der System-PATH (HKEY_LOCAL_MACHINE\\" + std::string(kEnvironmentKey) +
                                   ") konnte nicht geschrieben werden: Fehler 5: ",
                               0),
              0u)
        << Texts()[0];
    const std::vector<std::string> lines = log_.Messages();
    EXPECT_TRUE(std::find(lines.begin(), lines.end(), "ENV PATH not found.") == lines.end());
    EXPECT_TRUE(std::find(lines.begin(), lines.end(), "RenameVersions FAILED.") == lines.end());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    EXPECT_FALSE(JournalExists());
}

TEST_F(SuiteChangeTest, ParksEachLiveFolderUnderTheVersionItHolds)
{
    // Older versions of both editions are listed first; their parked folders were deleted by hand.
    // They still load, since their program paths hold a workbench: the live 2.14.0.310 and a live
    // MDN 3.0.2.7.
    ASSERT_TRUE(MoveFileA("C:\\MERIDAN V3.0.2.7", "C:\\MERIDAN"));
    std::vector<world::SuiteVersion> listed = world::SuiteVersions();
    listed.insert(listed.begin(), {{"Kalvio 2.13.2.1", "C:\\Brivane V2.13.2.1", "C:\\Brivane", "2.13.2.1", "", ""},
                                   {"MDN 2.9.0.4", "C:\\MERIDAN V2.9.0.4", "C:\\MERIDAN", "2.9.0.4", "", ""}});
    world::ListSuiteVersions(listed);

    RunState state = Open(3);
    ASSERT_EQ(state.suiteEntries.size(), 5u);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(GetProductVersionText("C:\\Brivane\\Kalvio\\workbench.exe"), "2.15.1.20");
    EXPECT_EQ(GetProductVersionText("C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe"), "2.14.0.310");
    EXPECT_EQ(GetProductVersionText("C:\\MERIDAN V3.0.2.7\\program\\workbench.exe"), "3.0.2.7");
    for (const char* misfiled : {"C:\\Brivane V2.13.2.1", "C:\\MERIDAN V2.9.0.4", "C:\\MERIDAN"})
        EXPECT_FALSE(PathExists(misfiled)) << misfiled;
}

TEST_F(SuiteChangeTest, LiveFolderThatMatchesNoSingleEntryMovesNothing)
{
    const world::Snapshot before = world::Snapshot::Take();
    // The suite's setup updated the live version in place: the catalogue still knows the old build.
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Version1", "2.14.0.300");
    RunState state = Open(1);
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Version1", "2.14.0.310");

    // The same for a live MERIDAN version, while the Kalvio edition is switched.
    ASSERT_TRUE(MoveFileA("C:\\MERIDAN V3.0.2.7", "C:\\MERIDAN"));
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Version3", "3.0.2.6");
    const world::Snapshot meridanLive = world::Snapshot::Take();
    state = Open(1);
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(meridanLive.Differences(world::Snapshot::Take()), "");
    ASSERT_TRUE(MoveFileA("C:\\MERIDAN", "C:\\MERIDAN V3.0.2.7"));
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Version3", "3.0.2.7");

    const std::string unmatched =
        " l\xE4sst sich keinem Eintrag der Liste eindeutig zuordnen. Damit sie nicht unter falschem Namen abgelegt "
        "wird, wurde nichts verschoben.";
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Die Version im Verzeichnis C:\\Brivane" + unmatched,
                                                 "Die Version im Verzeichnis C:\\MERIDAN" + unmatched}));
    EXPECT_EQ(state.currentSuiteIndex, 0);
    EXPECT_TRUE(Registered().empty());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(SuiteChangeTest, VersionWithoutProgramPathIsRefusedBeforeAnythingMoves)
{
    // MDN 3.0.2.7 parked in a folder whose name says nothing, and no MERIDAN installation path to
    // derive its program path from.
    ScratchDir parking;
    const std::string parked = parking / "MDN 3.0.2.7";
    ASSERT_TRUE(MoveFileA("C:\\MERIDAN V3.0.2.7", parked.c_str()));
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path3", parked);
    DeleteRegValue(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath3");
    DeleteRegValue(HKEY_LOCAL_MACHINE, kMeridanInstallKey, "Path");
    const world::Snapshot before = world::Snapshot::Take();

    RunState state = Open(2);
    ASSERT_EQ(state.suiteEntries.size(), 3u);
    EXPECT_EQ(state.suiteEntries[2].programPath, "");
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(Texts(), std::vector<std::string>{"F\xFCr die Version MDN 3.0.2.7 ist kein Programmpfad bekannt: sie kann "
                                                "nicht aktiviert werden. Es wurde nichts verschoben."});
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    EXPECT_TRUE(PathExists(parked + "\\program\\workbench.exe"));
    EXPECT_TRUE(Registered().empty());
}

TEST_F(SuiteChangeTest, TheLiveVersionStaysCurrentUntilAChangeSucceeds)
{
    RunState state = Open(1);
    {
        SeamOverride<BOOL(const char*, const char*, DWORD)> move(
            seams::MovePath, [](const char*, const char*, DWORD) -> BOOL { return FALSE; });
        EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    }
    EXPECT_EQ(state.currentSuiteIndex, 0);

    // Delete still protects the live version's row; it saves at once.
    ui_.selectedSuiteRows = {0};
    DeleteSuiteEntry(state, ui_);
    EXPECT_EQ(ui_.messages.back().text, "Der Eintrag f\xFCr die aktuell aktive Version kann nicht gel\xF6scht werden!");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name1"), "Kalvio 2.14.0.310");
}

TEST_F(SuiteChangeTest, StartFindsTheCurrentVersionOrSaysWhy)
{
    RunState state = Open(0);
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "kalvio 2.14.0.310");
    EXPECT_TRUE(StartActiveVersion(state, ui_));
    EXPECT_TRUE(calls_.WaitFor("C:\\Brivane\\Kalvio\\workbench.exe|"));
    EXPECT_TRUE(ui_.messages.empty());

    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "MDN 3.0.2.7");
    EXPECT_FALSE(StartActiveVersion(state, ui_));  // its program path is empty: it is parked
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].text, "Datei nicht gefunden: C:\\MERIDAN\\program\\workbench.exe");
    EXPECT_EQ(ui_.messages[1].text,
              "Die aktive Version konnte nicht gestartet werden:\nC:\\MERIDAN\\program\\workbench.exe");
    EXPECT_EQ(ui_.messages[1].type, static_cast<UINT>(MB_OK));

    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "Unknown");
    EXPECT_FALSE(StartActiveVersion(state, ui_));
    EXPECT_EQ(ui_.messages.back().text, "Die aktive Version konnte nicht gestartet werden:\n");
}

TEST_F(SuiteChangeTest, RunningProgramsAbortRetryIgnore)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "Graflo";
    RegisterClassA(&windowClass);
    HWND graflo = CreateWindowA("Graflo", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const world::Snapshot before = world::Snapshot::Take();

    // Abort: nothing changed, nothing logged.
    RunState state = Open(1);
    ui_.answers = {IDRETRY, IDABORT};
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(ui_.messages.size(), 2u);
    EXPECT_NE(ui_.messages[0].text.find("\tControl\n"), std::string::npos);  // no dvio_it1.dll: simulation naming
    EXPECT_TRUE(log_.Messages().empty());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    EXPECT_EQ(state.currentSuiteIndex, 0);

    // Ignore: the switch goes on.
    ui_.answers = {IDIGNORE};
    EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(state.currentSuiteIndex, 1);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
    DestroyWindow(graflo);
}

TEST_F(SuiteChangeTest, AMachinePathThatCannotBeReadStopsTheChangeBeforeAnythingMoves)
{
    RunState state = Open(1);
    const std::string key = std::string("Der Systempfad PATH (HKEY_LOCAL_MACHINE\\") + kEnvironmentKey + ") ";
    const struct {
        const char* what;
        DWORD type;
        std::string data;
        std::string message;
        const char* log;
    } unreadable[] = {
        {"list of strings", REG_MULTI_SZ, std::string("C:\\Windows\0C:\\Tools\0\0", 21),
         key + "hat den unerwarteten Typ REG_MULTI_SZ." + kNothingChanged, "ENV PATH not read: type REG_MULTI_SZ"},
        {"binary", REG_BINARY, "C:\\Windows;C:\\Tools;", key + "hat den unerwarteten Typ REG_BINARY." + kNothingChanged,
         "ENV PATH not read: type REG_BINARY"},
    };
    for (const auto& path : unreadable) {
        SCOPED_TRACE(path.what);
        SetMachinePath(path.type, path.data);
        const world::Snapshot before = world::Snapshot::Take();
        const std::optional<RegValue> value = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
        ScriptedUi ui;
        ui.selectedSuiteRows = {1};
        EXPECT_NE(SwitchSuite(state, ui), ChangeOutcome::Done);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, path.message);
        EXPECT_EQ(ui.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
        EXPECT_EQ(log_.Messages().back(), path.log);
        const std::optional<RegValue> after = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
        ASSERT_TRUE(after);
        EXPECT_EQ(after->type, value->type);
        EXPECT_EQ(after->data, value->data);
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    }

    {
        // Without the environment key nothing tells what PATH held: the key is not made anew.
        MissingEnvironmentKey missing;
        const world::Snapshot before = world::Snapshot::Take();
        ScriptedUi ui;
        ui.selectedSuiteRows = {1};
        EXPECT_NE(SwitchSuite(state, ui), ChangeOutcome::Done);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, key + "konnte nicht gelesen werden (Fehler 2)." + kNothingChanged);
        EXPECT_EQ(log_.Messages().back(), "ENV PATH not read: key not opened, error 2");
        UniqueHKey environment;
        EXPECT_EQ(OpenRegKey(HKEY_LOCAL_MACHINE, kEnvironmentKey, KEY_READ, environment), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    }
    EXPECT_TRUE(Registered().empty());

    // Only a missing value is an empty PATH.
    DeleteRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(MachinePathText(), "C:\\Brivane\\bin;");
}

TEST_F(SuiteChangeTest, PathMembershipComparesWholeEntries)
{
    // Folders whose names only begin like the bin path are other folders.
    const std::string others = "C:\\Brivane\\bin.old;C:\\Brivane\\bin2;C:\\Windows;";
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", others);
    RunState state = Open(1);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(MachinePathText(), "C:\\Brivane\\bin;" + others);

    // The bin path in another case and with a trailing backslash is the same folder.
    const std::string same = "C:\\Windows;c:\\BRIVANE\\Bin\\;C:\\Tools;";
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", same);
    const size_t mark = log_.Messages().size();
    RunState back = Open(0);
    ASSERT_EQ(SwitchSuite(back, ui_), ChangeOutcome::Done);
    EXPECT_EQ(MachinePathText(), same);
    const std::vector<std::string> lines = log_.Messages();
    EXPECT_EQ(std::count(lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end(), "ENV PATH not found."), 0);
}

TEST_F(SuiteChangeTest, ProgramsStartedAfterThePathChangeGetItExpanded)
{
    WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "%SystemRoot%\\system32;%SystemRoot%;C:\\Tools;");
    RunState state = Open(1);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    const std::optional<RegValue> written = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    EXPECT_EQ(written->Text(), "C:\\Brivane\\bin;%SystemRoot%\\system32;%SystemRoot%;C:\\Tools;");
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_EXPAND_SZ));

    // regsvr32 and the started workbench inherit this process's environment.
    char root[MAX_PATH] = {};
    GetEnvironmentVariableA("SystemRoot", root, MAX_PATH);
    ASSERT_NE(root[0], '\0');
    std::string own(32767, '\0');
    own.resize(GetEnvironmentVariableA("Path", own.data(), static_cast<DWORD>(own.size())));
    EXPECT_EQ(own, "C:\\Brivane\\bin;" + std::string(root) + "\\system32;" + root + ";C:\\Tools;");
}

TEST_F(SuiteChangeTest, APathOutsideTheCodePageKeepsItsBytesAndTypeAndGetsTheBinFolderInFront)
{
    // Neither cleaned up nor cut: a doubled ";", no ";" at the end.
    const std::wstring rest = L"C:\\Tools\\Łódź\\bin;;C:\\Προγράμματα\\工具";
    const std::wstring old = L"%SystemRoot%\\system32;" + rest;
    const std::wstring key = ToWide(kEnvironmentKey);
    WriteWideText(HKEY_LOCAL_MACHINE, key, L"Path", old, REG_EXPAND_SZ);
    RunState state = Open(1);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, key, L"Path"), WideTextValue(L"C:\\Brivane\\bin;" + old, REG_EXPAND_SZ));

    // Programs started from here get it too, expanded.
    std::wstring own(32767, L'\0');
    own.resize(GetEnvironmentVariableW(L"Path", own.data(), static_cast<DWORD>(own.size())));
    EXPECT_NE(own.find(L";" + rest), std::wstring::npos);

    // The way back leaves the PATH as it is now: the bin folder is in it.
    RunState back = Open(0);
    ASSERT_EQ(SwitchSuite(back, ui_), ChangeOutcome::Done);
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, key, L"Path"), WideTextValue(L"C:\\Brivane\\bin;" + old, REG_EXPAND_SZ));
}

TEST_F(SuiteChangeTest, FailedRegistrationsAreNamedOnceAtTheEndAndTheChangeStaysDone)
{
    const char kRegistrationFailed[] = "Der Wechsel war erfolgreich, aber folgende Komponenten konnten nicht registriert werden:\n\n";
    const char kByHand[] = "\nRegistrieren Sie diese von Hand mit regsvr32; Einzelheiten stehen im Protokoll.";
    regsvr32_.FailFor("CxForms.dll");
    RunState state = Open(1);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
    EXPECT_EQ(Registered().size(), 3u);
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kRegistrationFailed + std::string("\tC:\\Brivane\\kalvio\\CxForms.dll\n") + kByHand);
    EXPECT_EQ(ui_.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    const std::vector<std::string> lines = log_.Messages();
    const std::vector<std::string> registration = {"RenameVersions SUCCESS.",
                                                   "regsvr32 /s \"C:\\Brivane\\kalvio\\UiControls.dll\" exit code: 0",
                                                   "regsvr32 /s \"C:\\Brivane\\kalvio\\CxForms.dll\" exit code: 5",
                                                   "regsvr32 /s \"C:\\Brivane\\bin\\RemotePanel.dll\" exit code: 0",
                                                   "AutoStart: 0"};
    EXPECT_NE(std::search(lines.begin(), lines.end(), registration.begin(), registration.end()), lines.end());

    // Without a regsvr32 every component is named, still once and only at the end.
    DeleteFileA(regsvr32_.Path().c_str());
    RunState back = Open(0);
    ui_.messages.clear();
    ASSERT_EQ(SwitchSuite(back, ui_), ChangeOutcome::Done);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.14.0.310");
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, kRegistrationFailed +
                                        std::string("\tC:\\Brivane\\kalvio\\UiControls.dll\n"
                                                    "\tC:\\Brivane\\kalvio\\CxForms.dll\n"
                                                    "\tC:\\Brivane\\bin\\RemotePanel.dll\n") +
                                        kByHand);
}

TEST_F(SuiteChangeTest, RunningProgramsThatCannotBeCheckedAskAbortRetryIgnore)
{
    const char kNotChecked[] = "Es konnte nicht gepr\xFC" "ft werden, welche Programme laufen.\n"
                               "Beenden Sie alle Programme, die auf die Versionen zugreifen, und versuchen Sie es "
                               "dann erneut, oder fahren Sie auf eigene Verantwortung fort (Ignorieren).";
    SeamOverride<bool(const seams::ProcessVisitor&)> walk(seams::WalkProcesses,
                                                          [](const seams::ProcessVisitor&) { return false; });
    const world::Snapshot before = world::Snapshot::Take();
    RunState state = Open(1);
    ui_.answers = {IDRETRY, IDABORT};
    EXPECT_NE(SwitchSuite(state, ui_), ChangeOutcome::Done);
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[1].text, kNotChecked);
    EXPECT_EQ(ui_.messages[1].type, static_cast<UINT>(MB_ICONWARNING | MB_ABORTRETRYIGNORE));
    EXPECT_TRUE(log_.Messages().empty());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    // A program found by its window is named as well.
    {
        SeamOverride<bool(const char*, const char*)> windows(seams::FindTopLevelWindow, [](const char* className, const char*) {
            return className != nullptr && std::string(className) == "Glyphor";
        });
        ScriptedUi ui;
        ui.selectedSuiteRows = {1};
        ui.answers = {IDABORT};
        EXPECT_NE(SwitchSuite(state, ui), ChangeOutcome::Done);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Folgende Programme wurden als aktiv erkannt:\n\n\tGlyph Editor\n\n"
                                       "Beenden Sie diese Programme und versuchen Sie es dann erneut!\n\n" +
                                           std::string(kNotChecked));
    }

    ui_.answers = {IDIGNORE};
    EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
}
