#include <gtest/gtest.h>

#include <algorithm>

#include "base/FileMove.h"
#include "base/LocalizedString.h"
#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "steps/StepRunner.h"
#include "suite/FolderExchange.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

using MoveFn = BOOL(const char*, const char*, DWORD);

// Two Kalvio versions and one MERIDAN version; V1, the current version, is live at "Brivane" and
// M1 at "MERIDAN".
class RenameVersionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Version("Brivane", "Kalvio", "kalvio_2_14");
        Version("Brivane V2", "Kalvio", "kalvio_2_15");
        Version("MERIDAN", "program", "meridan_3_0");
        entries_ = {{"V1", dir_ / "Brivane", dir_ / "Brivane V1", "2.14.0.310", "", 0},
                    {"V2", dir_ / "Brivane", dir_ / "Brivane V2", "2.15.1.20", "", 0},
                    {"M1", dir_ / "MERIDAN", dir_ / "MERIDAN V1", "3.0.2.7", "", 1}};
    }

    void Version(const std::string& folder, const std::string& layout, const std::string& standIn)
    {
        MakeDirs(dir_ / folder + "\\" + layout);
        CopyFileA(StandInPath(standIn, "workbench.exe").c_str(), (dir_ / folder + "\\" + layout + "\\workbench.exe").c_str(),
                  FALSE);
    }

    // The version of the workbench in a folder.
    std::string VersionIn(const std::string& folder, const std::string& layout = "Kalvio")
    {
        return GetProductVersionText(dir_ / folder + "\\" + layout + "\\workbench.exe");
    }

    // The folder moves of a change to `chosen`, made as a change makes them. False, after message
    // 10090, when they cannot be made or one fails (everything else is then undone).
    bool Exchange(int chosen, UserInterface& ui)
    {
        std::vector<int> parked;
        SwitchPlan plan;
        PlannedPaths paths;
        std::optional<Refusal> refusal = FindVersionsToPark(entries_, chosen, "V1", parked);
        if (!refusal)
            refusal = PlanRenameVersions(entries_, chosen, parked, paths, plan.steps);
        if (refusal) {
            ui.ShowMessage(refusal->message, MB_ICONWARNING | MB_OK);
            return false;
        }
        RecordingProgress progress;
        const RunOutcome run = RunSteps(plan, progress);
        if (!run.Done()) {
            const Step& failed = plan.steps[run.failed];
            ui.ShowMessage(FormatLocalized(IDS_RENAME_DIR_FAILED, {failed.source, failed.target}), MB_ICONWARNING | MB_OK);
        }
        return run.Done();
    }

    // The folders under the scratch folder, sorted.
    std::vector<std::string> Folders()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir_ / "*").c_str(), &found);
        do {
            if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
                names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchDir dir_;
    ScratchLogFolder log_;
    ScratchJournal journal_;
    ScriptedUi ui_;
    std::vector<SuiteVersionEntry> entries_;
};

}  // namespace

TEST_F(RenameVersionsTest, ParksEveryOtherVersionAndBringsTheChosenOneIn)
{
    ASSERT_TRUE(Exchange(1, ui_));
    EXPECT_EQ(VersionIn("Brivane"), "2.15.1.20");
    EXPECT_EQ(VersionIn("Brivane V1"), "2.14.0.310");
    EXPECT_EQ(VersionIn("MERIDAN V1", "program"), "3.0.2.7");  // the other edition is parked too
    EXPECT_EQ(Folders(), (std::vector<std::string>{"Brivane", "Brivane V1", "MERIDAN V1"}));
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_TRUE(log_.Messages().empty());
}

