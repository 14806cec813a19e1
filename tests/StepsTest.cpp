#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <map>

#include "base/FileMove.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "catalogue/CatalogueHive.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"
#include "steps/Journal.h"
#include "steps/PlannedPaths.h"
#include "steps/Recovery.h"
#include "steps/StepRunner.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const std::string kKeys = "SOFTWARE\\FlipdeckStepsTest";
const std::wstring kWideLive = L"SOFTWARE\\FlipdeckStepsTest\\Live";

// Thrown from a seam: the process "dies" there, leaving the machine and the journal as they are.
struct Died {};

// Every file under a folder with its contents, and the trees of the scratch keys: what a switch
// must leave as it found it.
struct World {
    std::map<std::string, std::string> files;
    RegistryTree machine;
    RegistryTree user;

    static World Take(const std::string& folder)
    {
        World world;
        world::ReadTree(folder, world.files);
        CaptureRegistryTree(HKEY_LOCAL_MACHINE, kKeys, world.machine);
        CaptureRegistryTree(HKEY_CURRENT_USER, kKeys, world.user);
        return world;
    }

    bool operator==(const World& other) const
    {
        return files == other.files && machine == other.machine && user == other.user;
    }
};

class StepsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MakeDirs(dir_ / "Live\\bin");
        WriteFileBytes(dir_ / "Live\\bin\\tool.exe", "tool of the live version");
        WriteFileBytes(dir_ / "gateway.exe", "gateway of the live version");
        WriteRegString(HKEY_LOCAL_MACHINE, kKeys + "\\Live\\Inner", "Folder", "C:\\Live");
        WriteRegByte(HKEY_LOCAL_MACHINE, kKeys + "\\Live", "Flag", 7);
        WriteWideText(HKEY_LOCAL_MACHINE, kWideLive + L"\\Ścieżka", L"Πάτρα 大阪", L"C:\\Projekte\\Łódź\\Anlage.pro");
        WriteRegExpandString(HKEY_CURRENT_USER, kKeys, "Old", "%SystemRoot%\\old");
        WriteRegString(HKEY_CURRENT_USER, kKeys, "Name", "before");

        plan_.fromName = "Live";
        plan_.toName = "Next";
        plan_.steps = {NoteStep("first note"),
                       MoveFolderStep(dir_ / "Live", dir_ / "Parked"),
                       CreateFolderStep(dir_ / "Backup"),
                       MoveFileStep(dir_ / "gateway.exe", dir_ / "Backup\\gateway.exe", true),
                       MoveTreeStep(HKEY_LOCAL_MACHINE, kKeys + "\\Live", kKeys + "\\Live 1"),
                       CreateKeyStep(HKEY_LOCAL_MACHINE, kKeys + "\\Empty 1"),
                       SetValueStep(HKEY_CURRENT_USER, kKeys, "Name", TextValue("after")),
                       DeleteValueStep(HKEY_CURRENT_USER, kKeys, "Old"),
                       SetValueStep(HKEY_CURRENT_USER, kKeys + "\\Created", "Version", TextValue("2.0")),
                       NoteStep("last note")};
    }

    // The plan's first `count` steps followed by one that fails.
    SwitchPlan FailingAfter(size_t count) const
    {
        SwitchPlan plan = plan_;
        plan.steps.resize(count);
        plan.steps.push_back(MoveFolderStep(dir_ / "Missing", dir_ / "Anywhere"));
        return plan;
    }

    World Now() const { return World::Take(dir_.Path()); }

    ScratchDir dir_;
    ScratchKey machine_{HKEY_LOCAL_MACHINE, kKeys};
    ScratchKey user_{HKEY_CURRENT_USER, kKeys};
    ScratchJournal journal_;
    ScratchLogFolder log_;
    RecordingProgress progress_;
    SwitchPlan plan_;
};

}  // namespace

