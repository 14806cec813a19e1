#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>

#include "base/FileMove.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/VersionInfo.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "steps/Environment.h"
#include "steps/Journal.h"
#include "steps/Recovery.h"
#include "steps/RunningPrograms.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const std::string kRoot = world::kCodesysRoot;
const std::string kMain = kRoot + "\\CoDeSys V2.3";
const std::string kNewVersions = kRoot + " NewVersions";
const std::string k3s = "software\\3S-Smart Software Solutions GmbH";
const std::string kAlliance = "software\\AutomationAlliance";
const std::string kAsterisks(66, '*');
const char kSuccess[] = "Der Wechsel war erfolgreich!";
const char kRestoreIncomplete[] = "Die alte Version konnte nicht vollst\xE4ndig wieder hergestellt werden!\n\n"
                                  "Folgendes muss von Hand zur\xFC" "ckgeschoben werden (von -> nach):\n";
// Rows of the demo world's CoDeSys list; kAdded is a version a test installs while the neutral
// entry is current.
enum Row { kNeutral = 0, k2395 = 1, k2381 = 2, k2370 = 3, kAdded = 4 };

using MoveSeam = BOOL(const char*, const char*, DWORD);
using CopySeam = LSTATUS(HKEY, const RegistryTree&);

// Makes the calls numbered in `failing` (from 1) of a seam fail; every other call does the real work.
SeamOverride<MoveSeam> FailingMoves(std::set<size_t> failing)
{
    return SeamOverride<MoveSeam>(seams::MovePath, [real = seams::MovePath, failing, count = size_t(0)](
                                                       const char* from, const char* to, DWORD flags) mutable {
        return failing.count(++count) != 0 ? FALSE : real(from, to, flags);
    });
}

SeamOverride<CopySeam> FailingCopies(std::set<size_t> failing)
{
    return SeamOverride<CopySeam>(seams::WriteRegistryTree, [real = seams::WriteRegistryTree, failing, count = size_t(0)](
                                                                HKEY to, const RegistryTree& tree) mutable {
        return failing.count(++count) != 0 ? static_cast<LSTATUS>(ERROR_ACCESS_DENIED) : real(to, tree);
    });
}

std::string System(const std::string& file) { return ProductSystemDirectory() + file; }

bool Optional(const std::string& file)
{
    for (const char* name : {"gdrvudp.dll", "gateway.hlp", "gateway.cnt", "gateway.chm"}) {
        if (file == name)
            return true;
    }
    return false;
}

RegistryTree Tree(HKEY root, const std::string& key)
{
    RegistryTree tree;
    CaptureRegistryTree(root, key, tree);
    return tree;
}

// Every file's name and contents, wherever it lies: what must survive even a failed roll-back.
std::multiset<std::string> FileContents(const world::Snapshot& snapshot)
{
    std::multiset<std::string> contents;
    for (const auto& [path, data] : snapshot.files) {
        if (data != "<dir>")
            contents.insert(path.substr(path.find_last_of('\\')) + "=" + data);
    }
    return contents;
}

// The demo world, opened as the dialog opens it.
class CodesysChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ScriptedUi loading;
        Open(loading);
    }

    // The CoDeSys part of opening the dialog. Also creates each version's gateway backup folder,
    // which a version gets when it is first parked and keeps: the one lasting change of a round trip.
    // The folder bears the entry's name: "CoDeSys " + version, with the "_n" of a further copy.
    void Open(ScriptedUi& ui)
    {
        state_ = RunState();
        EnumerateUserHives(state_.userHives);
        LoadCodesysAtStartup(state_, ui);
        for (const CodesysVersionEntry& entry : state_.codesysEntries)
            CreateDirectoryA(System(entry.name).c_str(), nullptr);
    }

    // Installs a further version (by default its own stand-in) while the neutral entry is current
    // and opens the dialog again: the installation becomes the fourth entry.
    CodesysVersionEntry InstallWhileNeutral(const std::string& version, ScriptedUi& opening,
                                            const std::string& standIn = std::string())
    {
        Switch(kNeutral);
        world::InstallCodesys(BinDir() + "\\standins", version, standIn);
        Open(opening);
        EXPECT_EQ(state_.codesysEntries.size(), 4u);
        return state_.codesysEntries.back();
    }

    bool Change(int row, ScriptedUi& ui)
    {
        ui.selectedCodesysRows = {row};
        return SwitchCodesys(state_, ui) == ChangeOutcome::Done;
    }

    // A change that must succeed and say nothing but so.
    void Switch(int row)
    {
        ScriptedUi ui;
        EXPECT_TRUE(Change(row, ui));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, kSuccess);
    }

    std::vector<std::string> LogSince(size_t mark) const
    {
        std::vector<std::string> lines = log_.Messages();
        return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(std::min(mark, lines.size())), lines.end());
    }

    static bool Has(const std::vector<std::string>& lines, const std::string& line)
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    // The line logged after `line`; empty when there is none.
    static std::string LineAfter(const std::vector<std::string>& lines, const std::string& line)
    {
        auto found = std::find(lines.begin(), lines.end(), line);
        return found == lines.end() || found + 1 == lines.end() ? std::string() : *(found + 1);
    }

    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    RunState state_;
};

}  // namespace

