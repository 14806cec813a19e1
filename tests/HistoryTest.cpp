#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "base/FileMove.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/SuiteCatalogue.h"
#include "cli/HistoryListing.h"
#include "codesys/CodesysList.h"
#include "steps/History.h"
#include "steps/JournalPlace.h"
#include "steps/Recovery.h"
#include "steps/StepRunner.h"
#include "suite/SuiteChange.h"
#include "suite/SuiteList.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

struct Died {};

struct ReportedEvent {
    WORD type;
    DWORD id;
    std::vector<std::wstring> inserts;
};

using ReportSeam = bool(WORD, DWORD, const std::vector<std::wstring>&);

// The demo world with no history yet; every event goes to `events` instead of the event log.
class HistoryTest : public ::testing::Test {
protected:
    HistoryTest()
        : report_(seams::ReportEvent, [this](WORD type, DWORD id, const std::vector<std::wstring>& inserts) {
              events_.push_back({type, id, inserts});
              return true;
          })
    {
        world::ApplyLastingSwitchEffects();
        DeleteFileA(HistoryPath().c_str());
    }
    ~HistoryTest() override { DeleteFileA(HistoryPath().c_str()); }

    RunState OpenSuite(int row)
    {
        RunState state;
        state.kalvioInstallPath = "C:\\Brivane";
        state.meridanInstallPath = "C:\\MERIDAN";
        state.installPath = "C:\\Brivane";
        ScriptedUi loading;
        LoadSuiteCatalogue(state, loading, false);
        ui_.selectedSuiteRows = {row};
        ui_.autoStartChecked = false;
        return state;
    }

    std::vector<HistoryRecord> Records()
    {
        std::vector<HistoryRecord> records;
        std::string problem;
        EXPECT_EQ(ReadHistory(records, problem), HistoryState::Read) << problem;
        return records;
    }

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    RecordingRegsvr32 regsvr32_;
    ScriptedUi ui_;
    std::vector<ReportedEvent> events_;
    SeamOverride<ReportSeam> report_;
};

std::string Field(const std::vector<std::wstring>& inserts, size_t number) { return FromWide(inserts.at(number - 1)); }

}  // namespace