TEST_F(StepsTest, ARunMakesEveryStepInOrderShowsEachAndLeavesNoJournal)
{
    const RunOutcome outcome = RunSteps(plan_, progress_);
    EXPECT_TRUE(outcome.Done());
    EXPECT_FALSE(JournalExists());
    ASSERT_EQ(progress_.shown.size(), 8u);
    EXPECT_EQ(progress_.shown[0], "1/8 Ordner " + (dir_ / "Live") + " nach " + (dir_ / "Parked") + " verschieben");
    EXPECT_EQ(progress_.shown[7].substr(0, 4), "8/8 ");

    EXPECT_EQ(ReadFileBytes(dir_ / "Parked\\bin\\tool.exe"), "tool of the live version");
    EXPECT_EQ(ReadFileBytes(dir_ / "Backup\\gateway.exe"), "gateway of the live version");
    EXPECT_FALSE(PathExists(dir_ / "gateway.exe"));
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kKeys + "\\Live 1\\Inner", "Folder"), "C:\\Live");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKeys + "\\Live"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kKeys + "\\Empty 1"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKeys, "Name"), "after");
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kKeys, "Old"));
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKeys + "\\Created", "Version"), "2.0");
    const std::vector<std::string> log = log_.Messages();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "first note");
    EXPECT_EQ(log[1], "last note");
}

