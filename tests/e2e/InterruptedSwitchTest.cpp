#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <random>
#include <set>

#include "app/Startup.h"
#include "base/Registry.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "steps/Environment.h"
#include "steps/Journal.h"
#include "steps/Recovery.h"
#include "suite/SuiteChange.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

enum CodesysRow { kNeutral = 0, k2395 = 1, k2381 = 2, k2370 = 3 };
enum SuiteRow { kKalvio214 = 0, kKalvio215 = 1, kMdn302 = 2 };

struct Interruption {
    const char* name;
    const char* product;     // "suite" or "codesys"
    std::vector<int> scene;  // switches that set the scene
    int row;                 // the switch that is ended at each of its steps in turn
};

// CTest names each case by what gtest prints of it.
void PrintTo(const Interruption& interruption, std::ostream* out) { *out << interruption.name; }

// A real switch in a process of its own (tests/crash/DyingSwitch.cpp), ended from outside with
// TerminateProcess just before its step `step` starts (0: never). True when it was ended there;
// `journal` then holds what the journal file held at that moment. With `product` "recover" it is
// the recovery at a start that is ended before its own step `step`.
bool EndAt(const std::string& product, int row, size_t step, JournalContents& journal)
{
    const std::string event = "FlipdeckStepReached" + std::to_string(GetCurrentProcessId());
    UniqueHandle reached(CreateEventA(nullptr, TRUE, FALSE, event.c_str()));
    const std::string program = BinDir() + "\\dying_switch.exe";
    std::string commandLine = "\"" + program + "\" " + product + " " + std::to_string(row) + " " +
                              std::to_string(step) + " " + event;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // A machine under load now and then fails a start: one more try before the test fails.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, BinDir().c_str(),
                           &startup, &info))
            break;
        if (attempt == 1) {
            ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
            return false;
        }
        Sleep(500);
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    const HANDLE waits[] = {reached.get(), process.get()};
    const DWORD which = WaitForMultipleObjects(2, waits, FALSE, 120000);
    if (which != WAIT_OBJECT_0) {
        DWORD exitCode = STILL_ACTIVE;
        GetExitCodeProcess(process.get(), &exitCode);
        EXPECT_EQ(which, WAIT_OBJECT_0 + 1) << "the switch neither reached the step nor ended";
        EXPECT_EQ(exitCode, 0u);
        return false;
    }
    std::string problem;
    EXPECT_EQ(ReadJournal(JournalPath(), journal, problem), JournalState::Read) << problem;
    TerminateProcess(process.get(), 9);
    WaitForSingleObject(process.get(), 10000);
    return true;
}

bool EndAtStep(const Interruption& interruption, int row, size_t step, JournalContents& journal)
{
    return EndAt(interruption.product, row, step, journal);
}

// The steps the switch's preview shows, asked as the dialog asks it.
std::vector<std::string> Preview(const Interruption& interruption)
{
    RunState state;
    ScriptedUi ui;
    PrepareRun(state);
    CheckAdministrator(state);
    LoadAtStartup(state, ui, "1.0.0.1");
    LoadCodesysAtStartup(state, ui);
    ui.autoStartChecked = false;
    if (std::string(interruption.product) == "suite") {
        ui.selectedSuiteRows = {interruption.row};
        PreviewSuiteSwitch(state, ui);
    } else {
        ui.selectedCodesysRows = {interruption.row};
        PreviewCodesysSwitch(state, ui);
    }
    EXPECT_EQ(ui.previews.size(), 1u);
    return ui.previews.empty() ? std::vector<std::string>() : ui.previews[0].Descriptions();
}

