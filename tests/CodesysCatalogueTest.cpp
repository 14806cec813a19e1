#include <gtest/gtest.h>

#include <algorithm>

#include "base/Registry.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/SuiteCatalogue.h"
#include "codesys/CodesysList.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const std::string kKey = kCodesysCatalogueKey;

// A clean CoDeSys catalogue and setup key, and a CoDeSys installation in a scratch folder.
class CodesysCatalogueTest : public ::testing::Test {
protected:
    ScratchKey user_{HKEY_CURRENT_USER, kKey};
    ScratchKey machine_{HKEY_LOCAL_MACHINE, kKey};
    ScratchKey setup_{HKEY_LOCAL_MACHINE, "SOFTWARE\\3S-Smart Software Solutions GmbH"};
    ScratchKey userSetup_{HKEY_CURRENT_USER, "SOFTWARE\\3S-Smart Software Solutions GmbH"};
    ScratchKey mirror_{HKEY_CURRENT_USER, std::string(kMeridanCatalogueKey) + "\\CS"};
    ScratchLogFolder log_;
    ScratchDir dir_;
    ScriptedUi ui_;
    RunState state_;

    std::string Root() const { return dir_ / "3S Software"; }
    std::string Main() const { return Root() + "\\CoDeSys V2.3"; }

    // CoDeSys 2.3.9.5 (the program of stand-in `standIn`) in Root(), as its setup records it in
    // the given hive.
    void Install(HKEY hive = HKEY_LOCAL_MACHINE, const std::string& standIn = "codesys_2_3_9_5")
    {
        MakeDirs(Main());
        ASSERT_TRUE(CopyFileA(StandInPath(standIn, "CoDeSys.exe").c_str(), (Main() + "\\CoDeSys.exe").c_str(), FALSE));
        WriteRegString(hive, kCodesysSetupKey, "Targetdir", Root());
        WriteRegString(hive, kCodesysSetupKey, "Targetdir_CODESYS", Main());
        WriteRegString(hive, kCodesysSetupKey, "Targetdir_ENI", Root() + "\\CoDeSys ENI Server");
        WriteRegString(hive, kCodesysSetupKey, "Targetdir_OPC", Root() + "\\CoDeSysOPC");
        WriteRegString(hive, kCodesysSetupKey, "Targetdir_PLCWINNT", Root() + "\\CoDeSys SP PLCWinNT");
    }

    void Catalogue(int n, const std::string& version, const std::string& renamePath)
    {
        const std::string index = std::to_string(n);
        WriteRegString(HKEY_CURRENT_USER, kKey, "Name" + index, "CoDeSys " + version);
        WriteRegString(HKEY_CURRENT_USER, kKey, "Version" + index, version);
        WriteRegString(HKEY_CURRENT_USER, kKey, "Path" + index, renamePath);
        WriteRegByte(HKEY_CURRENT_USER, kKey, "RenameSubDir" + index, 1);
    }

    std::string Value(const std::string& name) const { return ReadRegText(HKEY_CURRENT_USER, kKey, name).value_or("<none>"); }
};

}  // namespace