TEST_F(StepsTest, EachStepIsOnDiskInTheJournalBeforeItStarts)
{
    std::vector<size_t> checked;
    SeamOverride<void(size_t)> starting(seams::StepStarting, [&](size_t index) {
        JournalContents journal;
        std::string problem;
        ASSERT_EQ(ReadJournal(JournalPath(), journal, problem), JournalState::Read) << problem;
        EXPECT_EQ(journal.fromName, "Live");
        ASSERT_FALSE(journal.records.empty());
        EXPECT_EQ(journal.records.back().index, index);
        EXPECT_EQ(journal.records.back().step.description, plan_.steps[index].description);
        checked.push_back(index);
    });
    // The tree's record holds the whole tree, read before the move.
    RegistryTree live;
    CaptureRegistryTree(HKEY_LOCAL_MACHINE, kKeys + "\\Live", live);
    SeamOverride<void(size_t)> treeCheck(seams::StepStarting, [&, before = seams::StepStarting](size_t index) {
        before(index);
        if (plan_.steps[index].kind != StepKind::MoveTree)
            return;
        JournalContents journal;
        std::string problem;
        ReadJournal(JournalPath(), journal, problem);
        EXPECT_EQ(journal.records.back().undo.tree, live);
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kKeys + "\\Live"));
    });
    EXPECT_TRUE(RunSteps(plan_, progress_).Done());
    EXPECT_EQ(checked, (std::vector<size_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(StepsTest, AFailedStepUndoesWhateverWasMadeBeforeIt)
{
    const World before = Now();
    for (size_t made = 0; made < plan_.steps.size(); ++made) {
        SCOPED_TRACE("steps before the failure: " + std::to_string(made));
        const RunOutcome outcome = RunSteps(FailingAfter(made), progress_);
        EXPECT_EQ(outcome.result, RunOutcome::Result::RolledBack);
        EXPECT_EQ(outcome.failed, made);
        EXPECT_TRUE(before == Now());
        EXPECT_FALSE(JournalExists());
    }
}

TEST_F(StepsTest, AfterADeathAtAnyStepTheNextStartPutsEverythingBack)
{
    const World before = Now();
    for (size_t dying = 1; dying + 1 < plan_.steps.size(); ++dying) {
        SCOPED_TRACE("died before step " + std::to_string(dying));
        {
            SeamOverride<void(size_t)> death(seams::StepStarting, [dying](size_t index) {
                if (index == dying)
                    throw Died{};
            });
            EXPECT_THROW(RunSteps(plan_, progress_), Died);
        }
        ASSERT_TRUE(JournalExists());
        const RecoveryReport report = RecoverUnfinishedSwitch();
        EXPECT_EQ(report.result, RecoveryReport::Result::Recovered);
        EXPECT_EQ(report.undone.size(), dying - 1);
        EXPECT_TRUE(before == Now());
        EXPECT_FALSE(JournalExists());
    }
    const std::vector<std::string> log = log_.Messages();
    EXPECT_NE(std::find(log.begin(), log.end(), "Undone: " + plan_.steps[1].description), log.end());
}

TEST_F(StepsTest, ARecoveryThatCannotRecordItsProgressStillPutsEverythingBackAndSaysSo)
{
    const World before = Now();
    {
        SeamOverride<void(size_t)> death(seams::StepStarting, [](size_t index) {
            if (index == 6)
                throw Died{};
        });
        EXPECT_THROW(RunSteps(plan_, progress_), Died);
    }
    {
        // The disk is full: not one record of the steps put back reaches the journal.
        using WriteSeam = bool(HANDLE, const std::string&);
        SeamOverride<WriteSeam> full(seams::WriteJournalLine, [](HANDLE, const std::string&) { return false; });
        EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
    }
    EXPECT_TRUE(before == Now());
    EXPECT_FALSE(JournalExists());
    const std::vector<std::string> log = log_.Messages();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Recovery progress not recorded: " + JournalPath()), 1);
}

TEST_F(StepsTest, HalfMadeMovesAreResolvedToTheStateBefore)
{
    const World before = Now();
    using WriteSeam = LSTATUS(HKEY, const RegistryTree&);
    using DeleteSeam = LSTATUS(HKEY, const char*);
    using MoveSeam = BOOL(const char*, const char*, DWORD);
    auto recover = [&] {
        EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
        EXPECT_TRUE(before == Now());
    };
    {
        // Dies with half of the tree written to its new name.
        SeamOverride<WriteSeam> write(seams::WriteRegistryTree,
                                      [real = seams::WriteRegistryTree](HKEY key, const RegistryTree& tree) -> LSTATUS {
                                          RegistryTree half;
                                          half.subKeys = tree.subKeys;
                                          real(key, half);
                                          throw Died{};
                                      });
        EXPECT_THROW(RunSteps(plan_, progress_), Died);
    }
    recover();
    {
        // Dies with the tree copied and half of the source deleted.
        SeamOverride<DeleteSeam> erase(seams::DeleteRegistryTree, [](HKEY parent, const char* key) -> LSTATUS {
            UniqueHKey source;
            RegOpenKeyExA(parent, key, 0, KEY_ALL_ACCESS, source.put());
            RegDeleteTreeA(source.get(), "Inner");
            throw Died{};
        });
        EXPECT_THROW(RunSteps(plan_, progress_), Died);
    }
    recover();
    {
        // Dies in a move between drives: the file copied in part, the source still whole.
        SeamOverride<MoveSeam> move(seams::MovePath,
                                    [real = seams::MovePath](const char* from, const char* to, DWORD flags) -> BOOL {
                                        if (flags == 0)
                                            return real(from, to, flags);
                                        WriteFileBytes(to, ReadFileBytes(from).substr(0, 7));
                                        throw Died{};
                                    });
        EXPECT_THROW(RunSteps(plan_, progress_), Died);
    }
    recover();
}

TEST_F(StepsTest, AJournalThatCannotBeWrittenStopsTheRunAndUndoesWhatItMade)
{
    const World before = Now();
    {
        BrokenJournal journal(false, 0);
        EXPECT_EQ(RunSteps(plan_, progress_).result, RunOutcome::Result::NotStarted);
        EXPECT_TRUE(progress_.shown.empty());
        EXPECT_TRUE(log_.Messages().empty());
    }
    EXPECT_TRUE(before == Now());
    // The steps that change the machine are 1 to 8; the one whose record cannot be written is not made.
    for (size_t records = 0; records < 8; ++records) {
        SCOPED_TRACE("records written: " + std::to_string(records));
        BrokenJournal journal(true, records);
        size_t reported = 0;
        const RunOutcome outcome = RunSteps(plan_, progress_, [&](const RunOutcome& stopped) {
            EXPECT_TRUE(stopped.journalFailed);
            reported = stopped.failed;
        });
        EXPECT_EQ(outcome.result, RunOutcome::Result::RolledBack);
        EXPECT_EQ(outcome.failed, records + 1);
        EXPECT_EQ(reported, records + 1);
        EXPECT_TRUE(before == Now());
        EXPECT_FALSE(JournalExists());
    }
}

TEST_F(StepsTest, AnUndoNeverRemovesWhatTheStepDidNotBringAndTheNextStartTriesAgain)
{
    const World before = Now();
    {
        SeamOverride<void(size_t)> death(seams::StepStarting, [](size_t index) {
            if (index == 8)
                throw Died{};
        });
        EXPECT_THROW(RunSteps(plan_, progress_), Died);
    }
    // Since then, a program wrote its own tree at the moved tree's place and changed a value.
    WriteRegString(HKEY_LOCAL_MACHINE, kKeys + "\\Live", "Mine", "somebody else's");
    WriteRegString(HKEY_CURRENT_USER, kKeys, "Name", "changed by hand");
    const RecoveryReport report = RecoverUnfinishedSwitch();
    EXPECT_EQ(report.result, RecoveryReport::Result::NeedsHand);
    ASSERT_EQ(report.notRestored.size(), 2u);
    EXPECT_EQ(report.notRestored[0], plan_.steps[6].description);
    EXPECT_EQ(report.notRestored[1], plan_.steps[4].description);
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kKeys + "\\Live", "Mine"), "somebody else's");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kKeys + "\\Live 1\\Inner", "Folder"), "C:\\Live");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kKeys, "Name"), "changed by hand");
    EXPECT_TRUE(JournalExists());
    const std::string message = RecoveryMessage(report);
    EXPECT_NE(message.find(plan_.steps[4].description), std::string::npos);
    EXPECT_NE(message.find(JournalPath()), std::string::npos);

    // Once the technician has cleared the way, the next start finishes the job.
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kKeys + "\\Live");
    WriteRegString(HKEY_CURRENT_USER, kKeys, "Name", "after");
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
    EXPECT_TRUE(before == Now());
    EXPECT_FALSE(JournalExists());
}

