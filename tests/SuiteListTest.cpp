#include <gtest/gtest.h>

#include "base/Registry.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "suite/SuiteList.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

// The demo world, loaded as the main dialog loads it; Kalvio 2.14.0.310 (row 0) is current.
class SuiteListCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        state_.kalvioInstallPath = "C:\\Brivane";
        state_.meridanInstallPath = "C:\\MERIDAN";
        state_.installPath = "C:\\Brivane";
        ScriptedUi loading;
        LoadSuiteCatalogue(state_, loading, false);
        ASSERT_EQ(state_.currentSuiteIndex, 0);
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const SuiteVersionEntry& entry : state_.suiteEntries)
            names.push_back(entry.name);
        return names;
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& message : ui_.messages)
            texts.push_back(message.text);
        return texts;
    }

    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    ScriptedUi ui_;
    RunState state_;
};

const char kSelectOne[] = "Bitte w\xE4hlen Sie nur ein Element aus!";
const char kNoInstallation[] = "In diesem Pfad liegt keine Kalvio Installation vor!";

}  // namespace

TEST_F(SuiteListCommands, MovesKeepTheCurrentEntryAndWriteNothing)
{
    const world::Snapshot before = world::Snapshot::Take();
    ui_.selectedSuiteRows = {0};
    MoveSuiteEntryUp(state_, ui_);  // row 0 stays
    EXPECT_TRUE(ui_.shownLists.empty());
    MoveSuiteEntryDown(state_, ui_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kalvio 2.15.1.20", "Kalvio 2.14.0.310", "MDN 3.0.2.7"}));
    EXPECT_EQ(state_.currentSuiteIndex, 1);
    EXPECT_EQ(ui_.selectedSuiteRows, std::vector<int>{1});
    EXPECT_TRUE(state_.suiteDirty);
    ui_.selectedSuiteRows = {2};
    MoveSuiteEntryDown(state_, ui_);  // the last row stays
    ui_.selectedSuiteRows = {1, 2};
    MoveSuiteEntryUp(state_, ui_);
    EXPECT_EQ(Texts(), std::vector<std::string>{kSelectOne});
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    // Delete still refuses the current version where it moved, and accepts the one it passed.
    ui_.selectedSuiteRows = {1};
    DeleteSuiteEntry(state_, ui_);
    EXPECT_EQ(ui_.messages.back().text, "Der Eintrag f\xFCr die aktuell aktive Version kann nicht gel\xF6scht werden!");
    ui_.selectedSuiteRows = {0};
    DeleteSuiteEntry(state_, ui_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kalvio 2.14.0.310", "MDN 3.0.2.7"}));
}

TEST_F(SuiteListCommands, DeleteSavesAtOnceAndRefusesTheCurrentInAnyCase)
{
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "KALVIO 2.14.0.310");
    ui_.selectedSuiteRows = {};
    DeleteSuiteEntry(state_, ui_);
    EXPECT_TRUE(ui_.messages.empty());
    ui_.selectedSuiteRows = {0};
    DeleteSuiteEntry(state_, ui_);
    EXPECT_EQ(ui_.messages.size(), 1u);

    ui_.selectedSuiteRows = {1};
    DeleteSuiteEntry(state_, ui_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kalvio 2.14.0.310", "MDN 3.0.2.7"}));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name2"), "MDN 3.0.2.7");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name3"));
    std::vector<std::string> log = log_.Messages();
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3),
              (std::vector<std::string>{"OnDelete", "Deleted: Kalvio 2.15.1.20", "SaveAllKalvio"}));
    EXPECT_TRUE(state_.suiteDirty);
}