TEST_F(CodesysCatalogueTest, FirstStartCataloguesTheInstallationAsTheCurrentEntry)
{
    Install();
    LoadCodesysAtStartup(state_, ui_);

    EXPECT_EQ(Value("Name1"), "CoDeSys 2.3.9.5");
    EXPECT_EQ(Value("Path1"), Main() + " 2.3.9.5");
    EXPECT_EQ(Value("Path1_ENI"), Root() + "\\CoDeSys ENI Server 2.3.9.5");
    EXPECT_EQ(Value("Path1_OPC"), Root() + "\\CoDeSysOPC 2.3.9.5");
    EXPECT_EQ(Value("Path1_PLCWINNT"), Root() + "\\CoDeSys SP PLCWinNT 2.3.9.5");
    EXPECT_EQ(Value("Version1"), "2.3.9.5");
    BYTE flag = 0;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kKey, "RenameSubDir1", flag));
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Value("CurrentVersionName"), "CoDeSys 2.3.9.5");
    EXPECT_EQ(Value("NewVersionPath"), Root() + " NewVersions");

    ASSERT_EQ(state_.codesysEntries.size(), 1u);
    EXPECT_EQ(state_.codesysEntries[0].plcWinNtPath, Root() + "\\CoDeSys SP PLCWinNT 2.3.9.5");
    EXPECT_EQ(state_.currentCodesysName, "CoDeSys 2.3.9.5");
    EXPECT_EQ(state_.newVersionsPath, Root() + " NewVersions");
    ASSERT_EQ(ui_.shownCodesysLists.size(), 1u);
    EXPECT_EQ(ui_.shownCodesysLists[0].size(), 1u);
    EXPECT_EQ(ui_.fields, (std::vector<std::pair<CurrentField, std::string>>{
                              {kCodesysNameField, "CoDeSys 2.3.9.5"}, {kCodesysRenamePathField, Main() + " 2.3.9.5"}}));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(log_.Messages(),
              (std::vector<std::string>{"------------------CODESYS---------------------", "Name1: CoDeSys 2.3.9.5",
                                        "Path1: " + Main() + " 2.3.9.5", "Path1_ENI: " + Root() + "\\CoDeSys ENI Server 2.3.9.5",
                                        "Path1_OPC: " + Root() + "\\CoDeSysOPC 2.3.9.5",
                                        "Path1_PLCWINNT: " + Root() + "\\CoDeSys SP PLCWinNT 2.3.9.5", "RenameSubDir1: 1",
                                        "Version1: 2.3.9.5"}));
}

TEST_F(CodesysCatalogueTest, TheInstalledVersionBecomesCurrentUnlessItsEntryIsParked)
{
    Install();
    Catalogue(1, "2.3.8.1", Main() + " 2.3.8.1");
    Catalogue(2, "2.3.9.5", Main() + " 2.3.9.5");
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "CoDeSys 2.3.8.1");
    SyncInstalledCodesys();
    EXPECT_EQ(Value("CurrentVersionName"), "CoDeSys 2.3.9.5");

    // With entry 2 parked, what is installed is a further copy of 2.3.9.5: the match leaves it to
    // the discovery, which gives it a name and rename path of its own.
    MakeDirs(Main() + " 2.3.9.5");
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "<neu>");
    SyncInstalledCodesys();
    EXPECT_EQ(Value("CurrentVersionName"), "<neu>");
    EXPECT_EQ(Value("Name3"), "<none>");

    // An index with a name but no version is an entry too: it is never written over.
    Catalogue(3, "", "");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey.c_str(), "Version3");
    Catalogue(2, "2.3.9.4", Main() + " 2.3.9.4");
    SyncInstalledCodesys();
    EXPECT_EQ(Value("Name3"), "CoDeSys ");
    EXPECT_EQ(Value("Name4"), "CoDeSys 2.3.9.5");
    EXPECT_EQ(Value("CurrentVersionName"), "CoDeSys 2.3.9.5");
}

TEST_F(CodesysCatalogueTest, AdoptionFillsAnEmptyFirstEntryButNeverReplacesOne)
{
    // Known only to the current user, the installation escapes the match, which asks the machine.
    Install(HKEY_CURRENT_USER);
    SettleCodesysState(state_);
    EXPECT_EQ(state_.currentCodesysName, "CoDeSys 2.3.9.5");
    EXPECT_EQ(Value("Name1"), "CoDeSys 2.3.9.5");
    EXPECT_EQ(Value("Path1"), Main() + " 2.3.9.5");
    EXPECT_EQ(Value("Path1_OPC"), Root() + "\\CoDeSysOPC 2.3.9.5");

    WriteRegString(HKEY_CURRENT_USER, kKey, "Name1", "CoDeSys 2.3.8.1");
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "");
    EXPECT_FALSE(AdoptInstalledCodesys());
    EXPECT_EQ(Value("Name1"), "CoDeSys 2.3.8.1");
    EXPECT_EQ(Value("CurrentVersionName"), "");
}