TEST_F(CodesysChangeTest, SwitchesBetweenSubFolderAndWholeFolderVersionsAndBack)
{
    const world::Snapshot before = world::Snapshot::Take();
    const size_t mark = log_.Messages().size();
    Switch(k2370);
    EXPECT_EQ(GetProductVersionText(kMain + "\\CoDeSys.exe"), "2.3.7.0");
    EXPECT_FALSE(PathExists(kRoot + " 2.3.7.0"));
    // The root folder of the sub-folder layout waits at the new-versions path with what it holds.
    EXPECT_EQ(GetProductVersionText(kNewVersions + "\\CoDeSys V2.3 2.3.9.5\\CoDeSys.exe"), "2.3.9.5");
    EXPECT_EQ(ReadFileBytes(kNewVersions + "\\CoDeSys ENI Server 2.3.8.1\\ENIServer.exe"), "ENI 2.3.8.1");
    EXPECT_EQ(ReadFileBytes(System("gateway.exe")), "gateway.exe of CoDeSys 2.3.7.0");
    EXPECT_EQ(ReadFileBytes(System("CoDeSys 2.3.9.5\\gclient.dll")), "gclient.dll of CoDeSys 2.3.9.5");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, k3s + "\\CoDeSys V2.3", "Version"), "2.3.7.0");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, k3s + " 2.3.9.5\\CoDeSys V2.3\\Recent", "File1"),
              "C:\\Projekte\\Anlage 2.3.9.5.pro");
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.7.0");
    EXPECT_EQ(LogSince(mark),
              (std::vector<std::string>{"SaveAllCs", kAsterisks,
                                        "OnChangeCS RenameSubDirs: 0 InstallNew: 0 CurrentVersionName: CoDeSys 2.3.9.5 "
                                        "NewName: CoDeSys 2.3.7.0",
                                        "bRenameSubDirsCurrent: 1 bRenameSubDirsNew: 0 ", "Try to rename subdirectories!",
                                        "Renaming the subdirectories SUCCESS!!!",
                                        "OnChangeCS SUCCESS, CurrentVersionName: CoDeSys 2.3.7.0", kAsterisks}));

    const size_t back = log_.Messages().size();
    ScriptedUi ui;
    ASSERT_TRUE(Change(k2395, ui));
    EXPECT_EQ(ui.fields, (std::vector<std::pair<CurrentField, std::string>>{
                             {kCodesysNameField, "CoDeSys 2.3.9.5"}, {kCodesysRenamePathField, kMain + " 2.3.9.5"}}));
    EXPECT_TRUE(Has(LogSince(back), "Try to rename the main directory!"));
    EXPECT_TRUE(Has(LogSince(back), "rename " + kNewVersions + " TO " + kRoot));
    EXPECT_TRUE(Has(LogSince(back), "rename " + kMain + " 2.3.9.5 TO " + kMain));
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, SwitchesBetweenSubFolderVersionsWithoutTouchingSiblingKeys)
{
    // Keys whose names begin like the trees' but belong to no version.
    const std::pair<HKEY, std::string> siblings[] = {
        {HKEY_LOCAL_MACHINE, k3s + "2"}, {HKEY_LOCAL_MACHINE, kAlliance + "Server"}, {HKEY_CURRENT_USER, k3s + " Tools"}};
    for (const auto& [root, key] : siblings)
        WriteRegString(root, key + "\\Inner", "Mine", "sibling");
    const world::Snapshot before = world::Snapshot::Take();

    Switch(k2381);
    EXPECT_EQ(ReadFileBytes(kRoot + "\\CoDeSys SP PLCWinNT\\PLCWinNT.exe"), "PLC 2.3.8.1");
    EXPECT_EQ(ReadFileBytes(kRoot + "\\CoDeSys ENI Server 2.3.9.5\\ENIServer.exe"), "ENI 2.3.9.5");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, kAlliance + " 2.3.9.5\\OPC", "Server"), "CoDeSys.OPC.2.3.9.5");
    for (const auto& [root, key] : siblings)
        EXPECT_EQ(ReadRegText(root, key + "\\Inner", "Mine"), "sibling") << key;
    Switch(k2395);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, NeutralEntryFreesTheInstallationForAFurtherVersionThatThenSwitchesWithTheOthers)
{
    const world::Snapshot start = world::Snapshot::Take();
    Switch(kNeutral);
    EXPECT_EQ(GetCurrentCodesysName(), "<neu>");
    EXPECT_TRUE(PathExists(kRoot));
    EXPECT_FALSE(PathExists(kMain));
    EXPECT_FALSE(PathExists(System("gateway.exe")));
    for (const auto& [root, key] : {std::pair{HKEY_LOCAL_MACHINE, k3s}, std::pair{HKEY_LOCAL_MACHINE, kAlliance},
                                    std::pair{HKEY_CURRENT_USER, k3s}})
        EXPECT_TRUE(!KeyExists(root, key) && KeyExists(root, key + " 2.3.9.5")) << key;
    // From the neutral entry nothing is parked; the folders come from the version's parked setup information.
    Switch(k2395);
    EXPECT_EQ(start.Differences(world::Snapshot::Take()), "");

    ScriptedUi opening;
    const CodesysVersionEntry added = InstallWhileNeutral("2.3.9.6", opening);
    // The match of the installation against the catalogue adopts it: the discovery has nothing left to do.
    EXPECT_TRUE(opening.messages.empty());
    EXPECT_EQ(added.name, "CoDeSys 2.3.9.6");
    EXPECT_EQ(added.renamePath, kMain + " 2.3.9.6");
    EXPECT_EQ(added.eniPath, kRoot + "\\CoDeSys ENI Server 2.3.9.6");
    EXPECT_EQ(added.renameSubDir, 1);
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.6");

    const world::Snapshot installed = world::Snapshot::Take();
    for (int row : {k2395, k2370, k2381, k2370, kAdded, kNeutral, k2370, kNeutral, kAdded}) {
        SCOPED_TRACE("row " + std::to_string(row));
        Switch(row);
    }
    EXPECT_EQ(installed.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, AFurtherCopyOfAParkedVersionIsAdoptedAndParkedUnderNamesOfItsOwn)
{
    ScriptedUi opening;
    const CodesysVersionEntry added = InstallWhileNeutral("2.3.9.5", opening);
    ASSERT_EQ(opening.messages.size(), 1u);
    EXPECT_EQ(opening.messages[0].text,
              "Es wurde eine neue CoDeSys-Installation gefunden und in den Versionswechsler aufgenommen.");
    EXPECT_EQ(added.name, "CoDeSys 2.3.9.5_1");
    EXPECT_EQ(added.renamePath, kMain + " 2.3.9.5_1");
    EXPECT_EQ(added.opcPath, kRoot + "\\CoDeSysOPC 2.3.9.5_1");
    EXPECT_EQ(added.renameSubDir, 1);
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.5_1");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Path4_PLCWINNT"), kRoot + "\\CoDeSys SP PLCWinNT 2.3.9.5_1");
    EXPECT_EQ(opening.fields.back(), std::make_pair(kCodesysRenamePathField, kMain + " 2.3.9.5_1"));

    // What tells the copy from the first 2.3.9.5, in each place a change moves.
    WriteFileBytes(kMain + "\\copy.txt", "second copy");
    WriteFileBytes(System("gateway.exe"), "gateway.exe of the second copy");
    const std::pair<HKEY, std::string> keys[] = {
        {HKEY_LOCAL_MACHINE, k3s}, {HKEY_LOCAL_MACHINE, kAlliance}, {HKEY_CURRENT_USER, k3s}};
    for (const auto& [root, key] : keys)
        WriteRegString(root, key + "\\Copy", "Which", "second");
    const world::Snapshot installed = world::Snapshot::Take();

    Switch(k2381);
    EXPECT_EQ(ReadFileBytes(kMain + " 2.3.9.5_1\\copy.txt"), "second copy");
    EXPECT_EQ(ReadFileBytes(System("CoDeSys 2.3.9.5_1\\gateway.exe")), "gateway.exe of the second copy");
    EXPECT_EQ(ReadFileBytes(System("CoDeSys 2.3.9.5\\gateway.exe")), "gateway.exe of CoDeSys 2.3.9.5");
    for (const auto& [root, key] : keys) {
        EXPECT_EQ(ReadRegText(root, key + " 2.3.9.5_1\\Copy", "Which"), "second") << key;
        EXPECT_FALSE(KeyExists(root, key + " 2.3.9.5\\Copy")) << key;
    }
    // Either copy comes back while the other stays parked.
    Switch(k2395);
    EXPECT_FALSE(PathExists(kMain + "\\copy.txt"));
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, k3s + " 2.3.9.5_1\\Copy", "Which"), "second");
    Switch(kAdded);
    EXPECT_EQ(installed.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, DiscoveryNamesACopyByTheVersionTheStartUpMatchReads)
{
    // This program's FileVersion string reads "2, 3, 9, 5", its product version 2.3.9.5.
    ScriptedUi opening;
    const CodesysVersionEntry added = InstallWhileNeutral("2.3.9.5", opening, "codesys_2_3_9_5_commas");
    EXPECT_EQ(added.name, "CoDeSys 2.3.9.5_1");
    EXPECT_EQ(added.version, "2.3.9.5");
    EXPECT_EQ(added.renamePath, kMain + " 2.3.9.5_1");
    EXPECT_EQ(added.eniPath, kRoot + "\\CoDeSys ENI Server 2.3.9.5_1");
}