TEST_F(SuiteListCommands, NewAsksAndAddsTheVersionOfTheChosenFolder)
{
    // Cancelled picker: nothing but the dirty flag.
    AddSuiteEntry(state_, ui_);
    EXPECT_TRUE(state_.suiteDirty);
    EXPECT_EQ(ui_.pickerStarts, std::vector<std::string>{""});

    // A folder with neither layout.
    ScratchDir dir;
    ui_.pickedFolders = {dir.Path()};
    AddSuiteEntry(state_, ui_);
    EXPECT_EQ(Texts(), std::vector<std::string>{kNoInstallation});

    // A parked copy holding both layouts: the program layout wins, the folder stays its rename path.
    const std::string parked = "C:\\Brivane V3";
    for (const char* layout : {"\\program", "\\Kalvio"}) {
        MakeDirs(parked + layout);
        CopyFileA(StandInPath("kalvio_2_16", "workbench.exe").c_str(), (parked + layout + "\\workbench.exe").c_str(), FALSE);
    }
    ui_.pickedFolders = {parked};
    ui_.answers = {IDNO};
    AddSuiteEntry(state_, ui_);
    EXPECT_EQ(ui_.messages.back().text, "Soll die folgende Version hinzugef\xFCgt werden ?\nMDN 2.16.0.5\nC:\\Brivane");
    EXPECT_EQ(ui_.messages.back().type, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(state_.suiteEntries.size(), 3u);

    ui_.pickedFolders = {parked};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    ASSERT_EQ(state_.suiteEntries.size(), 4u);
    EXPECT_EQ(state_.suiteEntries[3].renamePath, parked);
    EXPECT_EQ(state_.suiteEntries[3].programPath, "C:\\Brivane");
    EXPECT_EQ(state_.suiteEntries[3].edition, 1);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name4"), "MDN 2.16.0.5");
    EXPECT_TRUE(PathExists("C:\\Brivane\\Kalvio\\workbench.exe"));  // the live version was not moved

    // The same folder again is refused: its version is listed now.
    ui_.pickedFolders = {parked};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    EXPECT_EQ(ui_.messages.back().text, "Eine Version mit dem Namen MDN 2.16.0.5 ist bereits eingetragen!");
    RemoveTree(parked);
}

TEST_F(SuiteListCommands, NewOnAFolderNamedLikeTheInstallationProposesAndParksIt)
{
    MakeDirs("C:\\X\\Brivane\\Kalvio");
    CopyFileA(StandInPath("kalvio_2_16", "workbench.exe").c_str(), "C:\\X\\Brivane\\Kalvio\\workbench.exe", FALSE);
    ui_.pickedFolders = {"C:\\X\\Brivane"};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    ASSERT_EQ(state_.suiteEntries.size(), 4u);
    EXPECT_EQ(state_.suiteEntries[3].programPath, "C:\\X\\Brivane");
    EXPECT_EQ(state_.suiteEntries[3].renamePath, "C:\\X\\Brivane V2.16.0.5");
    EXPECT_TRUE(PathExists("C:\\X\\Brivane V2.16.0.5\\Kalvio\\workbench.exe"));
    EXPECT_FALSE(PathExists("C:\\X\\Brivane"));
    RemoveTree("C:\\X");
}

TEST_F(SuiteListCommands, NewRefusesTheLiveInstallationAndANameAlreadyListed)
{
    // The live version's rename path was once edited, so the path proposed for the live folder is free.
    for (const char* catalogue : {kSuiteCatalogueKey, kMeridanCatalogueKey})
        WriteRegString(HKEY_CURRENT_USER, catalogue, "Path1", "C:\\Brivane 2.14");
    ScriptedUi loading;
    LoadSuiteCatalogue(state_, loading, false);
    const world::Snapshot before = world::Snapshot::Take();

    ui_.pickedFolders = {"C:\\Brivane"};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    // A copy of a listed version, parked by hand.
    MakeDirs("C:\\Brivane Kopie\\Kalvio");
    CopyFileA(StandInPath("kalvio_2_15", "workbench.exe").c_str(), "C:\\Brivane Kopie\\Kalvio\\workbench.exe", FALSE);
    ui_.pickedFolders = {"C:\\Brivane Kopie"};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    RemoveTree("C:\\Brivane Kopie");

    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "Das Verzeichnis C:\\Brivane enth\xE4lt die aktive Installation der eingetragenen Version "
                           "Kalvio 2.14.0.310 und kann nicht hinzugef\xFCgt werden.",
                           "Eine Version mit dem Namen Kalvio 2.15.1.20 ist bereits eingetragen!"}));
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kalvio 2.14.0.310", "Kalvio 2.15.1.20", "MDN 3.0.2.7"}));
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(SuiteListCommands, NewRefusesAFiftyFirstEntry)
{
    for (int n = 4; n <= 50; ++n) {
        const std::string index = std::to_string(n);
        WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name" + index, "Kalvio Archiv " + index);
        WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path" + index, "C:\\Brivane Archiv " + index);
        WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath" + index, "C:\\Brivane");
    }
    LoadSuiteCatalogue(state_, ui_, false);
    ASSERT_EQ(state_.suiteEntries.size(), 50u);
    MakeDirs("C:\\Brivane V2.16.0.5\\Kalvio");
    CopyFileA(StandInPath("kalvio_2_16", "workbench.exe").c_str(), "C:\\Brivane V2.16.0.5\\Kalvio\\workbench.exe", FALSE);
    const world::Snapshot before = world::Snapshot::Take();

    ui_.pickedFolders = {"C:\\Brivane V2.16.0.5"};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    EXPECT_EQ(ui_.messages.back().text,
              "Es k\xF6nnen h\xF6" "chstens 50 Versionen eingetragen werden. Die Version wurde nicht hinzugef\xFCgt.");
    EXPECT_EQ(state_.suiteEntries.size(), 50u);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    // OK of the main dialog saves what the list holds.
    SaveSuiteCatalogue(state_, false);
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name51"));
}