TEST_F(CodesysCatalogueTest, AdoptionAndTheStartUpMatchReadOneVersionText)
{
    // This program's FileVersion string reads "2, 3, 9, 5", its product version 2.3.9.5. Known only
    // to the current user, the installation is adopted; known to the machine too, the match finds
    // that entry instead of cataloguing it again.
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        Install(hive, "codesys_2_3_9_5_commas");
        state_ = RunState();
        LoadCodesysAtStartup(state_, ui_);
        ASSERT_EQ(state_.codesysEntries.size(), 1u);
        EXPECT_EQ(Value("Name1"), "CoDeSys 2.3.9.5");
        EXPECT_EQ(Value("Version1"), "2.3.9.5");
        EXPECT_EQ(Value("Path1"), Main() + " 2.3.9.5");
        EXPECT_EQ(Value("Path1_ENI"), Root() + "\\CoDeSys ENI Server 2.3.9.5");
        EXPECT_EQ(state_.currentCodesysName, "CoDeSys 2.3.9.5");
    }
}

TEST_F(CodesysCatalogueTest, TheNewVersionsPathSkipsTakenNamesAndIsKeptOnceChosen)
{
    Install();
    MakeDirs(Root() + " NewVersions");
    MakeDirs(Root() + " NewVersions_1");
    SettleCodesysState(state_);
    EXPECT_EQ(state_.newVersionsPath, Root() + " NewVersions_2");
    EXPECT_EQ(Value("NewVersionPath"), Root() + " NewVersions_2");

    WriteRegString(HKEY_LOCAL_MACHINE, kKey, "NewVersionPath", "D:\\Elsewhere");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey.c_str(), "NewVersionPath");
    SettleCodesysState(state_);
    EXPECT_EQ(state_.newVersionsPath, "D:\\Elsewhere");
}

TEST_F(CodesysCatalogueTest, LoadingStopsAtAGapAndSavingPrunesButNeverWritesTheNeutralRow)
{
    Catalogue(1, "2.3.9.5", "P1");
    Catalogue(3, "2.3.8.1", "P3");
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "<neu>");
    LoadCodesysAtStartup(state_, ui_);
    ASSERT_EQ(state_.codesysEntries.size(), 1u);
    EXPECT_EQ(ui_.fields, (std::vector<std::pair<CurrentField, std::string>>{{kCodesysNameField, "<neu>"},
                                                                            {kCodesysRenamePathField, ""}}));

    // An entry named like the neutral row (a hand-edited catalogue) is never saved.
    state_.codesysEntries.insert(state_.codesysEntries.begin(), CodesysVersionEntry{"<neu>", "", "", "", "", "", 0});
    SaveCodesysCatalogue(state_);
    EXPECT_EQ(Value("Name1"), "CoDeSys 2.3.9.5");
    for (const char* gone : {"Name2", "Name3", "Path3", "Version3", "RenameSubDir3"})
        EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kKey, gone)) << gone;
    EXPECT_EQ(Value("CurrentVersionName"), "<neu>");
    const std::vector<std::string> log = log_.Messages();
    EXPECT_NE(std::find(log.begin(), log.end(), "Remove CoDeSys version from registry " + kKey + ": CoDeSys 2.3.8.1 nItem: 3"),
              log.end());
}

TEST_F(CodesysCatalogueTest, SavingReachesTheMirrorOnlyWhereItHasACurrentVersion)
{
    Catalogue(1, "2.3.9.5", "P1");
    LoadCodesysCatalogue(state_, ui_);
    ASSERT_TRUE(EnumerateUserHives(state_.userHives));
    SaveCodesysCatalogue(state_);
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, mirror_.Path(), "Name1"));
    EXPECT_FALSE(ReadRegValue(HKEY_USERS, ".DEFAULT\\" + kKey, "Name1"));

    WriteRegString(HKEY_CURRENT_USER, mirror_.Path(), "CurrentVersionName", "x");
    SaveCodesysCatalogue(state_);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, mirror_.Path(), "Name1"), "CoDeSys 2.3.9.5");
}