namespace {

struct Scenario {
    const char* name;
    std::vector<int> scene;  // changes that set the scene
    int row;                 // the change whose every step fails in turn
    int back;
    size_t parkRenames;      // the first folder renames of the change park the current version
};

// CTest names each case by what gtest prints of it.
void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class CodesysFaultTest : public CodesysChangeTest, public ::testing::WithParamInterface<Scenario> {};

}  // namespace

TEST_P(CodesysFaultTest, EveryFailedStepIsReportedAndUndone)
{
    const Scenario& scenario = GetParam();
    for (int row : scenario.scene)
        Switch(row);
    const std::string current = GetCurrentCodesysName();
    const std::string next = scenario.row == kNeutral ? "<neu>" : state_.codesysEntries[scenario.row - 1].name;
    const world::Snapshot before = world::Snapshot::Take();

    struct Call {
        std::string from;
        std::string to;
        DWORD flags;
    };
    std::vector<Call> calls;
    int copies = 0;
    {
        auto move = seams::MovePath;
        auto copy = seams::WriteRegistryTree;
        SeamOverride<MoveSeam> moves(seams::MovePath, [&](const char* from, const char* to, DWORD flags) {
            calls.push_back({from, to, flags});
            return move(from, to, flags);
        });
        SeamOverride<CopySeam> copying(seams::WriteRegistryTree, [&](HKEY to, const RegistryTree& tree) {
            ++copies;
            return copy(to, tree);
        });
        Switch(scenario.row);
    }
    Switch(scenario.back);
    ASSERT_EQ(before.Differences(world::Snapshot::Take()), "");

    // Each failure: the result, the messages and log lines it gives, and the world as it was.
    auto fail = [&](const std::function<void(ScriptedUi&, const std::vector<std::string>&)>& expect) {
        ScriptedUi ui;
        ui.answers = {IDOK, IDCANCEL};
        const size_t mark = log_.Messages().size();
        EXPECT_FALSE(Change(scenario.row, ui));
        expect(ui, LogSince(mark));
        EXPECT_EQ(GetCurrentCodesysName(), current);
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    };
    auto expectFailedChange = [&](const std::vector<std::string>& log) {
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2], "OnChangeCS FAILED: " + next);
        EXPECT_EQ(log.back(), kAsterisks);
    };

    size_t folderRenames = 0;
    for (size_t failing = 0; failing < calls.size(); ++failing) {
        const Call& call = calls[failing];
        const std::string file = call.from.substr(call.from.find_last_of('\\') + 1);
        const bool folder = call.flags == 0;
        if (!folder && Optional(file))
            continue;
        SCOPED_TRACE(call.from + " -> " + call.to);
        const auto moves = FailingMoves({failing + 1});
        if (folder) {
            const bool parking = folderRenames++ < scenario.parkRenames;
            const std::string text = parking ? "Die aktuelle Version konnte nicht umbenannt werden!"
                                             : "Die neue Version konnte nicht eingestellt werden!";
            fail([&](ScriptedUi& ui, const std::vector<std::string>& log) {
                const std::string detail = "\n\nRenaming failed:\n" + call.from + "\n" + call.to;
                ASSERT_EQ(ui.messages.size(), 2u);
                EXPECT_EQ(ui.messages[0].text.substr(0, text.size()), text);
                EXPECT_EQ(ui.messages[0].text.substr(ui.messages[0].text.size() - detail.size()), detail);
                EXPECT_EQ(ui.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
                EXPECT_EQ(ui.messages[1].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
                EXPECT_TRUE(Has(log, "Rename FAILED: " + call.from + " TO " + call.to));
                EXPECT_TRUE(Has(log, "Renaming failed:"));
            });
        } else {
            fail([&](ScriptedUi& ui, const std::vector<std::string>& log) {
                ASSERT_EQ(ui.messages.size(), 1u);
                EXPECT_EQ(ui.messages[0].text, "Fehler beim Kopieren der Datei '" + file + "'!");
                EXPECT_TRUE(Has(log, ui.messages[0].text));
                expectFailedChange(log);
            });
        }
    }

    std::vector<std::string> trees;
    if (current != "<neu>")
        trees = {"HKEY_LOCAL_MACHINE\\" + k3s, "HKEY_LOCAL_MACHINE\\" + kAlliance, "HKEY_CURRENT_USER\\" + k3s};
    if (scenario.row != kNeutral) {
        const std::string version = " " + state_.codesysEntries[scenario.row - 1].version;
        for (const std::string& tree : {"HKEY_LOCAL_MACHINE\\" + k3s, "HKEY_LOCAL_MACHINE\\" + kAlliance, "HKEY_CURRENT_USER\\" + k3s})
            trees.push_back(tree + version);
    }
    ASSERT_EQ(static_cast<size_t>(copies), trees.size());
    for (size_t failing = 0; failing < trees.size(); ++failing) {
        SCOPED_TRACE(trees[failing]);
        const auto copying = FailingCopies({failing + 1});
        fail([&](ScriptedUi& ui, const std::vector<std::string>& log) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, "Fehler beim Umbenennen des Registryeintrags '" + trees[failing] + "'!");
            EXPECT_TRUE(Has(log, ui.messages[0].text));
            expectFailedChange(log);
        });
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, CodesysFaultTest,
    ::testing::Values(Scenario{"SubFolderToSubFolder", {}, k2381, k2395, 4},
                      Scenario{"SubFolderToWholeFolder", {}, k2370, k2395, 5},
                      Scenario{"WholeFolderToSubFolder", {k2370}, k2395, k2370, 1},
                      Scenario{"SubFolderToNeutral", {}, kNeutral, k2395, 4},
                      Scenario{"NeutralToSubFolder", {kNeutral}, k2395, kNeutral, 0},
                      Scenario{"WholeFolderToNeutral", {k2370}, kNeutral, k2370, 1},
                      Scenario{"NeutralToWholeFolder", {kNeutral}, k2370, kNeutral, 0}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

TEST_F(CodesysChangeTest, AJournalThatCannotBeWrittenStopsTheChangeAndSaysSo)
{
    const world::Snapshot before = world::Snapshot::Take();
    ScriptedUi refused;
    {
        BrokenJournal journal(false, 0);
        refused.selectedCodesysRows = {k2381};
        EXPECT_EQ(SwitchCodesys(state_, refused), ChangeOutcome::Refused);
    }
    ASSERT_EQ(refused.messages.size(), 1u);
    EXPECT_EQ(refused.messages[0].text,
              "Die Journaldatei " + JournalPath() + " konnte nicht angelegt werden. Der Wechsel wurde nicht begonnen.");
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    // Two folders are parked; the record of the third move is not written. Asked whether to try
    // again, the user cancels.
    ScriptedUi ui;
    ui.answers = {IDOK, IDCANCEL};
    {
        BrokenJournal journal(true, 2);
        EXPECT_FALSE(Change(k2381, ui));
    }
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Die Journaldatei " + JournalPath() +
                                       " konnte nicht weitergeschrieben werden. Der Wechsel wurde abgebrochen, und was "
                                       "er schon ge\xE4ndert hatte, wurde r\xFC" "ckg\xE4ngig gemacht.");
    EXPECT_TRUE(Has(log_.Messages(), ui.messages[0].text));
    EXPECT_EQ(ui.messages[1].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONINFORMATION));
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.5");
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    EXPECT_FALSE(JournalExists());
}