TEST_F(SuiteListCommands, NewCutsOnlyAFolderNameThatStartsWithTheProductWord)
{
    // A version parked under a name that merely contains the word: its layout says where it lives.
    ScratchDir dir;
    const std::string parked = dir / "Old Brivane";
    MakeDirs(parked + "\\Kalvio");
    CopyFileA(StandInPath("kalvio_2_16", "workbench.exe").c_str(), (parked + "\\Kalvio\\workbench.exe").c_str(), FALSE);
    ui_.pickedFolders = {parked};
    ui_.answers = {IDYES};
    AddSuiteEntry(state_, ui_);
    ASSERT_EQ(state_.suiteEntries.size(), 4u);
    EXPECT_EQ(state_.suiteEntries[3].programPath, "C:\\Brivane");
    EXPECT_EQ(state_.suiteEntries[3].renamePath, parked);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "PrgPath4"), "C:\\Brivane");
    EXPECT_TRUE(PathExists(parked + "\\Kalvio\\workbench.exe"));
}

TEST_F(SuiteListCommands, DeleteRemovesExactlyTheSelectedRow)
{
    // A second copy of Kalvio 2.15.1.20, listed under the same name.
    MakeDirs("C:\\Brivane V2.15.1.20_1\\Kalvio");
    CopyFileA(StandInPath("kalvio_2_15", "workbench.exe").c_str(), "C:\\Brivane V2.15.1.20_1\\Kalvio\\workbench.exe", FALSE);
    std::vector<world::SuiteVersion> listed = world::SuiteVersions();
    listed.push_back({"Kalvio 2.15.1.20", "C:\\Brivane V2.15.1.20_1", "C:\\Brivane", "2.15.1.20", "", ""});
    world::ListSuiteVersions(listed);
    LoadSuiteCatalogue(state_, ui_, false);
    ASSERT_EQ(state_.suiteEntries.size(), 4u);

    ui_.selectedSuiteRows = {3};
    DeleteSuiteEntry(state_, ui_);
    ASSERT_EQ(state_.suiteEntries.size(), 3u);
    EXPECT_EQ(state_.suiteEntries[1].renamePath, "C:\\Brivane V2.15.1.20");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Path2"), "C:\\Brivane V2.15.1.20");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name4"));

    // The focus can lie on another row than the selection (a click with Ctrl): the selected row goes.
    ui_.selectedSuiteRows = {2};
    ui_.focusedSuiteRow = 1;
    DeleteSuiteEntry(state_, ui_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kalvio 2.14.0.310", "Kalvio 2.15.1.20"}));
}

