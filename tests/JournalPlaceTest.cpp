#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/FileMove.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "steps/Journal.h"
#include "steps/JournalPlace.h"
#include "steps/Recovery.h"
#include "steps/StepRunner.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const char kUser[] = "S-1-5-21-1-2-3-1001";
const char kRunAs[] = "S-1-5-21-0-0-0-1000";
const std::string kKeys = "SOFTWARE\\FlipdeckJournalPlaceTest";
// How our own journal folder is made, and a folder a standard user made under %ProgramData%.
const char kOwnFolder[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
const std::string kUsersFolder = std::string("O:") + kUser + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kUser + ")";

// What a user could plant: a journal with valid hashes that, undone, would register a DLL of
// theirs and write a machine value.
void PlantJournal(const std::string& dll)
{
    SwitchPlan plan;
    plan.fromName = "Kalvio 2.14.0.310";
    plan.toName = "Kalvio 2.15.1.20";
    plan.reregister = {dll};
    JournalWriter writer;
    ASSERT_TRUE(writer.Begin(plan));
    const Step registration = RegisterStep(dll);
    const Step value = SetValueStep(HKEY_LOCAL_MACHINE, kKeys, "Planted", TextValue("by a user"));
    UndoData undo;
    undo.oldValues = {TextValue("by a user")};
    undo.keysExisted = {false};
    ASSERT_TRUE(writer.Append(1, registration, UndoData()));
    ASSERT_TRUE(writer.Append(2, value, undo));
}

// Whether a line of the activity log starts with `start`.
bool Logged(const ScratchLogFolder& log, const std::string& start)
{
    for (const std::string& line : log.Messages()) {
        if (line.rfind(start, 0) == 0)
            return true;
    }
    return false;
}

// Every folder and file set aside beside the journal folder goes when the test ends.
class SetAsideCleaner {
public:
    ~SetAsideCleaner()
    {
        WIN32_FIND_DATAA found;
        const std::string pattern = JournalFolder() + ".untrusted-*";
        UniqueFind search(FindFirstFileA(pattern.c_str(), &found));
        std::vector<std::string> names;
        for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &found))
            names.push_back(found.cFileName);
        const std::string parent = JournalFolder().substr(0, JournalFolder().find_last_of('\\') + 1);
        for (const std::string& name : names)
            RemoveTree(parent + name);
    }
};

class JournalPlaceTest : public ::testing::Test {
protected:
    // The folder's and the journal's security as `answer` says, the rest as Wine has it.
    void Answer(std::function<bool(const std::string& path, std::string& sddl, bool& reparse)> answer)
    {
        security_.emplace(seams::ReadPathSecurity, std::move(answer));
    }

    std::string Dll() const { return dir_ / "planted.dll"; }

    SetAsideCleaner aside_;
    ScratchJournal journal_;
    ScratchDir dir_;
    ScratchKey keys_{HKEY_LOCAL_MACHINE, kKeys};
    ScratchLogFolder log_;
    RecordingRegsvr32 regsvr32_;
    std::optional<SeamOverride<bool(const std::string&, std::string&, bool&)>> security_;
};

}  // namespace

TEST(JournalTrust, OnlyTheSystemTheAdministratorsAndTheRunsOwnAccountMayOwnOrChangeIt)
{
    const struct {
        std::string sddl;
        std::string problem;
    } cases[] = {
        {kOwnFolder, ""},
        // What Wine answers for every folder: owned by the run's own account, read for everyone.
        {std::string("O:") + kRunAs + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + kRunAs + ")(A;OICI;0x1200a9;;;WD)", ""},
        {"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;SY)", ""},
        // A rule for what users will create inside applies to nothing that is there.
        {"O:BAD:(A;;FA;;;BA)(A;OICIIO;FA;;;CO)", ""},
        {kUsersFolder, std::string("owner ") + kUser},
        {"O:BUD:(A;;FA;;;SY)", "owner S-1-5-32-545"},
        {"O:BAD:(A;;FA;;;BA)(A;;0x2;;;BU)", "S-1-5-32-545 may write"},
        {"O:BAD:(A;;FA;;;BA)(A;;0x1301bf;;;AU)", "S-1-5-11 may write"},
        {"O:BAD:(A;;FA;;;BA)(A;;WD;;;WD)", "S-1-1-0 may write"},
        {"O:BAD:(A;;FA;;;BA)(A;;GW;;;BU)", "S-1-5-32-545 may write"},
    };
    for (const auto& item : cases)
        EXPECT_EQ(UntrustedBecause(item.sddl, kRunAs), item.problem) << item.sddl;
}

