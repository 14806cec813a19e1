#include <gtest/gtest.h>

#include <algorithm>

#include "app/Startup.h"
#include "base/Registry.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const std::string kKey = kSuiteCatalogueKey;
const std::string kMeridanKey = kMeridanCatalogueKey;

// A clean catalogue in both hives, an empty log and a folder for version folders.
class SuiteCatalogueTest : public ::testing::Test {
protected:
    ScratchKey user_{HKEY_CURRENT_USER, kKey};
    ScratchKey machine_{HKEY_LOCAL_MACHINE, kKey};
    ScratchKey meridan_{HKEY_CURRENT_USER, kMeridanKey};
    ScratchKey defaultHive_{HKEY_USERS, ".DEFAULT\\" + kKey};
    ScratchLogFolder log_;
    ScratchDir dir_;
    ScriptedUi ui_;
    RunState state_;

    // A version folder holding the workbench of the given layout ("Kalvio" or "program").
    std::string MakeVersion(const std::string& name, const std::string& layout = "Kalvio")
    {
        MakeDirs(dir_ / name + "\\" + layout);
        WriteFileBytes(dir_ / name + "\\" + layout + "\\workbench.exe", "");
        return dir_ / name;
    }

    void Catalogue(HKEY root, int n, const std::string& name, const std::string& path,
                   const std::string& programPath = "")
    {
        WriteRegString(root, kKey, "Name" + std::to_string(n), name);
        WriteRegString(root, kKey, "Path" + std::to_string(n), path);
        if (!programPath.empty())
            WriteRegString(root, kKey, "PrgPath" + std::to_string(n), programPath);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const SuiteVersionEntry& entry : state_.suiteEntries)
            names.push_back(entry.name);
        return names;
    }

    static bool Has(const std::vector<std::string>& lines, const std::string& line)
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

}  // namespace

TEST_F(SuiteCatalogueTest, LoadToleratesGapsAndStopsAtTheThirdMissingIndex)
{
    const std::string live = dir_ / "Brivane";
    Catalogue(HKEY_CURRENT_USER, 1, "V1", MakeVersion("Brivane V1"), live);
    Catalogue(HKEY_CURRENT_USER, 2, "V2", MakeVersion("Brivane V2"), live);
    Catalogue(HKEY_CURRENT_USER, 4, "V4", MakeVersion("Brivane V4", "program"), live);
    Catalogue(HKEY_CURRENT_USER, 7, "V7", MakeVersion("Brivane V7"), live);  // beyond misses 3, 5, 6
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "v2");

    LoadSuiteCatalogue(state_, ui_, true);
    EXPECT_EQ(Names(), (std::vector<std::string>{"V1", "V2", "V4"}));
    EXPECT_EQ(state_.suiteEntries[2].edition, 1);
    EXPECT_EQ(state_.currentSuiteIndex, 1);
    EXPECT_TRUE(ui_.messages.empty());
    ASSERT_EQ(ui_.shownLists.size(), 1u);
    EXPECT_EQ(ui_.shownLists[0].size(), 3u);
    EXPECT_EQ(ui_.fields, (std::vector<std::pair<CurrentField, std::string>>{
                              {kSuiteNameField, "V2"}, {kSuiteRenamePathField, dir_ / "Brivane V2"}}));

    std::vector<std::string> log = log_.Messages();
    EXPECT_TRUE(Has(log, "Name3: not found in registry"));
    EXPECT_TRUE(Has(log, "Name6: not found in registry"));
    EXPECT_FALSE(Has(log, "Name7: V7"));
    EXPECT_TRUE(Has(log, "Path4: " + dir_ / "Brivane V4"));
    EXPECT_TRUE(Has(log, "PrgPath1: " + live));
    EXPECT_TRUE(Has(log, "CurrentVersionName: v2"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "----------------------------------------------"), 6);
}

TEST_F(SuiteCatalogueTest, LoadSkipsEntriesWithoutPathOrWorkbenchAndDerivesProgramPaths)
{
    Catalogue(HKEY_CURRENT_USER, 1, "Empty path", "");
    Catalogue(HKEY_CURRENT_USER, 2, "No workbench", dir_ / "Brivane Nothing");
    MakeDirs(dir_ / "Brivane Nothing");
    // Values missing from the current user come from the machine, value by value.
    Catalogue(HKEY_LOCAL_MACHINE, 3, "Machine", MakeVersion("Brivane_alt"));
    WriteRegString(HKEY_CURRENT_USER, kKey, "Version3", "2.14.0.310");

    LoadSuiteCatalogue(state_, ui_, true);
    ASSERT_EQ(Names(), std::vector<std::string>{"Machine"});
    EXPECT_EQ(state_.suiteEntries[0].programPath, dir_ / "Brivane");  // derived from the rename path
    EXPECT_EQ(state_.suiteEntries[0].version, "2.14.0.310");
    EXPECT_EQ(state_.suiteEntries[0].BinPath(), dir_ / "Brivane\\bin");

    std::vector<std::string> log = log_.Messages();
    EXPECT_TRUE(Has(log, "Path1: empty"));
    EXPECT_TRUE(Has(log, "workbench.exe not found !!!"));
    // No current version: message 10089 and the first entry becomes current.
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.substr(0, 43), "Es wurde keine aktuelle Version gefunden. B");
    EXPECT_EQ(ui_.messages[0].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(state_.currentSuiteIndex, 0);
}

TEST_F(SuiteCatalogueTest, EmptyCatalogueSaysSoWithoutLogging)
{
    LoadSuiteCatalogue(state_, ui_, false);
    EXPECT_TRUE(state_.suiteEntries.empty());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text.substr(0, 43), "Es wurden keine Versionseintr\xE4ge gefunden. ");
    EXPECT_TRUE(log_.Messages().empty());
}