TEST_F(StepsTest, AFailedUndoInTheRunKeepsTheJournalForTheNextStart)
{
    const World before = Now();
    using MoveSeam = BOOL(const char*, const char*, DWORD);
    RunOutcome outcome;
    {
        // The folder cannot move back, as if a program held a file in it.
        SeamOverride<MoveSeam> move(seams::MovePath, [real = seams::MovePath](const char* from, const char* to, DWORD flags) {
            return std::string(to).find("Live") != std::string::npos ? FALSE : real(from, to, flags);
        });
        outcome = RunSteps(FailingAfter(4), progress_);
    }
    EXPECT_EQ(outcome.result, RunOutcome::Result::Mixed);
    EXPECT_EQ(outcome.notUndone, (std::vector<size_t>{1}));
    EXPECT_TRUE(PathExists(dir_ / "Parked\\bin\\tool.exe"));
    EXPECT_TRUE(JournalExists());
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
    EXPECT_TRUE(before == Now());
}

TEST_F(StepsTest, TheJournalKeepsEveryKindOfStepAndAwkwardTextExactly)
{
    plan_.product = SwitchPlan::Product::Codesys;
    plan_.fromName = "Name with\ttab, back\\slash and\r\nline break";
    plan_.reregister = {"C:\\Brivane\\bin\\RemotePanel.dll"};
    const std::wstring path = L"C:\\Brivane\\bin;%SystemRoot%;C:\\Tools\\Łódź\\工具";
    plan_.steps.push_back(SetSystemPathStep(WideTextValue(path, REG_EXPAND_SZ), "C:\\Brivane\\bin"));
    plan_.steps.push_back(RegisterStep("C:\\Brivane\\kalvio\\UiControls.dll"));
    RegValue binary;
    binary.type = REG_BINARY;
    binary.data = {0, 9, 10, 13, 92, 255};
    plan_.steps.push_back(SetValueStep(HKEY_USERS, "S-1-5-21\\" + kKeys, "Bytes\t1", binary));

    JournalWriter writer;
    ASSERT_TRUE(writer.Begin(plan_));
    std::vector<UndoData> undos;
    for (size_t index = 0; index < plan_.steps.size(); ++index) {
        UndoData undo;
        ASSERT_TRUE(CaptureUndo(plan_.steps[index], undo));
        ASSERT_TRUE(writer.Append(index, plan_.steps[index], undo));
        undos.push_back(undo);
    }
    JournalWriter second;
    EXPECT_FALSE(second.Begin(plan_));  // never two journals

    JournalContents read;
    std::string problem;
    ASSERT_EQ(ReadJournal(JournalPath(), read, problem), JournalState::Read) << problem;
    EXPECT_EQ(read.product, SwitchPlan::Product::Codesys);
    EXPECT_EQ(read.fromName, plan_.fromName);
    EXPECT_EQ(read.reregister, plan_.reregister);
    ASSERT_EQ(read.records.size(), plan_.MachineStepDescriptions().size());
    for (const JournalRecord& record : read.records) {
        SCOPED_TRACE(record.index);
        const Step& step = plan_.steps[record.index];
        EXPECT_EQ(record.step.kind, step.kind);
        EXPECT_EQ(record.step.description, step.description);
        EXPECT_EQ(record.step.source, step.source);
        EXPECT_EQ(record.step.target, step.target);
        EXPECT_EQ(record.step.root, step.root);
        EXPECT_EQ(record.step.text, step.text);
        EXPECT_EQ(record.step.path, step.path);
        EXPECT_EQ(record.step.logged, step.logged);
        EXPECT_EQ(record.step.mayFail, step.mayFail);
        EXPECT_EQ(record.step.lasting, step.lasting);
        ASSERT_EQ(record.step.changes.size(), step.changes.size());
        for (size_t i = 0; i < step.changes.size(); ++i) {
            // The current user's keys are named by the SID of the hive they are in.
            const bool user = step.changes[i].root == HKEY_CURRENT_USER;
            EXPECT_EQ(record.step.changes[i].root, user ? HKEY_USERS : step.changes[i].root);
            EXPECT_EQ(record.step.changes[i].key, (user ? CurrentUserHive() + "\\" : "") + step.changes[i].key);
            EXPECT_EQ(record.step.changes[i].name, step.changes[i].name);
            EXPECT_EQ(record.step.changes[i].value, step.changes[i].value);
        }
        EXPECT_TRUE(record.undo == undos[record.index]);
    }
    // The tree's names and data outside the system code page, exactly.
    const std::wstring key = L"Ścieżka", name = L"Πάτρα 大阪", project = L"C:\\Projekte\\Łódź\\Anlage.pro";
    const RegistryTree& tree = read.records[3].undo.tree;
    ASSERT_EQ(tree.subKeys.size(), 2u);
    EXPECT_TRUE(tree.subKeys[1].name == key);
    ASSERT_EQ(tree.subKeys[1].tree.values.size(), 1u);
    EXPECT_TRUE(tree.subKeys[1].tree.values[0].name == name);
    EXPECT_EQ(tree.subKeys[1].tree.values[0].data, WideTextValue(project).data);
    EXPECT_TRUE(writer.Finish());
    EXPECT_FALSE(JournalExists());
}