TEST_F(JournalPlaceTest, AJournalInAFolderAUserMadeIsSetAsideAndNothingOfItIsDone)
{
    WriteFileBytes(Dll(), "not a component of the suite");
    ASSERT_NO_FATAL_FAILURE(PlantJournal(Dll()));
    const std::string folder = JournalFolder();
    Answer([&](const std::string& path, std::string& sddl, bool& reparse) {
        sddl = path == folder ? kUsersFolder : kOwnFolder;
        reparse = false;
        return true;
    });

    const RecoveryReport report = RecoverUnfinishedSwitch();
    EXPECT_EQ(report.result, RecoveryReport::Result::SetAside);
    EXPECT_EQ(report.owner, kUser);
    ASSERT_EQ(report.setAside.rfind(folder + ".untrusted-", 0), 0u) << report.setAside;
    EXPECT_FALSE(PathExists(folder));
    EXPECT_EQ(ReadFileBytes(report.setAside + "\\switch.journal").substr(0, 16), "FLIPDECK-JOURNAL");
    EXPECT_TRUE(regsvr32_.CommandLines().empty());
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kKeys, "Planted"));
    const std::string message = RecoveryMessage(report);
    for (const std::string& part : {folder, std::string(kUser), report.setAside})
        EXPECT_NE(message.find(part), std::string::npos) << message;
    EXPECT_TRUE(Logged(log_, "Journal not trusted (owner " + std::string(kUser)));
    // Set aside, it blocks nothing: the next start finds no journal.
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::NothingToDo);
}

TEST_F(JournalPlaceTest, AJunctionOrAJournalOthersMayChangeIsNeverReadEither)
{
    const std::string folder = JournalFolder();
    {
        SCOPED_TRACE("the folder is a junction");
        ASSERT_NO_FATAL_FAILURE(PlantJournal(Dll()));
        Answer([&](const std::string& path, std::string& sddl, bool& reparse) {
            sddl = kOwnFolder;
            reparse = path == folder;
            return true;
        });
        const RecoveryReport report = RecoverUnfinishedSwitch();
        EXPECT_EQ(report.result, RecoveryReport::Result::SetAside);
        EXPECT_EQ(report.problem, "a junction or another reparse point");
        EXPECT_FALSE(PathExists(folder));
    }
    {
        SCOPED_TRACE("users may write the journal");
        ASSERT_NO_FATAL_FAILURE(PlantJournal(Dll()));
        Answer([&](const std::string& path, std::string& sddl, bool& reparse) {
            sddl = path == folder ? kOwnFolder : "O:BAD:(A;;FA;;;BA)(A;;0x2;;;BU)";
            reparse = false;
            return true;
        });
        const RecoveryReport report = RecoverUnfinishedSwitch();
        EXPECT_EQ(report.result, RecoveryReport::Result::SetAside);
        EXPECT_EQ(report.problem, "S-1-5-32-545 may write");
        EXPECT_TRUE(PathExists(folder));
        EXPECT_FALSE(JournalExists());
        EXPECT_EQ(report.setAside.rfind(JournalPath() + ".untrusted-", 0), 0u);
    }
    {
        SCOPED_TRACE("what cannot be moved aside stays and blocks every switch");
        ASSERT_NO_FATAL_FAILURE(PlantJournal(Dll()));
        SeamOverride<BOOL(const char*, const char*, DWORD)> stuck(seams::MovePath,
                                                                 [](const char*, const char*, DWORD) { return FALSE; });
        EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Untrusted);
        EXPECT_TRUE(JournalExists());
    }
    EXPECT_TRUE(regsvr32_.CommandLines().empty());
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kKeys, "Planted"));
}

TEST_F(JournalPlaceTest, ASwitchMovesAFolderOthersCouldWriteAsideAndMakesItsOwn)
{
    const std::string folder = JournalFolder();
    CreateDirectoryA(folder.c_str(), nullptr);
    WriteFileBytes(folder + "\\left by a user.txt", "anything");
    bool first = true;
    Answer([&](const std::string&, std::string& sddl, bool& reparse) {
        sddl = first ? kUsersFolder : kOwnFolder;
        first = false;
        reparse = false;
        return true;
    });
    SwitchPlan plan;
    plan.steps = {NoteStep("a switch")};
    RecordingProgress progress;
    EXPECT_TRUE(RunSteps(plan, progress).Done());
    EXPECT_TRUE(PathExists(folder));
    EXPECT_FALSE(PathExists(folder + "\\left by a user.txt"));
    EXPECT_TRUE(Logged(log_, "Journal folder not trusted (owner " + std::string(kUser)));
}