TEST_F(SuiteCatalogueTest, WritePrunesStaleIndexesAndLogsEachRemoval)
{
    for (int n = 1; n <= 5; ++n)
        Catalogue(HKEY_CURRENT_USER, n, "V" + std::to_string(n), MakeVersion("B" + std::to_string(n)));
    WriteRegString(HKEY_CURRENT_USER, kKey, "MainPath5", "obsolete");
    WriteRegString(HKEY_CURRENT_USER, kKey, "CurrentVersionName", "V2");
    LoadSuiteCatalogue(state_, ui_, false);
    state_.suiteEntries.resize(3);
    std::swap(state_.suiteEntries[0], state_.suiteEntries[2]);

    WriteSuiteCatalogue(state_, false, HKEY_CURRENT_USER, kKey);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Name1"), "V3");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Path1"), dir_ / "B3");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Name3"), "V1");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "CurrentVersionName"), "V2");
    for (const char* gone : {"Name4", "Path4", "PrgPath4", "Name5", "Path5", "MainPath5", "Version5"})
        EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kKey, gone)) << gone;
    BYTE autoStart = 9;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kKey, "AutoStart", autoStart));
    EXPECT_EQ(autoStart, 0);

    std::vector<std::string> log = log_.Messages();
    EXPECT_TRUE(Has(log, "Remove Kalvio version from registry " + kKey + ": V4 Index: 3"));
    EXPECT_TRUE(Has(log, "Remove Kalvio version from registry " + kKey + ": V5 Index: 3"));
}

TEST_F(SuiteCatalogueTest, SaveAllWritesOnlyWhereTheCatalogueLives)
{
    Catalogue(HKEY_CURRENT_USER, 1, "V1", MakeVersion("B1"));
    LoadSuiteCatalogue(state_, ui_, false);
    ASSERT_TRUE(EnumerateUserHives(state_.userHives));

    // The default hive has no catalogue and the MERIDAN mirror has no current version: neither is written.
    SaveSuiteCatalogue(state_, true);
    EXPECT_FALSE(ReadRegValue(HKEY_USERS, ".DEFAULT\\" + kKey, "Name1"));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kMeridanKey, "Name1"));
    BYTE autoStart = 0;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kKey, "AutoStart", autoStart));
    EXPECT_EQ(autoStart, 1);

    WriteRegString(HKEY_USERS, ".DEFAULT\\" + kKey, "Other", "x");
    WriteRegString(HKEY_CURRENT_USER, kMeridanKey, "CurrentVersionName", "");
    SaveSuiteCatalogue(state_, false);
    EXPECT_EQ(ReadRegText(HKEY_USERS, ".DEFAULT\\" + kKey, "Name1"), "V1");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kMeridanKey, "Name1"), "V1");
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kKey, "AutoStart", autoStart));
    EXPECT_EQ(autoStart, 0);
    std::vector<std::string> log = log_.Messages();
    EXPECT_EQ(std::count(log.begin(), log.end(), "SaveAllKalvio"), 2);
}

TEST_F(SuiteCatalogueTest, SaveAllOfAMachineOnlyCatalogueReachesTheCurrentUser)
{
    Catalogue(HKEY_LOCAL_MACHINE, 1, "V1", MakeVersion("B1"));
    LoadSuiteCatalogue(state_, ui_, false);
    ASSERT_TRUE(EnumerateUserHives(state_.userHives));
    SaveSuiteCatalogue(state_, true);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Name1"), "V1");
}

TEST_F(SuiteCatalogueTest, AddTakesTheFirstFreeIndexAndParksTheFolder)
{
    Catalogue(HKEY_CURRENT_USER, 1, "V1", MakeVersion("B1"));
    Catalogue(HKEY_CURRENT_USER, 3, "V3", MakeVersion("B3"));
    LoadSuiteCatalogue(state_, ui_, false);
    ui_.messages.clear();

    SuiteVersionEntry duplicate{"Again", dir_ / "X", dir_ / "b1", "", "", 0};
    EXPECT_FALSE(AddSuiteVersion(state_, ui_, duplicate));
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].text, "Der angegebene Pfad ist bereits vorhanden!");

    const std::string live = MakeVersion("Brivane");
    SuiteVersionEntry added{"New", live, dir_ / "Brivane V2.15.1.20", "2.15.1.20", "", 0};
    EXPECT_TRUE(AddSuiteVersion(state_, ui_, added));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Name2"), "New");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "PrgPath2"), live);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Version2"), "2.15.1.20");
    EXPECT_EQ(Names(), (std::vector<std::string>{"V1", "V3", "New"}));
    EXPECT_FALSE(PathExists(live));
    EXPECT_TRUE(PathExists(dir_ / "Brivane V2.15.1.20\\Kalvio\\workbench.exe"));
    EXPECT_TRUE(Has(log_.Messages(), "Add new version: New"));
}

TEST_F(SuiteCatalogueTest, RepairGivesTheFirstEntryAFreeNumberedPath)
{
    MakeDirs(dir_ / "Prog1");
    WriteRegString(HKEY_CURRENT_USER, kKey, "Name1", "V1");
    RepairFirstSuiteEntry(dir_ / "Prog");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Path1"), dir_ / "Prog2");

    WriteRegString(HKEY_CURRENT_USER, kKey, "Path1", "kept");
    RepairFirstSuiteEntry(dir_ / "Prog");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKey, "Path1"), "kept");

    EXPECT_EQ(FirstFreeNumberedPath(dir_ / "Prog"), dir_ / "Prog2");
    for (int n = 1; n <= 49; ++n)
        MakeDirs(dir_ / "Full" + std::to_string(n));
    EXPECT_EQ(FirstFreeNumberedPath(dir_ / "Full"), dir_ / "Full");
}