TEST_F(CodesysChangeTest, OkAfterAFailedParkOrInstallRunsTheCheckAndTheWholeSequenceAgain)
{
    const world::Snapshot before = world::Snapshot::Take();
    // The first rename parks the main folder; the fifth, after the four park renames, installs.
    for (size_t failing : {0u, 4u}) {
        SCOPED_TRACE("failing rename " + std::to_string(failing));
        int checks = 0;
        SeamOverride<bool(const char*, const char*)> windows(seams::FindTopLevelWindow, [&](const char* className, const char*) {
            checks += className != nullptr && std::string(className) == "CoDeSys_Frame";
            return false;
        });
        const auto moves = FailingMoves({failing + 1});
        ScriptedUi ui;  // OK to everything
        EXPECT_TRUE(Change(k2381, ui));
        EXPECT_EQ(checks, 2);
        ASSERT_EQ(ui.messages.size(), 3u);
        EXPECT_EQ(ui.messages[0].text.substr(0, 4), "Die ");
        const std::string warning = "F\xFCr einen erfolgreichen Wechsel m\xFCssen alle CoDeSys Programme beendet werden.";
        EXPECT_EQ(ui.messages[1].text.substr(0, warning.size()), warning);
        EXPECT_EQ(ui.messages[1].text.substr(ui.messages[1].text.size() - 33), "versuchen Sie den Wechsel erneut.");
        EXPECT_EQ(ui.messages[2].text, kSuccess);
        EXPECT_EQ(GetProductVersionText(kMain + "\\CoDeSys.exe"), "2.3.8.1");
        Switch(k2395);
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    }
}

