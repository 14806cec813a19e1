#include <gtest/gtest.h>

#include <algorithm>

#include "base/Registry.h"
#include "catalogue/Naming.h"
#include "resource.h"
#include "steps/Environment.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const char kCodesysCatalogue[] = "SOFTWARE\\BRIVANE\\Flipdeck\\CS";

// The demo world, with every catalogued version's gateway backup folder already made: a CoDeSys
// switch leaves the parked version's folder behind for good, so a round trip restores the rest.
class CodesysSwitchE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* version : {"2.3.9.5", "2.3.8.1", "2.3.7.0"})
            CreateDirectoryA((ProductSystemDirectory() + "CoDeSys " + version).c_str(), nullptr);
    }

    // Selects a row of the CoDeSys list, presses "Version wechseln" and answers the result; the
    // message it showed.
    static std::string ChangeTo(FlipdeckProcess& flipdeck, int row)
    {
        flipdeck.SelectRows(IDC_CODESYS_LIST, {row});
        flipdeck.Click(ID_CMD_CHANGE, IDC_CODESYS_HEADER);
        MessageBoxWindow result = flipdeck.WaitForMessageBox(60);
        FlipdeckProcess::Answer(result, IDOK);
        return result.text;
    }

    static std::string Current() { return ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogue, "CurrentVersionName").value_or(""); }

    static void Close(FlipdeckProcess& flipdeck)
    {
        flipdeck.Click(IDOK);
        EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    }

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
};

}  // namespace

TEST_F(CodesysSwitchE2E, RoundTripsBetweenSubFolderAndWholeFolderVersions)
{
    const world::Snapshot before = world::Snapshot::Take();
    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    EXPECT_EQ(flipdeck.ListRows(IDC_CODESYS_LIST, 3)[0][0], "<neu>");

    // Installed sub-folder version to the parked whole-folder version and back.
    EXPECT_EQ(ChangeTo(flipdeck, 3), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(Current(), "CoDeSys 2.3.7.0");
    EXPECT_EQ(ItemTextOf(flipdeck.MainWindow(), IDC_CODESYS_NAME), "CoDeSys 2.3.7.0");
    EXPECT_EQ(ReadFileBytes(ProductSystemDirectory() + "gateway.exe"), "gateway.exe of CoDeSys 2.3.7.0");
    EXPECT_EQ(ChangeTo(flipdeck, 1), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(Current(), "CoDeSys 2.3.9.5");

    // Sub-folder version to sub-folder version and back.
    EXPECT_EQ(ChangeTo(flipdeck, 2), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(Current(), "CoDeSys 2.3.8.1");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "software\\3S-Smart Software Solutions GmbH\\CoDeSys V2.3", "Version"), "2.3.8.1");
    EXPECT_EQ(ChangeTo(flipdeck, 1), "Der Wechsel war erfolgreich!");
    Close(flipdeck);

    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    const std::vector<std::string> log = log_.Messages();
    EXPECT_EQ(std::count(log.begin(), log.end(), "OnChangeCS SUCCESS, CurrentVersionName: CoDeSys 2.3.9.5"), 2);
}

TEST_F(CodesysSwitchE2E, NeutralEntryLeavesRoomForAnInstallationThatTheNextStartAdopts)
{
    {
        FlipdeckProcess flipdeck;
        ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
        EXPECT_EQ(ChangeTo(flipdeck, 0), "Der Wechsel war erfolgreich!");
        EXPECT_EQ(Current(), "<neu>");
        Close(flipdeck);
    }
    // CoDeSys' setup installs a further version into the free installation.
    world::InstallCodesys(BinDir() + "\\standins", "2.3.9.6");

    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    EXPECT_EQ(Current(), "CoDeSys 2.3.9.6");
    EXPECT_EQ(ItemTextOf(flipdeck.MainWindow(), IDC_CODESYS_NAME), "CoDeSys 2.3.9.6");
    const auto rows = flipdeck.ListRows(IDC_CODESYS_LIST, 3);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4][0], "CoDeSys 2.3.9.6");
    CreateDirectoryA((ProductSystemDirectory() + "CoDeSys 2.3.9.6").c_str(), nullptr);
    const world::Snapshot adopted = world::Snapshot::Take();

    // Between all of them, ending where it started.
    for (int row : {1, 3, 2, 4}) {
        SCOPED_TRACE("row " + std::to_string(row));
        EXPECT_EQ(ChangeTo(flipdeck, row), "Der Wechsel war erfolgreich!");
        EXPECT_EQ(Current(), rows[static_cast<size_t>(row)][0]);
    }
    Close(flipdeck);
    EXPECT_EQ(adopted.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysSwitchE2E, AFurtherCopyOfAVersionIsSwitchedAwayFromAndBack)
{
    {
        FlipdeckProcess flipdeck;
        ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
        EXPECT_EQ(ChangeTo(flipdeck, 0), "Der Wechsel war erfolgreich!");
        Close(flipdeck);
    }
    // CoDeSys' setup installs 2.3.9.5 once more into the free installation.
    world::InstallCodesys(BinDir() + "\\standins", "2.3.9.5");
    const std::string main = std::string(world::kCodesysRoot) + "\\CoDeSys V2.3";
    WriteFileBytes(main + "\\copy.txt", "second copy");
    CreateDirectoryA((ProductSystemDirectory() + "CoDeSys 2.3.9.5_1").c_str(), nullptr);

    FlipdeckProcess flipdeck;
    MessageBoxWindow found = flipdeck.WaitForMessageBox();
    EXPECT_EQ(found.text, "Es wurde eine neue CoDeSys-Installation gefunden und in den Versionswechsler aufgenommen.");
    FlipdeckProcess::Answer(found, IDOK);
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    EXPECT_EQ(Current(), "CoDeSys 2.3.9.5_1");
    EXPECT_EQ(flipdeck.ListRows(IDC_CODESYS_LIST, 3).at(4)[0], "CoDeSys 2.3.9.5_1");
    const world::Snapshot adopted = world::Snapshot::Take();

    // Away to 2.3.8.1: the copy is parked under names of its own, beside the first 2.3.9.5.
    EXPECT_EQ(ChangeTo(flipdeck, 2), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(Current(), "CoDeSys 2.3.8.1");
    EXPECT_EQ(ReadFileBytes(main + " 2.3.9.5_1\\copy.txt"), "second copy");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "software\\3S-Smart Software Solutions GmbH 2.3.9.5_1\\CoDeSys V2.3", "Version"),
              "2.3.9.5");
    // To the first copy and back to the second.
    EXPECT_EQ(ChangeTo(flipdeck, 1), "Der Wechsel war erfolgreich!");
    EXPECT_FALSE(PathExists(main + "\\copy.txt"));
    EXPECT_EQ(ChangeTo(flipdeck, 4), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(Current(), "CoDeSys 2.3.9.5_1");
    Close(flipdeck);
    EXPECT_EQ(adopted.Differences(world::Snapshot::Take()), "");
}
