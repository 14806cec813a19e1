#include <gtest/gtest.h>

#include <algorithm>

#include "base/Registry.h"
#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "resource.h"
#include "steps/Environment.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

// The demo world with a recording regsvr32.exe where the products' regsvr32 lives.
class SuiteSwitchE2E : public ::testing::Test {
protected:
    void SetUp() override { world::ApplyLastingSwitchEffects(); }

    // Starts Flipdeck, selects a suite row, presses "Version wechseln" and answers the message.
    std::string SwitchTo(int row)
    {
        FlipdeckProcess flipdeck;
        EXPECT_NE(flipdeck.WaitForMainWindow(), nullptr);
        flipdeck.SelectRows(IDC_KALVIO_LIST, {row});
        flipdeck.Click(ID_CMD_CHANGE, IDC_KALVIO_HEADER);
        MessageBoxWindow box = flipdeck.WaitForMessageBox(60);
        FlipdeckProcess::Answer(box, IDOK);
        EXPECT_EQ(flipdeck.WaitForExit(), 0u);  // a successful switch ends the program
        return box.text;
    }

    std::vector<std::string> Registered() const { return regsvr32_.CommandLines(); }

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    RecordingRegsvr32 regsvr32_;
};

}  // namespace

TEST_F(SuiteSwitchE2E, SwitchesToTheParkedVersionAndBack)
{
    const world::Snapshot before = world::Snapshot::Take();
    const std::string oldPath = MachinePathList();

    EXPECT_EQ(SwitchTo(1), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(GetProductVersionText("C:\\Brivane\\Kalvio\\workbench.exe"), "2.15.1.20");
    EXPECT_EQ(GetProductVersionText("C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe"), "2.14.0.310");
    EXPECT_FALSE(PathExists("C:\\Brivane V2.15.1.20"));
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path"), "C:\\Brivane");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path"), "C:\\MERIDAN");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, "SOFTWARE\\Brivane", "Path"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, "Software\\brivane\\Kalvio", "Version"), "2.15.1.20");
    for (const char* catalogue : {kSuiteCatalogueKey, kMeridanCatalogueKey})
        EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, catalogue, "CurrentVersionName"), "Kalvio 2.15.1.20") << catalogue;
    EXPECT_EQ(MachinePathList().substr(0, 15), "C:\\Brivane\\bin;");
    EXPECT_EQ(Registered(), (std::vector<std::string>{"regsvr32 /s \"C:\\Brivane\\kalvio\\UiControls.dll\"",
                                                        "regsvr32 /s \"C:\\Brivane\\kalvio\\CxForms.dll\"",
                                                        "regsvr32 /s \"C:\\Brivane\\bin\\RemotePanel.dll\""}));
    std::vector<std::string> log = log_.Messages();
    const std::vector<std::string> switchLines = {
        std::string(66, '*'), "OnChange CurrentVersionName: Kalvio 2.14.0.310 NewName: Kalvio 2.15.1.20", oldPath,
        "ENV PATH not found.", "C:\\Brivane\\bin;" + oldPath, "RenameVersions SUCCESS.",
        "regsvr32 /s \"C:\\Brivane\\kalvio\\UiControls.dll\" exit code: 0",
        "regsvr32 /s \"C:\\Brivane\\kalvio\\CxForms.dll\" exit code: 0",
        "regsvr32 /s \"C:\\Brivane\\bin\\RemotePanel.dll\" exit code: 0", "AutoStart: 0",
        "CurrentVersionName: Kalvio 2.15.1.20", "SaveAllKalvio"};
    auto start = std::search(log.begin(), log.end(), switchLines.begin(), switchLines.end());
    EXPECT_NE(start, log.end());
    EXPECT_EQ(log.end() - start, static_cast<long>(switchLines.size()));

    EXPECT_EQ(SwitchTo(0), "Der Wechsel war erfolgreich!");
    world::Snapshot after = world::Snapshot::Take();
    EXPECT_EQ(after.machinePath, "C:\\Brivane\\bin;" + before.machinePath);
    after.machinePath = before.machinePath;  // PATH keeps the bin path: the documented lasting change
    EXPECT_EQ(before.Differences(after), "");
}