TEST_F(HistoryTest, ASwitchAndARollBackAreRecordedWithEveryFieldAndReportedWithTheirEvents)
{
    RunState state = OpenSuite(1);
    ASSERT_EQ(SwitchSuite(state, ui_), ChangeOutcome::Done);
    RunState back = OpenSuite(0);
    {
        int calls = 0;
        SeamOverride<BOOL(const char*, const char*, DWORD)> move(
            seams::MovePath, [&](const char* from, const char* to, DWORD flags) -> BOOL {
                return ++calls == 2 ? FALSE : MoveFileExA(from, to, flags);
            });
        ui_.selectedSuiteRows = {0};
        ASSERT_EQ(SwitchSuite(back, ui_), ChangeOutcome::RolledBack);
    }

    const std::vector<HistoryRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    const HistoryRecord& done = records[1];
    const HistoryRecord& rolledBack = records[0];  // newest first
    EXPECT_EQ(done.product, "suite");
    EXPECT_EQ(done.action, "switch");
    EXPECT_EQ(done.from, "Kalvio 2.14.0.310");
    EXPECT_EQ(done.to, "Kalvio 2.15.1.20");
    EXPECT_EQ(done.outcome, "done");
    EXPECT_EQ(done.exitCode, 0);
    EXPECT_GT(done.steps, 5u);
    EXPECT_EQ(done.time.size(), 20u);
    EXPECT_EQ(done.time[10], 'T');
    EXPECT_EQ(done.time.back(), 'Z');
    char machine[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(machine);
    ASSERT_TRUE(GetComputerNameA(machine, &size));
    EXPECT_EQ(done.machine, machine);
    EXPECT_NE(done.account, "");
    EXPECT_EQ(done.user, done.account);  // Wine's one user runs Flipdeck for its own catalogue

    EXPECT_EQ(rolledBack.from, "Kalvio 2.15.1.20");
    EXPECT_EQ(rolledBack.to, "Kalvio 2.14.0.310");
    EXPECT_EQ(rolledBack.outcome, "rolledBack");
    EXPECT_EQ(rolledBack.exitCode, 6);
    EXPECT_LT(rolledBack.steps, done.steps);

    ASSERT_EQ(events_.size(), 2u);
    EXPECT_EQ(events_[0].id, 1000u);
    EXPECT_EQ(events_[0].type, EVENTLOG_INFORMATION_TYPE);
    EXPECT_EQ(events_[1].id, 1005u);
    EXPECT_EQ(events_[1].type, EVENTLOG_WARNING_TYPE);
    const std::vector<std::wstring>& inserts = events_[0].inserts;
    ASSERT_EQ(inserts.size(), 11u);
    EXPECT_EQ(Field(inserts, 1), "switch");
    EXPECT_EQ(Field(inserts, 2), "suite");
    EXPECT_EQ(Field(inserts, 3), "Kalvio 2.14.0.310");
    EXPECT_EQ(Field(inserts, 4), "Kalvio 2.15.1.20");
    EXPECT_EQ(Field(inserts, 5), done.account);
    EXPECT_EQ(Field(inserts, 6), done.user);
    EXPECT_EQ(Field(inserts, 7), done.machine);
    EXPECT_EQ(Field(inserts, 8), "0");
    EXPECT_EQ(Field(inserts, 9), std::to_string(done.steps));
    EXPECT_EQ(Field(inserts, 10), std::to_string(done.durationMs));
    EXPECT_EQ(Field(inserts, 11), done.time);

    // The listing shows the same records, newest first.
    const std::string text = HistoryListingText(records);
    EXPECT_LT(text.find("'Kalvio 2.15.1.20' -> 'Kalvio 2.14.0.310', rolledBack (Exitcode 6)"),
              text.find("'Kalvio 2.14.0.310' -> 'Kalvio 2.15.1.20', done (Exitcode 0)"));
    const std::string json = HistoryListingJson(records);
    EXPECT_EQ(json.rfind("{\n  \"schemaVersion\": 1,\n  \"records\": [\n    {\"time\": \"", 0), 0u);
    EXPECT_NE(json.find("\"product\": \"suite\", \"action\": \"switch\", \"from\": \"Kalvio 2.15.1.20\", \"to\": "
                        "\"Kalvio 2.14.0.310\", \"outcome\": \"rolledBack\", \"exitCode\": 6, \"steps\": " +
                        std::to_string(rolledBack.steps)),
              std::string::npos);
}

TEST_F(HistoryTest, RefusalsAndARecoveryAreRecordedButAChoiceOfNoRowIsNot)
{
    RunState state = OpenSuite(0);
    EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::AlreadyActive);
    ui_.selectedSuiteRows = {1, 2};
    EXPECT_EQ(SwitchSuite(state, ui_), ChangeOutcome::NothingChosen);

    // A switch that dies half-way, then the recovery at the next start.
    RunState dying = OpenSuite(1);
    {
        SeamOverride<void(size_t)> death(seams::StepStarting, [](size_t index) {
            if (index == 4)
                throw Died{};
        });
        EXPECT_THROW(SwitchSuite(dying, ui_), Died);
    }
    const RecoveryReport report = RecoverUnfinishedSwitch();
    ASSERT_EQ(report.result, RecoveryReport::Result::Recovered);

    const std::vector<HistoryRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].outcome, "alreadyActive");
    EXPECT_EQ(records[1].exitCode, 3);
    EXPECT_EQ(records[0].action, "recovery");
    EXPECT_EQ(records[0].product, "suite");
    EXPECT_EQ(records[0].from, "Kalvio 2.14.0.310");
    EXPECT_EQ(records[0].to, "Kalvio 2.15.1.20");
    EXPECT_EQ(records[0].outcome, "recovered");
    EXPECT_EQ(records[0].exitCode, 0);
    EXPECT_EQ(records[0].steps, report.undone.size());
    EXPECT_EQ(records[0].user, records[0].account);
    ASSERT_EQ(events_.size(), 2u);
    EXPECT_EQ(events_[0].id, 1002u);
    EXPECT_EQ(events_[1].id, 1007u);
}