// The power failed while the journal's last record was written: every cut of its line leaves a
// journal of the records before it, as read from the whole journal. Answers the journal cut in the
// middle of that line.
std::string CutLastRecordAtEveryByte(const std::string& whole, const JournalContents& journal)
{
    const size_t lastLine = whole.rfind("\r\n", whole.size() - 3) + 2;
    for (size_t cut = lastLine + 1; cut < whole.size(); ++cut) {
        JournalContents read;
        std::string problem;
        if (ParseJournal(whole.substr(0, cut), read, problem) != JournalState::Read) {
            ADD_FAILURE() << "cut at byte " << cut << ": " << problem;
            break;
        }
        const bool same = read.lastLineCut && read.records.size() + 1 == journal.records.size() &&
                          std::equal(read.records.begin(), read.records.end(), journal.records.begin(),
                                     [](const JournalRecord& a, const JournalRecord& b) {
                                         return a.index == b.index && a.step.description == b.step.description &&
                                                a.undo == b.undo;
                                     });
        if (!same) {
            ADD_FAILURE() << "cut at byte " << cut << " of " << whole.size() << " reads otherwise";
            break;
        }
    }
    return whole.substr(0, (lastLine + whole.size()) / 2);
}

class InterruptedSwitch : public ::testing::TestWithParam<Interruption> {
protected:
    void SetUp() override
    {
        // Every catalogued version's gateway backup folder exists, as after its first parking.
        for (const char* version : {"2.3.8.1", "2.3.7.0"})
            CreateDirectoryA((ProductSystemDirectory() + "CoDeSys " + version).c_str(), nullptr);
    }

    // Takes the machine and its PATH as they are before the interrupted switch.
    void TakeBefore()
    {
        JournalContents journal;
        for (int row : GetParam().scene)
            ASSERT_FALSE(EndAtStep(GetParam(), row, 0, journal));
        before_ = world::Snapshot::Take();
        machinePath_ = ReadRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path");
    }

    // The machine is as before the switch, but for the bin path a suite switch put in front of
    // the PATH, its one lasting change; that goes back here, so that the next run plans the same
    // steps.
    void ExpectAsBefore()
    {
        EXPECT_FALSE(JournalExists());
        world::Snapshot after = world::Snapshot::Take();
        if (after.machinePath != before_.machinePath) {
            EXPECT_EQ(after.machinePath.substr(after.machinePath.find(';') + 1), before_.machinePath);
            WriteRegValue(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", machinePath_);
        }
        after.machinePath = before_.machinePath;
        EXPECT_EQ(before_.Differences(after), "");
    }

    world::Snapshot before_;
    std::optional<RegValue> machinePath_;

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    RecordingRegsvr32 regsvr32_;
};

class InterruptedRecovery : public InterruptedSwitch {};

}  // namespace

TEST_P(InterruptedSwitch, EndedBeforeAnyOfItsStepsTheNextStartPutsTheMachineBack)
{
    const Interruption& interruption = GetParam();
    ASSERT_NO_FATAL_FAILURE(TakeBefore());
    const std::vector<std::string> preview = Preview(interruption);
    EXPECT_EQ(before_.Differences(world::Snapshot::Take()), "") << "the preview changed something";
    ASSERT_FALSE(preview.empty());

    JournalContents journal;
    size_t step = 1;
    for (; EndAtStep(interruption, interruption.row, step, journal); ++step) {
        SCOPED_TRACE("ended before step " + std::to_string(step));
        // The step's record was on disk before it started, and it is the step the preview showed.
        ASSERT_EQ(journal.records.size(), step);
        ASSERT_LE(step, preview.size());
        EXPECT_EQ(journal.records.back().step.description, preview[step - 1]);

        // The next start undoes what was made, also when the record of the step about to start was
        // cut short as it was written (every other step, so that whole journals are undone too).
        const std::string cut = CutLastRecordAtEveryByte(ReadFileBytes(JournalPath()), journal);
        if (step % 2 == 0)
            WriteFileBytes(JournalPath(), cut);
        const RecoveryReport report = RecoverUnfinishedSwitch();
        EXPECT_EQ(report.result, RecoveryReport::Result::Recovered);
        ExpectAsBefore();
    }
    // The last run was not ended: it made every step the preview showed, and nothing more.
    EXPECT_EQ(step - 1, preview.size());
    std::printf("%s: the switch ended before each of its %zu steps and recovered\n", interruption.name, preview.size());
}