TEST_F(StepsTest, ADamagedJournalIsNamedToTheUserAndNothingMoves)
{
    {
        JournalWriter writer;
        ASSERT_TRUE(writer.Begin(plan_));
        UndoData undo;
        CaptureUndo(plan_.steps[1], undo);
        writer.Append(1, plan_.steps[1], undo);
    }
    ASSERT_TRUE(MoveFileA((dir_ / "Live").c_str(), (dir_ / "Parked").c_str()));
    const World moved = Now();
    const std::string whole = ReadFileBytes(JournalPath());
    std::string garbled = whole;
    garbled[whole.size() - 20] ^= 0x20;
    const size_t headerEnd = whole.find("\r\n");

    const struct {
        const char* name;
        std::string contents;
        std::string problem;
    } damaged[] = {
        {"empty", "", "sie ist leer"},
        {"header cut short", whole.substr(0, headerEnd - 3), "sie endet mitten in einer Zeile"},
        {"header cut short before the next line", whole.substr(0, headerEnd - 3) + whole.substr(headerEnd),
         "Zeile 1 ist besch\xE4" "digt"},
        {"garbled", garbled, "Zeile 2 ist besch\xE4" "digt"},
        {"foreign", "Hello\r\n", "sie ist kein Journal dieses Programms"},
    };
    for (const auto& journal : damaged) {
        SCOPED_TRACE(journal.name);
        WriteFileBytes(JournalPath(), journal.contents);
        const RecoveryReport report = RecoverUnfinishedSwitch();
        EXPECT_EQ(report.result, RecoveryReport::Result::Damaged);
        EXPECT_EQ(report.problem, journal.problem);
        const std::string message = RecoveryMessage(report);
        EXPECT_NE(message.find(JournalPath()), std::string::npos);
        EXPECT_NE(message.find(journal.problem), std::string::npos);
        EXPECT_TRUE(moved == Now());
        EXPECT_TRUE(JournalExists());
    }
    // The whole journal is read and undone.
    WriteFileBytes(JournalPath(), whole);
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
    EXPECT_EQ(ReadFileBytes(dir_ / "Live\\bin\\tool.exe"), "tool of the live version");
}