TEST_F(RenameVersionsTest, MissingRenamePathMovesNothingAndNamesTheMove)
{
    RemoveTree(dir_ / "Brivane V2");
    const auto before = Folders();
    ASSERT_FALSE(Exchange(1, ui_));
    EXPECT_EQ(Folders(), before);
    EXPECT_EQ(VersionIn("Brivane"), "2.14.0.310");
    EXPECT_EQ(VersionIn("MERIDAN", "program"), "3.0.2.7");
    ASSERT_EQ(ui_.messages.size(), 1u);
    const std::string message = "Das Verzeichnis " + dir_ / "Brivane V2" + " \nkonnte nicht nach " + dir_ / "Brivane" +
                                " \numbenannt werden!";
    EXPECT_EQ(ui_.messages[0].text, message);
    EXPECT_EQ(ui_.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
}

TEST_F(RenameVersionsTest, OccupiedRenamePathOfTheActiveVersionMovesNothing)
{
    MakeDirs(dir_ / "Brivane V1");
    auto before = Folders();
    ASSERT_FALSE(Exchange(1, ui_));
    EXPECT_EQ(Folders(), before);
    EXPECT_EQ(VersionIn("Brivane"), "2.14.0.310");
    EXPECT_EQ(VersionIn("MERIDAN", "program"), "3.0.2.7");
}

TEST_F(RenameVersionsTest, LeftOverFolderWithoutWorkbenchIsMovedAside)
{
    RemoveTree(dir_ / "MERIDAN");
    MakeDirs(dir_ / "MERIDAN\\leftover");
    MakeDirs(dir_ / "MERIDAN_uninstalled1");
    Version("MERIDAN V1", "program", "meridan_3_0");
    ASSERT_TRUE(Exchange(2, ui_));
    EXPECT_EQ(VersionIn("MERIDAN", "program"), "3.0.2.7");
    EXPECT_TRUE(PathExists(dir_ / "MERIDAN_uninstalled2\\leftover"));
    EXPECT_EQ(VersionIn("Brivane V1"), "2.14.0.310");
}

TEST_F(RenameVersionsTest, FolderWithoutWorkbenchAtAnotherEditionsPathIsNoVersion)
{
    RemoveTree(dir_ / "MERIDAN");
    MakeDirs(dir_ / "MERIDAN\\leftover");
    ASSERT_TRUE(Exchange(1, ui_));
    EXPECT_TRUE(PathExists(dir_ / "MERIDAN\\leftover"));
    EXPECT_FALSE(PathExists(dir_ / "MERIDAN V1"));
}

TEST_F(RenameVersionsTest, EveryFailingRenameLeavesTheFoldersAsBefore)
{
    // A left-over folder at the MERIDAN path makes the exchange do all three kinds of rename:
    // parking V1, moving the left-over aside, bringing M1 in.
    RemoveTree(dir_ / "MERIDAN");
    MakeDirs(dir_ / "MERIDAN\\leftover");
    Version("MERIDAN V1", "program", "meridan_3_0");
    const auto before = Folders();
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE("failing rename " + std::to_string(failing));
        int calls = 0;
        SeamOverride<MoveFn> move(seams::MovePath, [&](const char* from, const char* to, DWORD flags) -> BOOL {
            if (++calls == failing) {
                SetLastError(ERROR_SHARING_VIOLATION);
                return FALSE;
            }
            return MoveFileExA(from, to, flags);
        });
        ScriptedUi ui;
        EXPECT_FALSE(Exchange(2, ui));
        ASSERT_EQ(ui.messages.size(), 1u);
        // The message names the move that failed: the parking, or else the bringing in, which a
        // left-over folder still in the way makes fail too.
        const auto [source, target] = failing == 1 ? std::make_pair(dir_ / "Brivane", dir_ / "Brivane V1")
                                                   : std::make_pair(dir_ / "MERIDAN V1", dir_ / "MERIDAN");
        EXPECT_EQ(ui.messages[0].text,
                  "Das Verzeichnis " + source + " \nkonnte nicht nach " + target + " \numbenannt werden!");
        EXPECT_EQ(VersionIn("Brivane"), "2.14.0.310");
        EXPECT_EQ(VersionIn("MERIDAN V1", "program"), "3.0.2.7");
        if (failing != 3) {
            EXPECT_EQ(Folders(), before);
        } else {
            // The left-over folder stays where the exchange moved it aside.
            EXPECT_TRUE(PathExists(dir_ / "MERIDAN_uninstalled1\\leftover"));
            MoveFileA((dir_ / "MERIDAN_uninstalled1").c_str(), (dir_ / "MERIDAN").c_str());
        }
    }
}

TEST(RenameWithLog, LogsMissingSourceExistingTargetAndFailureWithTheSystemsReason)
{
    ScratchDir dir;
    ScratchLogFolder log;
    MakeDirs(dir / "target");
    EXPECT_NE(RenameWithLog(dir / "missing", dir / "target"), 0);
    std::vector<std::string> lines = log.Messages();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"Rename source path not exists: " + dir / "missing",
                                        "Rename target path already exists: " + dir / "target",
                                        "Rename FAILED: " + dir / "missing" + " TO " + dir / "target"}));
    EXPECT_EQ(lines[3].rfind("Fehler 2: ", 0), 0u) << lines[3];
    MakeDirs(dir / "source");
    EXPECT_EQ(RenameWithLog(dir / "source", dir / "moved"), 0);
    EXPECT_TRUE(PathExists(dir / "moved"));
    EXPECT_EQ(log.Messages().size(), 4u);
}

TEST(SystemErrorText, NamesTheCodeAndTheSystemsTextInTheUsersLanguage)
{
    ScratchDir dir;
    ScratchLogFolder log;
    MakeDirs(dir / "source");
    SeamOverride<MoveFn> busy(seams::MovePath, [](const char*, const char*, DWORD) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    });
    auto reason = [&] {
        EXPECT_NE(RenameWithLog(dir / "source", dir / "target"), 0);
        const std::vector<std::string> lines = log.Messages();
        EXPECT_EQ(lines.at(lines.size() - 2), "Rename FAILED: " + dir / "source" + " TO " + dir / "target");
        return lines.back();
    };
    const std::string german = reason();
    ASSERT_EQ(german.rfind("Fehler 32: ", 0), 0u) << german;
    // One line of the log: the system's text without its line break.
    EXPECT_GT(german.size(), 12u);
    EXPECT_EQ(german.find_first_of("\r\n"), std::string::npos) << german;
    EXPECT_EQ(SystemErrorText(ERROR_SHARING_VIOLATION), german);

    UniqueModule english(LoadLibraryExA((BinDir() + "\\Flipdeck.ENG").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(english);
    SetResourceModule(english.get());
    const std::string inEnglish = reason();
    SetResourceModule(nullptr);
    ASSERT_EQ(inEnglish.rfind("Error 32: ", 0), 0u) << inEnglish;
    EXPECT_GT(inEnglish.size(), 11u);
    EXPECT_NE(inEnglish.substr(10), german.substr(11));  // the system's text in English too
}