TEST_F(CodesysChangeTest, AFailedRestoreAfterAFailedInstallSaysSoAndLosesNothing)
{
    const world::Snapshot before = world::Snapshot::Take();
    // The fifth rename brings the new main folder in and fails; the sixth, the first rename back
    // (the PLCWinNT folder), fails too.
    const auto moves = FailingMoves({5, 6});
    ScriptedUi ui;
    const size_t mark = log_.Messages().size();
    EXPECT_FALSE(Change(k2381, ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text.substr(0, 49), "Die neue Version konnte nicht eingestellt werden!");
    EXPECT_EQ(ui.messages[1].text, "Die alte Version konnte ebenfalls nicht wieder hergestellt werden!\n\n"
                                   "F\xFChren Sie die Umstellung bitte manuell aus!");
    EXPECT_EQ(ui.messages[1].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    const std::vector<std::string> log = LogSince(mark);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Rename FAILED: " + kRoot + "\\CoDeSys SP PLCWinNT 2.3.9.5 TO " + kRoot + "\\CoDeSys SP PLCWinNT");
    EXPECT_EQ(log.back().rfind("Fehler ", 0), 0u) << log.back();
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.5");
    EXPECT_TRUE(PathExists(kMain + "\\CoDeSys.exe"));
    EXPECT_EQ(FileContents(before), FileContents(world::Snapshot::Take()));
}

TEST_F(CodesysChangeTest, RunningCodesysHoldsTheChangeUntilItEndsOrIsIgnored)
{
    const world::Snapshot before = world::Snapshot::Take();
    SeamOverride<bool(const char*, const char*)> windows(seams::FindTopLevelWindow, [](const char* className, const char*) {
        return className != nullptr && std::string(className) == "CoDeSys_Frame";
    });
    SeamOverride<bool(const seams::ProcessVisitor&)> processes(seams::WalkProcesses, [](const seams::ProcessVisitor& visit) {
        visit({7, "C:\\windows\\syswow64\\Gateway.exe", 1, "PC-0815\\anna"});
        return true;
    });
    ScriptedUi ui;
    ui.answers = {IDRETRY, IDABORT};
    EXPECT_FALSE(Change(k2381, ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, "Folgende Programme wurden als aktiv erkannt:\n\n\tCoDeSys\n\tCoDeSys Gateway\n\n"
                                   "Beenden Sie diese Programme und versuchen Sie es dann erneut!");
    EXPECT_EQ(ui.messages[1].type, static_cast<UINT>(MB_ICONWARNING | MB_ABORTRETRYIGNORE));
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    ScriptedUi ignoring;
    ignoring.answers = {IDIGNORE};
    EXPECT_TRUE(Change(k2381, ignoring));
    ASSERT_EQ(ignoring.messages.size(), 2u);
    EXPECT_EQ(ignoring.messages[1].text, kSuccess);
}

TEST_F(CodesysChangeTest, CodesysOpenInAUsersSessionStopsAChangeFromSessionZero)
{
    // Wine runs every process in one session: the walk a deployment tool's run in session 0 makes
    // is scripted. Its window cannot be seen from there; its program lies in the installation.
    SeamOverride<bool(const char*, const char*)> windows(seams::FindTopLevelWindow, [](const char*, const char*) { return false; });
    SeamOverride<bool(const seams::ProcessVisitor&)> processes(seams::WalkProcesses, [](const seams::ProcessVisitor& visit) {
        visit({GetCurrentProcessId(), "C:\\Program Files\\Flipdeck\\Flipdeck.exe", 0, "NT AUTHORITY\\SYSTEM"});
        visit({77, kMain + "\\CoDeSys.exe", 3, "PC-0815\\anna"});
        return true;
    });
    const world::Snapshot before = world::Snapshot::Take();
    ScriptedUi ui;
    ui.answers = {IDABORT};
    ui.selectedCodesysRows = {k2381};
    EXPECT_EQ(SwitchCodesys(state_, ui), ChangeOutcome::ProgramsRunning);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Folgende Programme wurden als aktiv erkannt:\n\n\t" + kMain +
                                       "\\CoDeSys.exe (Sitzung 3, Benutzer PC-0815\\anna)\n\n"
                                       "Beenden Sie diese Programme und versuchen Sie es dann erneut!");
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, RefusalsComeBeforeAnythingMoves)
{
    const size_t mark = log_.Messages().size();
    ScriptedUi several;
    several.selectedCodesysRows = {1, 2};
    EXPECT_EQ(SwitchCodesys(state_, several), ChangeOutcome::NothingChosen);
    EXPECT_EQ(several.messages.at(0).text, "Bitte w\xE4hlen Sie nur ein Element aus!");
    ScriptedUi unfocused;
    EXPECT_EQ(SwitchCodesys(state_, unfocused), ChangeOutcome::NothingChosen);
    EXPECT_TRUE(unfocused.messages.empty());
    EXPECT_TRUE(LogSince(mark).empty());

    // Each refusal: its one message, logged unless it is a plain notice, and nothing moved.
    auto refused = [&](int row, const std::string& text, UINT type) {
        const world::Snapshot before = world::Snapshot::Take();
        const size_t start = log_.Messages().size();
        ScriptedUi ui;
        EXPECT_FALSE(Change(row, ui));
        EXPECT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages.at(0).text, text);
        EXPECT_EQ(ui.messages.at(0).type, type);
        EXPECT_EQ(Has(LogSince(start), text.substr(0, text.find('\n'))), type != (MB_ICONINFORMATION | MB_OK));
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    };
    WriteRegString(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName", "CODESYS 2.3.9.5");
    refused(k2395, "Diese Version ist bereits aktiv!", MB_ICONINFORMATION | MB_OK);

    const std::string taken = kMain + " 2.3.9.5";
    MakeDirs(taken);
    refused(k2381, "Die Version kann nicht gewechselt werden, da f\xFCr die aktuelle Version der Umbenennungspfad "
                   "bereits belegt ist!\n" + taken, MB_ICONWARNING | MB_OK);
    RemoveTree(taken);

    auto notFound = [&](const std::string& folder) {
        MoveFileA(folder.c_str(), (folder + "x").c_str());
        refused(k2381, "Die neue Version kann nicht in Ihrem Umbenennungspfad gefunden werden!\n" + folder,
                MB_ICONWARNING | MB_OK);
        MoveFileA((folder + "x").c_str(), folder.c_str());
    };
    notFound(kMain + " 2.3.8.1");
    // With a whole-folder version live, a sub-folder version is looked for in the parked root folder.
    Switch(k2370);
    notFound(kNewVersions + "\\CoDeSys V2.3 2.3.8.1");
    Switch(k2395);

    // A version text naming a backup folder inside one that does not exist.
    WriteRegString(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Version1", "2.3\\9.5");
    state_.codesysEntries[0].version = "2.3\\9.5";
    refused(k2381, "Das Sicherungsverzeichnis '" + System("CoDeSys 2.3\\9.5") +
                       "' f\xFCr die CoDeSys Gateway Dateien konnte nicht angelegt werden!",
            MB_ICONWARNING | MB_OK);

    DeleteRegValue(HKEY_LOCAL_MACHINE, kCodesysSetupKey, "Targetdir");
    refused(k2381, "Es wurde keine CoDeSys Installation gefunden!", MB_ICONWARNING | MB_OK);
}

TEST_F(CodesysChangeTest, ARootFolderLeftAtTheNewVersionsPathGoesBackBeforeTheChange)
{
    const world::Snapshot before = world::Snapshot::Take();
    ASSERT_TRUE(MoveFileA(kRoot.c_str(), kNewVersions.c_str()));
    Switch(k2381);
    EXPECT_EQ(ReadFileBytes(kRoot + "\\CoDeSysOPC\\CoDeSysOPC.exe"), "OPC 2.3.8.1");
    EXPECT_FALSE(PathExists(kNewVersions));
    Switch(k2395);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, TheFirstSaveCataloguesWhatItParkedInTheFirstFreeNumberedFolder)
{
    // 2.3.7.0, parked with its whole root folder, is the only catalogued version, and a further
    // copy of it is installed under a catalogue that names no current version.
    Switch(k2370);
    for (int row : {k2381, k2395}) {
        ScriptedUi deleting;
        deleting.selectedCodesysRows = {row};
        DeleteCodesysEntry(state_, deleting);
    }
    RemoveTree(kNewVersions);  // the sub-folder versions' folders, removed by hand
    Switch(kNeutral);
    world::InstallCodesys(BinDir() + "\\standins", "2.3.7.0");
    WriteFileBytes(kMain + "\\copy.txt", "second copy");
    DeleteRegValue(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName");
    ScriptedUi opening;
    Open(opening);
    ASSERT_EQ(state_.currentCodesysName, "");
    MakeDirs(kRoot + "1");
    MakeDirs(kRoot + "2");

    ScriptedUi ui;
    EXPECT_TRUE(Change(1, ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Sie versuchen erstmalig, die aktuelle Version zu sichern.\n\nEs wird versucht, "
                                   "die Version im Pfad '" + kRoot + "3' abzulegen!");
    EXPECT_EQ(ui.messages[0].type, static_cast<UINT>(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(ui.messages[1].text, kSuccess);
    EXPECT_EQ(ReadFileBytes(kRoot + "3\\CoDeSys V2.3\\copy.txt"), "second copy");
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.7.0");
    // What was parked is catalogued as a whole-folder version of its own, its trees and gateway
    // files parked under its name.
    ASSERT_EQ(state_.codesysEntries.size(), 2u);
    const CodesysVersionEntry& saved = state_.codesysEntries[1];
    EXPECT_EQ(saved.name, "CoDeSys 2.3.7.0_1");
    EXPECT_EQ(saved.renamePath, kRoot + "3");
    EXPECT_EQ(saved.version, "2.3.7.0");
    EXPECT_EQ(saved.renameSubDir, 0);
    EXPECT_EQ(ui.shownCodesysLists.back().size(), 2u);
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Name2"), "CoDeSys 2.3.7.0_1");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kCodesysCatalogueKey, "Path2"), kRoot + "3");
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, k3s + " 2.3.7.0_1\\CoDeSys V2.3", "Version"), "2.3.7.0");
    EXPECT_EQ(ReadFileBytes(System("CoDeSys 2.3.7.0_1\\gateway.exe")), "gateway.exe of CoDeSys 2.3.7.0");

    // It comes back like any catalogued version.
    const world::Snapshot parked = world::Snapshot::Take();
    Switch(2);
    EXPECT_EQ(ReadFileBytes(kMain + "\\copy.txt"), "second copy");
    Switch(1);
    EXPECT_EQ(parked.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, AFurtherCopyOfAParkedVersionWithoutCurrentNameIsCataloguedApart)
{
    // A further copy of 2.3.9.5 installed under a catalogue that names no current version: the
    // root folder holds it and the component folders of the versions parked beside it, so a first
    // save, which parks the whole root folder, would refuse every change. It is catalogued as a
    // version of its own instead, named and parked apart from the first copy.
    Switch(kNeutral);
    world::InstallCodesys(BinDir() + "\\standins", "2.3.9.5");
    WriteFileBytes(kMain + "\\copy.txt", "second copy");
    DeleteRegValue(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName");
    ScriptedUi opening;
    Open(opening);
    EXPECT_EQ(state_.currentCodesysName, "CoDeSys 2.3.9.5_1");
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.5_1");
    ASSERT_EQ(opening.messages.size(), 1u);
    EXPECT_EQ(opening.messages[0].text, "Es wurde eine neue CoDeSys-Installation gefunden und in den Versionswechsler aufgenommen.");
    ASSERT_EQ(state_.codesysEntries.size(), 4u);
    EXPECT_EQ(state_.codesysEntries[3].renamePath, kMain + " 2.3.9.5_1");

    // Every change works again, the neutral one included, and the copy comes back whole.
    const world::Snapshot before = world::Snapshot::Take();
    Switch(k2370);
    Switch(kAdded);
    Switch(kNeutral);
    EXPECT_EQ(ReadFileBytes(kMain + " 2.3.9.5_1\\copy.txt"), "second copy");
    Switch(kAdded);
    EXPECT_EQ(ReadFileBytes(kMain + "\\copy.txt"), "second copy");
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, AStartWithoutCurrentNameTakesItFromTheInstalledVersion)
{
    const world::Snapshot before = world::Snapshot::Take();
    for (bool absent : {true, false}) {
        SCOPED_TRACE(absent ? "absent" : "empty");
        if (absent)
            DeleteRegValue(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName");
        else
            WriteRegString(HKEY_CURRENT_USER, kCodesysCatalogueKey, "CurrentVersionName", "");
        ScriptedUi opening;
        Open(opening);
        EXPECT_TRUE(opening.messages.empty());
        EXPECT_EQ(state_.currentCodesysName, "CoDeSys 2.3.9.5");
        EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.5");
        // The next change parks the installed version's own folders, not the root folder with
        // the other versions' folders in it.
        Switch(k2381);
        EXPECT_FALSE(PathExists(kRoot + "1"));
        EXPECT_EQ(ReadFileBytes(kRoot + "\\CoDeSys ENI Server 2.3.9.5\\ENIServer.exe"), "ENI 2.3.9.5");
        Switch(k2395);
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    }
}

TEST_F(CodesysChangeTest, TheUserTreeIsThisUsersOwn)
{
    // 2.3.9.5 was parked while another Windows user was signed in: this user's hive has no parked
    // tree of it, and still holds a live tree of this user's own.
    Switch(kNeutral);
    DeleteRegistryTree(HKEY_CURRENT_USER, k3s + " 2.3.9.5");
    WriteRegString(HKEY_CURRENT_USER, k3s + "\\CoDeSys V2.3\\Recent", "File1", "C:\\Projekte\\Eigenes.pro");
    const RegistryTree mine = Tree(HKEY_CURRENT_USER, k3s);
    Switch(k2395);
    EXPECT_EQ(Tree(HKEY_CURRENT_USER, k3s), mine);
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, k3s + "\\CoDeSys V2.3", "Version"), "2.3.9.5");
}

TEST_F(CodesysChangeTest, NamesDataAndTypesOutsideTheCodePageComeBackByteForByte)
{
    // Names and data in Polish, Greek and CJK; kept out of the test macros, which quote their
    // arguments in the system code page.
    const std::wstring tree = L"software\\3S-Smart Software Solutions GmbH";
    const std::wstring recent = L"\\CoDeSys V2.3\\Recent", settings = L"\\CoDeSys V2.3\\Ρυθμίσεις", path = L"\\Ścieżka";
    const std::wstring project = L"C:\\Projekte\\Łódź\\Anlage.pro", item = L"项目", greek = L"%SystemRoot%\\Δοκιμή 设定";
    const std::wstring cities(L"Łódź\0Αθήνα\0東京\0", 14);  // the list ends in a second zero
    const std::wstring citiesName = L"Städte Πόλεις", patras = L"Πάτρα", osaka = L"大阪";
    WriteWideText(HKEY_CURRENT_USER, tree + recent, L"File1", project);
    WriteWideText(HKEY_CURRENT_USER, tree + settings, item, greek, REG_EXPAND_SZ);
    WriteWideText(HKEY_LOCAL_MACHINE, tree + path, citiesName, cities, REG_MULTI_SZ);
    WriteWideText(HKEY_LOCAL_MACHINE, tree + L" 2.3.8.1" + path, patras, osaka);
    const world::Snapshot before = world::Snapshot::Take();
    const RegistryTree user = Tree(HKEY_CURRENT_USER, k3s);
    const RegistryTree machine = Tree(HKEY_LOCAL_MACHINE, k3s);
    const RegistryTree parked = Tree(HKEY_LOCAL_MACHINE, k3s + " 2.3.8.1");

    Switch(k2381);
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, tree + path, patras), WideTextValue(osaka));
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, tree + L" 2.3.9.5" + path, citiesName), WideTextValue(cities, REG_MULTI_SZ));
    EXPECT_EQ(ReadWideValue(HKEY_CURRENT_USER, tree + L" 2.3.9.5" + recent, L"File1"), WideTextValue(project));
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, k3s + " 2.3.9.5"), machine);
    EXPECT_EQ(Tree(HKEY_CURRENT_USER, k3s + " 2.3.9.5"), user);

    Switch(k2395);
    EXPECT_EQ(ReadWideValue(HKEY_CURRENT_USER, tree + recent, L"File1"), WideTextValue(project));
    EXPECT_EQ(ReadWideValue(HKEY_CURRENT_USER, tree + settings, item), WideTextValue(greek, REG_EXPAND_SZ));
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, tree + path, citiesName), WideTextValue(cities, REG_MULTI_SZ));
    EXPECT_EQ(ReadWideValue(HKEY_LOCAL_MACHINE, tree + L" 2.3.8.1" + path, patras), WideTextValue(osaka));
    EXPECT_EQ(Tree(HKEY_CURRENT_USER, k3s), user);
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, k3s), machine);
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, k3s + " 2.3.8.1"), parked);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, GatewayFilesAreNeverOverwritten)
{
    auto refused = [&](int row, const std::string& file) {
        const world::Snapshot before = world::Snapshot::Take();
        ScriptedUi ui;
        EXPECT_FALSE(Change(row, ui));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text,
                  "Die Datei '" + file + "' ist bereits vorhanden und w\xFCrde beim Wechsel \xFC" "berschrieben werden!");
        EXPECT_EQ(ui.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    };
    // A file left in the backup folder the live version's files are parked in.
    const std::string left = System("CoDeSys 2.3.9.5\\gclient.dll");
    WriteFileBytes(left, "left behind");
    refused(k2381, left);
    DeleteFileA(left.c_str());

    // With no catalogued version live, a gateway file in the system directory belongs to none of
    // them, and nothing parks it before the incoming version's files arrive.
    Switch(kNeutral);
    WriteFileBytes(System("gdrvudp.dll"), "another program's driver");
    refused(k2381, System("gdrvudp.dll"));
}