TEST(PlannedPaths, AnswersForThePlaceAfterThePlannedMoves)
{
    ScratchDir dir;
    MakeDirs(dir / "A\\sub");
    MakeDirs(dir / "C");
    PlannedPaths paths;
    paths.Move(dir / "A", dir / "B");
    EXPECT_FALSE(paths.Exists(dir / "A"));
    EXPECT_FALSE(paths.Exists(dir / "a\\SUB"));
    EXPECT_TRUE(paths.Exists(dir / "b\\sub"));
    EXPECT_FALSE(paths.Exists(dir / "B\\other"));
    EXPECT_FALSE(paths.Exists(dir / "AB"));
    paths.Move(dir / "C", dir / "A");
    EXPECT_TRUE(paths.Exists(dir / "A"));
    EXPECT_FALSE(paths.Exists(dir / "A\\sub"));
    paths.Create(dir / "New");
    EXPECT_TRUE(paths.Exists(dir / "New"));
    EXPECT_FALSE(paths.Exists(dir / "New\\x"));
    EXPECT_TRUE(PathExists(dir / "C"));
    EXPECT_FALSE(PathExists(dir / "New"));
}

TEST_F(StepsTest, AJournalLeftBehindByAFinishedSwitchIsRemovedAndNothingIsUndone)
{
    // Something holds the journal open without letting it be deleted (a virus scanner, say).
    UniqueFileHandle holder;
    SeamOverride<void(size_t)> holding(seams::StepStarting, [&](size_t) {
        if (!holder)
            holder.reset(CreateFileA(JournalPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
    });
    EXPECT_TRUE(RunSteps(plan_, progress_).Done());
    ASSERT_TRUE(JournalExists());
    holder.reset();
    const World switched = Now();
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::NothingToDo);
    EXPECT_TRUE(switched == Now());
    EXPECT_FALSE(JournalExists());
}

TEST_F(StepsTest, AJournalOfTheFirstFormatIsStillUndoneWithItsTextInTheSystemCodePage)
{
    // A tree move journaled by an earlier Flipdeck, which read trees through the ANSI functions:
    // names and text in Windows-1252 ("Grüß", "C:\München", "Unterä").
    auto line = [](const std::string& fields) {
        uint32_t hash = 2166136261u;
        for (unsigned char c : fields)
            hash = (hash ^ c) * 16777619u;
        char hex[9];
        std::snprintf(hex, sizeof(hex), "%08x", static_cast<unsigned>(hash));
        return fields + "\t" + hex + "\r\n";
    };
    const std::string escapedKeys = "SOFTWARE\\\\FlipdeckStepsTest";
    WriteFileBytes(JournalPath(),
                   line("FLIPDECK-JOURNAL\t1\tcodesys\tLive\tNext") +
                       line("STEP\t4\tMoveTree\t-\tmove\tHKLM\t" + escapedKeys + "\\\\Old\t" + escapedKeys +
                            "\\\\Old 1\t0\tv\tGr\xFC\xDF\t1:433a5c4dfc6e6368656e00\tk\tUnter\xE4\tv\tName\t1:7800\tu"));
    const std::wstring old = L"SOFTWARE\\FlipdeckStepsTest\\Old", moved = old + L" 1";
    const std::wstring greeting = L"Grüß", munich = L"C:\\München", below = L"\\Unterä";
    WriteWideText(HKEY_LOCAL_MACHINE, moved, greeting, munich);
    WriteWideText(HKEY_LOCAL_MACHINE, moved + below, L"Name", L"x");

    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, old, greeting), WideTextValue(munich));
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, old + below, L"Name"), WideTextValue(L"x"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKeys + "\\Old 1"));
    EXPECT_FALSE(JournalExists());
}
TEST_F(StepsTest, AJournalWhoseWriterStillRunsIsLeftAloneAndOneOfTheEarlierFormatIsUndone)
{
    {
        // This process wrote it and runs on: for all a start can tell, its switch is still making steps.
        SeamOverride<ProcessIdentity()> live(seams::JournalWriterProcess, CurrentProcessIdentity);
        SeamOverride<void(size_t)> stop(seams::StepStarting, [](size_t index) {
            if (index == 3)
                throw Died{};
        });
        EXPECT_THROW(RunSteps(plan_, progress_), Died);
    }
    const World midway = Now();
    const std::string journal = ReadFileBytes(JournalPath());
    const RecoveryReport report = RecoverUnfinishedSwitch();
    EXPECT_EQ(report.result, RecoveryReport::Result::Running);
    const std::string message = RecoveryMessage(report);
    EXPECT_NE(message.find("Prozess " + std::to_string(GetCurrentProcessId())), std::string::npos) << message;
    EXPECT_NE(message.find(JournalPath()), std::string::npos) << message;
    EXPECT_TRUE(midway == Now());
    EXPECT_EQ(ReadFileBytes(JournalPath()), journal);

    // Earlier versions wrote no writer into the header: such a journal is undone.
    DeleteFileA(JournalPath().c_str());
    UniqueHKey created;
    ASSERT_EQ(CreateRegKey(HKEY_LOCAL_MACHINE, kKeys + "\\Empty 1", KEY_READ, created), ERROR_SUCCESS);
    created.reset();
    WriteFileBytes(JournalPath(), "FLIPDECK-JOURNAL\t1\tsuite\tLive\tNext\t092ad723\r\n"
                                  "STEP\t5\tCreateKey\t-\tcreate the key\tHKLM\tSOFTWARE\\\\FlipdeckStepsTest\\\\Empty 1\t0\ta1fc5ba5\r\n");
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKeys + "\\Empty 1"));
    EXPECT_FALSE(JournalExists());
}

TEST_F(StepsTest, AJournalThatCannotBeStartedWholeIsRemovedAndTheNextSwitchRuns)
{
    const World before = Now();
    {
        // The disk fills up half-way through the header.
        using WriteSeam = bool(HANDLE, const std::string&);
        SeamOverride<WriteSeam> full(seams::WriteJournalLine, [real = seams::WriteJournalLine](HANDLE file, const std::string& line) {
            real(file, line.substr(0, line.size() / 2));
            return false;
        });
        EXPECT_EQ(RunSteps(plan_, progress_).result, RunOutcome::Result::NotStarted);
    }
    EXPECT_FALSE(JournalExists());
    EXPECT_TRUE(before == Now());
    EXPECT_TRUE(RunSteps(plan_, progress_).Done());
}