TEST_F(HistoryTest, EachListCommandIsRecorded)
{
    RunState state = OpenSuite(1);
    MoveSuiteEntryDown(state, ui_);  // Kalvio 2.15.1.20 changes places with MDN 3.0.2.7
    ui_.edits.push_back([](EntryEditValues&) { return true; });
    EditSuiteEntry(state, ui_);      // the row it moved to, renamed to where it lies already
    ui_.selectedSuiteRows = {2};
    DeleteSuiteEntry(state, ui_);
    ui_.pickedFolders.push_back(std::string("C:\\Brivane V2.15.1.20"));
    ui_.answers.push_back(IDYES);
    AddSuiteEntry(state, ui_);

    RunState codesys;
    ScriptedUi loading;
    EnumerateUserHives(codesys.userHives);
    LoadCodesysAtStartup(codesys, loading);
    ScriptedUi codesysUi;
    codesysUi.selectedCodesysRows = {2};
    MoveCodesysEntryDown(codesys, codesysUi);  // CoDeSys 2.3.8.1 changes places with 2.3.7.0
    codesysUi.selectedCodesysRows = {3};
    DeleteCodesysEntry(codesys, codesysUi);

    std::vector<std::string> seen;
    for (const HistoryRecord& r : Records()) {
        seen.push_back(r.product + " " + r.action + " '" + r.from + "' '" + r.to + "' " + r.outcome + " " +
                       std::to_string(r.exitCode) + " " + std::to_string(r.steps));
        EXPECT_FALSE(r.account.empty() || r.user.empty() || r.machine.empty() || r.time.empty());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "codesys delete 'CoDeSys 2.3.8.1' '' done 0 0",
                        "codesys move 'CoDeSys 2.3.8.1' 'CoDeSys 2.3.7.0' done 0 0",
                        "suite new '' 'Kalvio 2.15.1.20' done 0 0",
                        "suite delete 'Kalvio 2.15.1.20' '' done 0 0",
                        "suite edit 'Kalvio 2.15.1.20' 'Kalvio 2.15.1.20' done 0 0",
                        "suite move 'Kalvio 2.15.1.20' 'MDN 3.0.2.7' done 0 0",
                    }));
    EXPECT_EQ(events_.size(), 6u);
    for (const ReportedEvent& event : events_)
        EXPECT_EQ(event.id, 1000u);
}

TEST_F(HistoryTest, AHistoryOrEventThatCannotBeWrittenNeverStopsASwitch)
{
    // A folder where the file belongs: no record can go there.
    ASSERT_TRUE(CreateDirectoryA(HistoryPath().c_str(), nullptr));
    SeamOverride<ReportSeam> noLog(seams::ReportEvent, [](WORD, DWORD, const std::vector<std::wstring>&) { return false; });
    RunState state = OpenSuite(1);
    const ChangeOutcome outcome = SwitchSuite(state, ui_);
    RemoveDirectoryA(HistoryPath().c_str());
    EXPECT_EQ(outcome, ChangeOutcome::Done);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.15.1.20");
    const std::vector<std::string> log = log_.Messages();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("History not written (error ", 0) == 0 && line.find(HistoryPath()) != std::string::npos;
    }));
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.rfind("Event 1000 not reported to the Application log", 0) == 0;
    }));
}