TEST_F(CodesysChangeTest, TreeMovesNeverMixTreesAndAFailedMoveBackIsToldToTheUser)
{
    const world::Snapshot before = world::Snapshot::Take();
    const RegistryTree live = Tree(HKEY_LOCAL_MACHINE, k3s);
    const RegistryTree parked = Tree(HKEY_LOCAL_MACHINE, k3s + " 2.3.8.1");
    // A2 fails; then the move back of A1 fails too, leaving 2.3.8.1's machine tree live. Moving
    // 2.3.9.5's tree back onto it would mix the two: it stays parked instead.
    const auto copying = FailingCopies({5, 6});
    ScriptedUi ui;
    const size_t mark = log_.Messages().size();
    EXPECT_FALSE(Change(k2381, ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Fehler beim Umbenennen des Registryeintrags 'HKEY_LOCAL_MACHINE\\" + kAlliance + " 2.3.8.1'!");
    // The user learns which trees need a hand, and where they belong.
    const std::string machine = "HKEY_LOCAL_MACHINE\\" + k3s;
    EXPECT_EQ(ui.messages[1].text, std::string(kRestoreIncomplete) + machine + " -> " + machine + " 2.3.8.1\n" + machine +
                                       " 2.3.9.5 -> " + machine);
    EXPECT_EQ(ui.messages[1].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, k3s), parked);
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, k3s + " 2.3.9.5"), live);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, k3s + " 2.3.8.1"));
    // Each failure is followed by the system's reason.
    const std::vector<std::string> log = LogSince(mark);
    const std::string denied = SystemErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(denied.rfind("Fehler 5: ", 0), 0u);
    EXPECT_EQ(LineAfter(log, ui.messages[0].text), denied);
    EXPECT_EQ(LineAfter(log, "Registry move back FAILED: " + k3s + " TO " + k3s + " 2.3.8.1"), denied);
    // 2.3.8.1's tree stands where 2.3.9.5's belongs.
    EXPECT_EQ(LineAfter(log, "Registry move back FAILED: " + k3s + " 2.3.9.5 TO " + k3s), SystemErrorText(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.9.5");
    // Every other tree, the folders and the gateway files are back.
    world::Snapshot after = world::Snapshot::Take();
    EXPECT_EQ(before.Differences(after), "key changed: HKLM\\3S-SMART SOFTWARE SOLUTIONS GMBH\n"
                                         "key gone: HKLM\\3S-SMART SOFTWARE SOLUTIONS GMBH 2.3.8.1\n"
                                         "new key: HKLM\\3S-SMART SOFTWARE SOLUTIONS GMBH 2.3.9.5\n");
}

TEST_F(CodesysChangeTest, AKeyInTheWayIsNeverWrittenOverAndTheMessageNamesIt)
{
    auto refused = [&](const std::string& key) {
        const std::string current = GetCurrentCodesysName();
        const world::Snapshot before = world::Snapshot::Take();
        ScriptedUi ui;
        EXPECT_FALSE(Change(k2381, ui));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Fehler beim Umbenennen des Registryeintrags '" + key + "'!");
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
        EXPECT_EQ(GetCurrentCodesysName(), current);
    };
    // A parked key left by an earlier run where the live tree would be parked.
    WriteRegString(HKEY_LOCAL_MACHINE, kAlliance + " 2.3.9.5", "Left", "by an earlier run");
    refused("HKEY_LOCAL_MACHINE\\" + kAlliance + " 2.3.9.5");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAlliance + " 2.3.9.5");

    // A user tree left live while the neutral entry is current, where this user's parked tree of
    // the incoming version would go.
    Switch(kNeutral);
    WriteRegString(HKEY_CURRENT_USER, k3s + "\\CoDeSys V2.3\\Recent", "File1", "C:\\Projekte\\Eigenes.pro");
    refused("HKEY_CURRENT_USER\\" + k3s);
}