TEST_F(SuiteSwitchE2E, AMachinePathOfAnotherTypeStopsTheSwitchAndLosesNothing)
{
    const char multi[] = "%SystemRoot%\\system32\0C:\\Tools\0";
    SetRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", REG_MULTI_SZ, multi, sizeof(multi));
    const std::optional<RegValue> path = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    const world::Snapshot before = world::Snapshot::Take();

    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    flipdeck.SelectRows(IDC_KALVIO_LIST, {1});
    flipdeck.Click(ID_CMD_CHANGE, IDC_KALVIO_HEADER);
    MessageBoxWindow box = flipdeck.WaitForMessageBox(60);
    EXPECT_EQ(box.text, std::string("Der Systempfad PATH (HKEY_LOCAL_MACHINE\\") + kEnvironmentKey +
                            ") hat den unerwarteten Typ REG_MULTI_SZ.\n\nDer Wechsel wurde nicht begonnen; es wurde "
                            "nichts ver\xE4ndert.");
    FlipdeckProcess::Answer(box, IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(1), static_cast<DWORD>(STILL_ACTIVE));  // the dialog stays open
    flipdeck.Click(IDCANCEL);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);

    const std::optional<RegValue> after = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->type, path->type);
    EXPECT_EQ(after->data, path->data);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    EXPECT_TRUE(Registered().empty());
    EXPECT_EQ(log_.Messages().back(), "ENV PATH not read: type REG_MULTI_SZ");
}

TEST_F(SuiteSwitchE2E, ParksTheLiveVersionUnderItsOwnNameWhenAnOlderEntryLostItsFolder)
{
    // An older version is listed first; its parked folder was deleted by hand. It still loads,
    // since its program path holds the live version's workbench.
    std::vector<world::SuiteVersion> listed = world::SuiteVersions();
    listed.insert(listed.begin(), {"Kalvio 2.13.2.1", "C:\\Brivane V2.13.2.1", "C:\\Brivane", "2.13.2.1", "", ""});
    world::ListSuiteVersions(listed);
    const world::Snapshot before = world::Snapshot::Take();

    EXPECT_EQ(SwitchTo(2), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(GetProductVersionText("C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe"), "2.14.0.310");
    EXPECT_FALSE(PathExists("C:\\Brivane V2.13.2.1"));
    EXPECT_EQ(SwitchTo(1), "Der Wechsel war erfolgreich!");
    world::Snapshot after = world::Snapshot::Take();
    after.machinePath = before.machinePath;  // PATH keeps the bin path: the documented lasting change
    EXPECT_EQ(before.Differences(after), "");
}

TEST_F(SuiteSwitchE2E, EditRefusesTheRenamePathOfAnotherEntry)
{
    const world::Snapshot before = world::Snapshot::Take();
    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    flipdeck.SelectRows(IDC_KALVIO_LIST, {1});
    flipdeck.DoubleClickRow(IDC_KALVIO_LIST, 1);
    HWND edit = flipdeck.WaitForDialog(IDC_EDIT_RENAME_PATH_BROWSE);
    ASSERT_NE(edit, nullptr);
    FlipdeckProcess::Press(edit, IDC_EDIT_RENAME_PATH_BROWSE);
    ASSERT_TRUE(flipdeck.ChooseFolder("C:\\MERIDAN V3.0.2.7"));
    FlipdeckProcess::Press(edit, IDOK);
    MessageBoxWindow box = flipdeck.WaitForMessageBox();
    EXPECT_EQ(box.text, "Der angegebene Pfad ist bereits vorhanden!");
    FlipdeckProcess::Answer(box, IDOK);

    // The edit comes back with the refused choice; Cancel keeps the entry, OK of the main dialog
    // saves it as it was.
    edit = flipdeck.WaitForDialog(IDC_EDIT_RENAME_PATH_BROWSE);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(ItemTextOf(edit, IDC_EDIT_RENAME_PATH), "C:\\MERIDAN V3.0.2.7");
    FlipdeckProcess::Press(edit, IDCANCEL);
    flipdeck.Click(IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(SuiteSwitchE2E, NewRefusesTheLiveInstallation)
{
    // The live version's rename path was once edited, so the path proposed for the live folder is free.
    for (const char* catalogue : {kSuiteCatalogueKey, kMeridanCatalogueKey})
        WriteRegString(HKEY_CURRENT_USER, catalogue, "Path1", "C:\\Brivane 2.14");
    const world::Snapshot before = world::Snapshot::Take();
    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    flipdeck.Click(ID_CMD_NEW, IDC_KALVIO_HEADER);
    ASSERT_TRUE(flipdeck.ChooseFolder("C:\\Brivane"));
    MessageBoxWindow box = flipdeck.WaitForMessageBox();
    EXPECT_EQ(box.text, "Das Verzeichnis C:\\Brivane enth\xE4lt die aktive Installation der eingetragenen Version "
                        "Kalvio 2.14.0.310 und kann nicht hinzugef\xFCgt werden.");
    FlipdeckProcess::Answer(box, IDOK);
    flipdeck.Click(IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}