TEST_F(SuiteListCommands, EditChecksTheRenamePathAndShowsTheLastChoiceAgain)
{
    auto choose = [](std::string path) {
        return [path](EntryEditValues& values) {
            values.renamePath = path;
            return true;
        };
    };
    // Not the current version: the rename path must hold a parked installation that no other
    // entry claims. Here the parked 2.15.1.20 was moved by hand.
    ScratchDir dir;
    const std::string moved = dir / "Kalvio 2.15";
    ASSERT_TRUE(MoveFileA("C:\\Brivane V2.15.1.20", moved.c_str()));
    ui_.selectedSuiteRows = {1};
    ui_.edits = {choose("C:\\Brivane"), choose("C:\\Nowhere"), choose("C:\\MERIDAN V3.0.2.7"), choose(moved)};
    EditSuiteEntry(state_, ui_);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Als Umbenennungspfad darf nicht der Installationspfad angegeben werden!",
                                                 kNoInstallation, "Der angegebene Pfad ist bereits vorhanden!"}));
    ASSERT_EQ(ui_.editsShown.size(), 4u);
    EXPECT_EQ(ui_.editsShown[0].renamePath, "C:\\Brivane V2.15.1.20");
    EXPECT_EQ(ui_.editsShown[1].renamePath, "C:\\Brivane");  // shown again as last chosen
    EXPECT_EQ(ui_.editsShown[0].name, "Kalvio 2.15.1.20");
    EXPECT_EQ(state_.suiteEntries[1].renamePath, moved);
    EXPECT_TRUE(state_.suiteDirty);

    // The current version: its rename path must be free; Cancel changes nothing.
    ui_.messages.clear();
    ui_.selectedSuiteRows = {0};
    ui_.edits = {choose(moved), [](EntryEditValues&) { return false; }};
    EditSuiteEntry(state_, ui_);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Der angegebene Pfad ist bereits vorhanden!"});
    EXPECT_EQ(state_.suiteEntries[0].renamePath, "C:\\Brivane V2.14.0.310");
}

TEST_F(SuiteListCommands, EditRefusesAnInstallationOfTheOtherEditionAsRenamePath)
{
    // A switch would move that installation into the entry's program path and file it under the
    // entry's edition: a MERIDAN installation in C:\Brivane as Kalvio, or the other way round.
    ScratchDir dir;
    const std::string meridan = dir / "Meridan";
    const std::string kalvio = dir / "Kalvio 2.15";
    ASSERT_TRUE(MoveFileA("C:\\MERIDAN V3.0.2.7", meridan.c_str()));
    ASSERT_TRUE(MoveFileA("C:\\Brivane V2.15.1.20", kalvio.c_str()));
    auto choose = [](std::string path) {
        return [path](EntryEditValues& values) {
            values.renamePath = path;
            return true;
        };
    };
    ui_.selectedSuiteRows = {1};
    ui_.edits = {choose(meridan), [](EntryEditValues&) { return false; }};
    EditSuiteEntry(state_, ui_);
    ui_.selectedSuiteRows = {2};
    ui_.edits = {choose(kalvio), [](EntryEditValues&) { return false; }};
    EditSuiteEntry(state_, ui_);
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "In diesem Pfad liegt eine Installation der anderen Edition:\n" + meridan +
                               "\\program\\workbench.exe\nSie kann nicht der Umbenennungspfad von Kalvio 2.15.1.20 sein.",
                           "In diesem Pfad liegt eine Installation der anderen Edition:\n" + kalvio +
                               "\\Kalvio\\workbench.exe\nSie kann nicht der Umbenennungspfad von MDN 3.0.2.7 sein."}));
    EXPECT_EQ(state_.suiteEntries[1].renamePath, "C:\\Brivane V2.15.1.20");
    EXPECT_EQ(state_.suiteEntries[2].renamePath, "C:\\MERIDAN V3.0.2.7");
    EXPECT_FALSE(state_.suiteDirty);
}