TEST_F(CodesysChangeTest, AVersionWithoutAutomationAllianceTreeGetsAnEmptyOne)
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAlliance);
    const world::Snapshot before = world::Snapshot::Take();
    Switch(k2381);
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, kAlliance + " 2.3.9.5"), RegistryTree());
    Switch(k2395);
    EXPECT_EQ(Tree(HKEY_LOCAL_MACHINE, kAlliance), RegistryTree());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "new key: HKLM\\AUTOMATIONALLIANCE\n");
}

TEST_F(CodesysChangeTest, GatewayFilesMoveWithTheirVersionAndMissingRequiredOnesStopTheChange)
{
    // A version without the optional files switches in both directions.
    for (const char* file : {"gdrvudp.dll", "gateway.hlp", "gateway.cnt", "gateway.chm"}) {
        DeleteFileA(System(file).c_str());
        DeleteFileA(System(std::string("CoDeSys 2.3.8.1\\") + file).c_str());
    }
    const world::Snapshot before = world::Snapshot::Take();
    Switch(k2381);
    EXPECT_EQ(ReadFileBytes(System("gatewayDDE.exe")), "gatewayDDE.exe of CoDeSys 2.3.8.1");
    EXPECT_EQ(ReadFileBytes(System("CoDeSys 2.3.9.5\\gutil.dll")), "gutil.dll of CoDeSys 2.3.9.5");
    Switch(k2395);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    DeleteFileA(System("CoDeSys 2.3.8.1\\gateway.exe").c_str());
    const world::Snapshot missing = world::Snapshot::Take();
    ScriptedUi ui;
    const size_t mark = log_.Messages().size();
    EXPECT_FALSE(Change(k2381, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Fehler beim Kopieren der Datei 'gateway.exe'!");
    EXPECT_EQ(ui.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(LogSince(mark).back(), kAsterisks);
    EXPECT_EQ(missing.Differences(world::Snapshot::Take()), "");
}

TEST_F(CodesysChangeTest, WhatARollBackCannotMoveBackIsToldToTheUser)
{
    {
        // Parking the ENI folder fails, then the main folder does not go back: the change ends
        // there, without offering another attempt that the parked folder would stand in the way of.
        const auto moves = FailingMoves({2, 3});
        ScriptedUi ui;
        EXPECT_FALSE(Change(k2381, ui));
        ASSERT_EQ(ui.messages.size(), 2u);
        EXPECT_EQ(ui.messages[0].text.substr(0, 51), "Die aktuelle Version konnte nicht umbenannt werden!");
        EXPECT_EQ(ui.messages[1].text, kRestoreIncomplete + kMain + " 2.3.9.5 -> " + kMain);
        EXPECT_EQ(ui.messages[1].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    }
    // Put back by hand; the next start finds the journal of that change and clears it.
    ASSERT_TRUE(MoveFileA((kMain + " 2.3.9.5").c_str(), kMain.c_str()));
    EXPECT_EQ(RecoverUnfinishedSwitch().result, RecoveryReport::Result::Recovered);

    // The incoming version's commsym.dll cannot be moved in; then the outgoing version's gutil.dll
    // cannot go back to the system directory.
    const std::string incoming = System("CoDeSys 2.3.8.1\\commsym.dll");
    const std::string parked = System("CoDeSys 2.3.9.5\\gutil.dll");
    SeamOverride<MoveSeam> moves(seams::MovePath, [&, real = seams::MovePath](const char* from, const char* to, DWORD flags) {
        return EqualsIgnoringCase(from, incoming) || EqualsIgnoringCase(from, parked) ? FALSE : real(from, to, flags);
    });
    ScriptedUi ui;
    const size_t mark = log_.Messages().size();
    EXPECT_FALSE(Change(k2381, ui));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Fehler beim Kopieren der Datei 'commsym.dll'!");
    EXPECT_EQ(ui.messages[1].text, kRestoreIncomplete + parked + " -> " + System("gutil.dll"));
    const std::vector<std::string> log = LogSince(mark);
    EXPECT_TRUE(Has(log, parked + " -> " + System("gutil.dll")));
    EXPECT_EQ(log.back(), kAsterisks);
    EXPECT_EQ(ReadFileBytes(parked), "gutil.dll of CoDeSys 2.3.9.5");
    EXPECT_EQ(GetProductVersionText(kMain + "\\CoDeSys.exe"), "2.3.9.5");
}