TEST_F(HistoryTest, TheFileKeepsOddNamesWholeDropsItsOlderHalfWhenFullAndIsNotReadWhenOthersCouldHaveWrittenIt)
{
    HistoryRecord odd;
    odd.product = "suite";
    odd.action = "edit";
    odd.from = "Tab\there, back\\slash\r\nand a line";
    odd.to = "K\xE4lvio";
    odd.outcome = "done";
    WriteHistory(odd);
    std::vector<HistoryRecord> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].from, odd.from);
    EXPECT_EQ(records[0].to, odd.to);

    // Grown past the limit: the older half of the lines goes, the newest record is kept whole.
    HistoryRecord filler = records[0];
    filler.from = std::string(200, 'x');
    std::string lines;
    while (lines.size() <= kHistoryLimit)
        lines += HistoryLine(filler) + "\r\n";
    WriteFileBytes(HistoryPath(), lines);
    odd.from = "newest";
    WriteHistory(odd);
    const std::string kept = ReadFileBytes(HistoryPath());
    EXPECT_LT(kept.size(), kHistoryLimit / 2 + 1024);
    records = Records();
    ASSERT_GT(records.size(), 1u);
    EXPECT_EQ(records[0].from, "newest");
    EXPECT_EQ(kept.rfind(HistoryLine(filler) + "\r\n", 0), 0u);

    // Security that lets users write: the history is no account of anything.
    SeamOverride<bool(const std::string&, std::string&, bool&)> security(
        seams::ReadPathSecurity, [](const std::string&, std::string& sddl, bool& reparsePoint) {
            sddl = "O:BAD:(A;;FA;;;BU)";
            reparsePoint = false;
            return true;
        });
    std::string problem;
    EXPECT_EQ(ReadHistory(records, problem), HistoryState::Untrusted);
    EXPECT_TRUE(records.empty());
    EXPECT_NE(problem.find(JournalFolder()), std::string::npos);
}

TEST(HistoryEvents, TheMessageTableHoldsEveryEventInGermanAndEnglishWithItsInserts)
{
    UniqueModule program(LoadLibraryExW(ToWide(BinDir() + "\\Flipdeck.exe").c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(program);
    HistoryRecord record{"2026-12-09T18:00:00Z", "BENCH7", "BENCH7\\admin", "BENCH7\\techniker", "codesys", "switch",
                         "CoDeSys 2.3.9.5", "CoDeSys 2.3.8.1", "", 6, 12, 3456};
    const std::vector<std::wstring> inserts = HistoryEventInserts(record);
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& insert : inserts)
        arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    std::map<DWORD, int> ids;
    for (const HistoryEvent& event : kHistoryEvents) {
        ++ids[event.id];
        for (const WORD language : {WORD(0x407), WORD(0x409)}) {
            SCOPED_TRACE(std::string(event.outcome) + " in " + std::to_string(language));
            wchar_t* buffer = nullptr;
            const DWORD length = FormatMessageW(
                FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                program.get(), event.id, language, reinterpret_cast<wchar_t*>(&buffer), 0,
                reinterpret_cast<va_list*>(arguments.data()));
            ASSERT_NE(length, 0u) << GetLastError();
            UniqueLocalMemory owned(buffer);
            const std::string text = FromWide(std::wstring(buffer, length));
            EXPECT_EQ(text.rfind("Flipdeck: ", 0), 0u) << text;
            EXPECT_NE(text.find("(codesys)"), std::string::npos) << text;
            // No version was chosen: that event names none.
            EXPECT_EQ(text.find("\"CoDeSys 2.3.8.1\"") != std::string::npos, event.id != 1001) << text;
            const bool german = language == 0x407;
            for (const std::string& line :
                 german ? std::vector<std::string>{"Konto: BENCH7\\admin", "Benutzer: BENCH7\\techniker", "Rechner: BENCH7",
                                                   "Exitcode: 6", "Schritte: 12", "Dauer: 3456 ms",
                                                   "Zeit (UTC): 2026-12-09T18:00:00Z"}
                        : std::vector<std::string>{"Account: BENCH7\\admin", "User: BENCH7\\techniker", "Machine: BENCH7",
                                                   "Exit code: 6", "Steps: 12", "Duration: 3456 ms",
                                                   "Time (UTC): 2026-12-09T18:00:00Z"})
                EXPECT_NE(text.find(line), std::string::npos) << line << " in " << text;
        }
    }
    EXPECT_EQ(ids.size(), std::size(kHistoryEvents));  // one ID per outcome
    for (ChangeOutcome outcome : {ChangeOutcome::Done, ChangeOutcome::NothingChosen, ChangeOutcome::AlreadyActive,
                                  ChangeOutcome::ProgramsRunning, ChangeOutcome::Refused, ChangeOutcome::RolledBack,
                                  ChangeOutcome::NeedsHand})
        EXPECT_EQ(HistoryEventOf(HistoryOutcomeName(outcome)).outcome, std::string(HistoryOutcomeName(outcome)));
}