// A recovery may be ended too, by a second power cut or a technician: the start after it finishes
// the job, and never undoes a step a second time. The switch is ended before each of its steps k;
// its recovery is ended after its first step, before its last (the registration of the components
// again) and, for a sample of the k, before one step between them; the seed that chooses them is
// printed.
TEST_P(InterruptedRecovery, ARecoveryEndedHalfWayIsFinishedByTheNextStart)
{
    const Interruption& interruption = GetParam();
    ASSERT_NO_FATAL_FAILURE(TakeBefore());
    const unsigned seed = static_cast<unsigned>(GetTickCount());
    std::mt19937 random(seed);
    size_t killPoints = 0;
    JournalContents journal;
    for (size_t step = 1; EndAtStep(interruption, interruption.row, step, journal); ++step) {
        // Each record undone, then the registration. Ended before its first step, a recovery has
        // changed nothing: the other test covers that start.
        const size_t recoverySteps = journal.records.size() + 1;
        std::set<size_t> ends = {2, recoverySteps};
        // A step between for every other k, chosen by the seed: every pair would take too long.
        if (recoverySteps > 3 && random() % 2 == 0)
            ends.insert(std::uniform_int_distribution<size_t>(3, recoverySteps - 1)(random));
        for (size_t end : ends) {
            SCOPED_TRACE("switch ended before step " + std::to_string(step) + ", its recovery before its step " +
                         std::to_string(end) + ", seed " + std::to_string(seed));
            if (end != *ends.begin()) {
                ASSERT_TRUE(EndAtStep(interruption, interruption.row, step, journal));
            }
            JournalContents atRecovery;
            ASSERT_TRUE(EndAt("recover", 0, end, atRecovery));
            ++killPoints;
            const RecoveryReport report = RecoverUnfinishedSwitch();
            EXPECT_EQ(report.result, RecoveryReport::Result::Recovered) << RecoveryMessage(report);
            ExpectAsBefore();
        }
    }
    std::printf("%s: %zu recoveries ended half-way and finished (seed %u)\n", interruption.name, killPoints, seed);
}

// The suite switch once (an exchange to the other edition is made of the same steps) and each of
// the seven kinds of CoDeSys change.
const Interruption kSuiteSwitch{"SuiteWithinAnEdition", "suite", {}, kKalvio215};
const Interruption kCodesysChanges[] = {
    {"CodesysSubFolderToSubFolder", "codesys", {}, k2381},      {"CodesysSubFolderToWholeFolder", "codesys", {}, k2370},
    {"CodesysWholeFolderToSubFolder", "codesys", {k2370}, k2395}, {"CodesysSubFolderToNeutral", "codesys", {}, kNeutral},
    {"CodesysNeutralToSubFolder", "codesys", {kNeutral}, k2395},  {"CodesysWholeFolderToNeutral", "codesys", {k2370}, kNeutral},
    {"CodesysNeutralToWholeFolder", "codesys", {kNeutral}, k2370}};

auto CaseName = [](const ::testing::TestParamInfo<Interruption>& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(Switches, InterruptedSwitch,
                         ::testing::Values(kSuiteSwitch, Interruption{"SuiteToTheOtherEdition", "suite", {}, kMdn302},
                                           kCodesysChanges[0], kCodesysChanges[1], kCodesysChanges[2], kCodesysChanges[3],
                                           kCodesysChanges[4], kCodesysChanges[5], kCodesysChanges[6]),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Switches, InterruptedRecovery,
                         ::testing::Values(kSuiteSwitch, kCodesysChanges[0], kCodesysChanges[1], kCodesysChanges[2],
                                           kCodesysChanges[3], kCodesysChanges[4], kCodesysChanges[5], kCodesysChanges[6]),
                         CaseName);
