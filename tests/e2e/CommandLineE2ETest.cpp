#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include "app/ConsoleFront.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "resource.h"
#include "steps/Environment.h"
#include "steps/Journal.h"
#include "steps/RunningPrograms.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/e2e/JsonReader.h"
#include "tests/e2e/JsonSchema.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

// The demo world as a switch leaves it for good, with a recording regsvr32, every CoDeSys version's
// gateway backup folder, a fresh log and no journal; all put back afterwards.
struct Scene {
    Scene()
    {
        world::ApplyLastingSwitchEffects();
        for (const char* version : {"2.3.9.5", "2.3.8.1", "2.3.7.0"})
            CreateDirectoryA((ProductSystemDirectory() + "CoDeSys " + version).c_str(), nullptr);
    }
    SavedSystemPath path;
    ScopedDemoWorld world;
    ScratchLogFolder log;
    ScratchJournal journal;
    RecordingRegsvr32 regsvr32;
};

// What a switch left: the world, the activity log and the registrations.
struct SwitchResult {
    world::Snapshot world;
    std::vector<std::string> log;
    std::vector<std::string> registered;
};

// The steps a preview printed ("  1. <step>") or a switch announced ("Schritt 1 von 9: <step>").
std::vector<std::string> PreviewSteps(const std::string& out)
{
    std::vector<std::string> steps;
    for (const std::string& line : Lines(out)) {
        const size_t dot = line.find(". ");
        if (line.compare(0, 2, "  ") == 0 && dot != std::string::npos)
            steps.push_back(line.substr(dot + 2));
    }
    return steps;
}

std::vector<std::string> AnnouncedSteps(const std::string& out)
{
    std::vector<std::string> steps;
    for (const std::string& line : Lines(out)) {
        if (line.compare(0, 8, "Schritt ") == 0)
            steps.push_back(line.substr(line.find(": ") + 2));
    }
    return steps;
}

// Previews the change, checks that it changed nothing, makes it and checks that the preview named
// its steps; what the change left. `firstLine`: the first log line of the change itself.
SwitchResult PreviewAndSwitch(Scene& scene, const std::string& command, const std::string& firstLine)
{
    const world::Snapshot before = world::Snapshot::Take();
    const CommandRun preview = RunFlipdeckCommand(command + " /preview");
    EXPECT_EQ(preview.exitCode, 0u) << preview.error;
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    const size_t previewLines = scene.log.Messages().size();

    const CommandRun run = RunFlipdeckCommand(command);
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    EXPECT_EQ(run.error, "");
    EXPECT_FALSE(PreviewSteps(preview.out).empty());
    EXPECT_EQ(PreviewSteps(preview.out), AnnouncedSteps(run.out));
    EXPECT_EQ(Lines(run.out).back(), "Der Wechsel war erfolgreich!");

    // The log of the switch: the dialog's lines, after one naming the command just before the switch's own.
    std::vector<std::string> log = scene.log.Messages();
    log.erase(log.begin(), log.begin() + static_cast<long>(previewLines));
    const auto named = std::find(log.begin(), log.end(), "Command line: " + command);
    EXPECT_NE(named, log.end());
    if (named != log.end()) {
        EXPECT_EQ(*std::next(named), firstLine);
        log.erase(named);
    }
    return {world::Snapshot::Take(), log, scene.regsvr32.CommandLines()};
}

// The switch made in the dialog on a fresh world: row `row` of `list`, the change button of
// `header`, the success box answered; the CoDeSys list's change leaves the dialog open, so OK closes it.
SwitchResult DialogSwitch(int list, int header, int row)
{
    Scene scene;
    FlipdeckProcess flipdeck;
    EXPECT_NE(flipdeck.WaitForMainWindow(), nullptr);
    flipdeck.SelectRows(list, {row});
    flipdeck.Click(ID_CMD_CHANGE, header);
    FlipdeckProcess::Answer(flipdeck.WaitForMessageBox(60), IDOK);
    if (header == IDC_CODESYS_HEADER)
        flipdeck.Click(IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    return {world::Snapshot::Take(), scene.log.Messages(), scene.regsvr32.CommandLines()};
}

void ExpectSameSwitch(const SwitchResult& dialog, const SwitchResult& command)
{
    EXPECT_EQ(dialog.world.Differences(command.world), "");
    EXPECT_EQ(dialog.log, command.log);
    EXPECT_EQ(dialog.registered, command.registered);
}

std::string Text(const JsonValue& value) { return AnsiFromUtf8(value.text); }

// The document a command printed, after checking that it is one, that "schemaVersion" is its first
// member and that it follows the schema of the output, as read from the source tree.
JsonValue SchemaValidDocument(const std::string& out)
{
    static const JsonSchema schema = LoadJsonSchema(FLIPDECK_OUTPUT_SCHEMA);
    const JsonValue document = ParseJson(out);
    EXPECT_TRUE(!document.members.empty() && document.members.front().first == "schemaVersion") << out;
    for (const std::string& problem : schema.Problems(document))
        ADD_FAILURE() << problem;
    return document;
}

}  // namespace

TEST(CommandLineE2E, ListsBothCataloguesAsTextAndAsOneJsonDocument)
{
    Scene scene;
    // A name with everything a JSON string must escape, and an umlaut.
    const std::string odd = "MDN 3.0.2.7 \"Pr\xFC" "fstand\"\t\\ \x01";
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name3", odd));

    const CommandRun text = RunFlipdeckCommand("/list");
    EXPECT_EQ(text.exitCode, 0u);
    EXPECT_EQ(text.error, "");
    EXPECT_NE(text.out.find("Pr\xC3\xBC" "fstand"), std::string::npos);  // UTF-8 in a file
    const std::vector<std::string> lines = Lines(text.out);
    const std::vector<std::string> suite(lines.begin(), lines.begin() + 13);
    EXPECT_EQ(suite, (std::vector<std::string>{"Kalvio-Versionen (aktiv: Kalvio 2.14.0.310):", "* Kalvio 2.14.0.310",
                                               "      Umbenennungspfad: C:\\Brivane V2.14.0.310",
                                               "      Programmpfad: C:\\Brivane", "      Version: 2.14.0.310",
                                               "  Kalvio 2.15.1.20", "      Umbenennungspfad: C:\\Brivane V2.15.1.20",
                                               "      Programmpfad: C:\\Brivane", "      Version: 2.15.1.20", "  " + odd,
                                               "      Umbenennungspfad: C:\\MERIDAN V3.0.2.7",
                                               "      Programmpfad: C:\\MERIDAN", "      Version: 3.0.2.7"}));
    EXPECT_EQ(lines.at(14), "CoDeSys-Versionen (aktiv: CoDeSys 2.3.9.5):");

    const CommandRun json = RunFlipdeckCommand("/LIST /json");
    EXPECT_EQ(json.exitCode, 0u);
    const JsonValue document = SchemaValidDocument(json.out);
    const JsonValue& versions = document["suite"]["versions"];
    EXPECT_EQ(Text(document["suite"]["current"]), "Kalvio 2.14.0.310");
    ASSERT_EQ(versions.items.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const world::SuiteVersion& expected = world::SuiteVersions()[i];
        SCOPED_TRACE(expected.name);
        EXPECT_EQ(Text(versions[i]["name"]), i == 2 ? odd : expected.name);
        EXPECT_EQ(Text(versions[i]["renamePath"]), expected.renamePath);
        EXPECT_EQ(Text(versions[i]["programPath"]), expected.programPath);
        EXPECT_EQ(Text(versions[i]["version"]), expected.version);
        EXPECT_EQ(versions[i]["current"].boolean, i == 0);
    }
    const JsonValue& codesys = document["codesys"];
    EXPECT_EQ(Text(codesys["current"]), "CoDeSys 2.3.9.5");
    ASSERT_EQ(codesys["versions"].items.size(), 3u);
    const std::string root = world::kCodesysRoot;
    const struct {
        const char* name;
        std::string renamePath;
        std::string programPath;
    } expected[] = {{"CoDeSys 2.3.9.5", root + "\\CoDeSys V2.3 2.3.9.5", root + "\\CoDeSys V2.3"},
                    {"CoDeSys 2.3.8.1", root + "\\CoDeSys V2.3 2.3.8.1", root + "\\CoDeSys V2.3"},
                    {"CoDeSys 2.3.7.0", root + " 2.3.7.0", root}};
    for (size_t i = 0; i < 3; ++i) {
        const JsonValue& version = codesys["versions"][i];
        EXPECT_EQ(Text(version["name"]), expected[i].name);
        EXPECT_EQ(Text(version["renamePath"]), expected[i].renamePath);
        EXPECT_EQ(Text(version["programPath"]), expected[i].programPath);
        EXPECT_EQ(version["current"].boolean, i == 0);
    }
}

TEST(CommandLineE2E, SuiteSwitchMakesTheDialogsChangesAfterAPreviewOfThem)
{
    const SwitchResult dialog = DialogSwitch(IDC_KALVIO_LIST, IDC_KALVIO_HEADER, 1);
    Scene scene;
    ExpectSameSwitch(dialog, PreviewAndSwitch(scene, "/switch \"kalvio 2.15.1.20\"", std::string(66, '*')));
}

TEST(CommandLineE2E, CodesysSwitchMakesTheDialogsChangesAfterAPreviewOfThem)
{
    const SwitchResult dialog = DialogSwitch(IDC_CODESYS_LIST, IDC_CODESYS_HEADER, 3);
    Scene scene;
    ExpectSameSwitch(dialog, PreviewAndSwitch(scene, "/codesys \"CODESYS 2.3.7.0\"", "SaveAllCs"));

    // The neutral entry is a name like any other.
    const CommandRun neutral = RunFlipdeckCommand("/codesys \"<neu>\" /preview");
    EXPECT_EQ(neutral.exitCode, 0u);
    EXPECT_EQ(Lines(neutral.out).at(0), "Der Wechsel von CoDeSys 2.3.7.0 zu <neu> macht diese Schritte:");
}

TEST(CommandLineE2E, EachWayAChangeStopsHasItsExitCodeAndChangesNothing)
{
    Scene scene;
    const world::Snapshot before = world::Snapshot::Take();

    CommandRun run = RunFlipdeckCommand("/switch \"Kalvio 9.9.9.9\"");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(AnsiFromUtf8(run.error), "Der Katalog der Kalvio-Versionen enth\xE4lt keine Version namens 'Kalvio 9.9.9.9'.\r\n");
    EXPECT_EQ(RunFlipdeckCommand("/codesys \"CoDeSys 9.9\"").exitCode, 2u);

    // Already active, named in another letter case: a refusal, on standard error.
    run = RunFlipdeckCommand("/switch \"KALVIO 2.14.0.310\"");
    EXPECT_EQ(run.exitCode, 3u);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.error, "Diese Version ist bereits aktiv!\r\n");
    EXPECT_EQ(RunFlipdeckCommand("/codesys \"codesys 2.3.9.5\" /preview").exitCode, 3u);

    {
        // A program of the suite runs: it is listed, the command stops and never ends it.
        ScratchDir dir;
        RunningStandIn kondex(dir / "Kondex.exe");
        run = RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"");
        EXPECT_EQ(run.exitCode, 4u);
        EXPECT_NE(run.error.find("\tKondex.exe\r\n"), std::string::npos) << run.error;
        EXPECT_TRUE(IsProcessRunning("Kondex.exe"));
    }

    // Planned before anything moves: the live version's rename path is taken.
    ASSERT_TRUE(CreateDirectoryA("C:\\Brivane V2.14.0.310", nullptr));
    run = RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"");
    EXPECT_EQ(run.exitCode, 5u);
    EXPECT_NE(run.error, "");
    RemoveDirectoryA("C:\\Brivane V2.14.0.310");

    // A gateway file of the incoming CoDeSys version is missing: its move fails while the change
    // runs, and everything moved before it is put back.
    const std::string gateway = ProductSystemDirectory() + "CoDeSys 2.3.7.0\\gateway.exe";
    ScratchDir aside;
    ASSERT_TRUE(MoveFileA(gateway.c_str(), (aside / "gateway.exe").c_str()));
    run = RunFlipdeckCommand("/codesys \"CoDeSys 2.3.7.0\"");
    EXPECT_EQ(run.exitCode, 6u);
    EXPECT_NE(run.error.find("gateway.exe"), std::string::npos) << run.error;
    ASSERT_TRUE(MoveFileA((aside / "gateway.exe").c_str(), gateway.c_str()));

    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST(CommandLineE2E, AnUnfinishedSwitchIsReportedAtStartAndRecoveredOnCommand)
{
    Scene scene;
    const world::Snapshot before = world::Snapshot::Take();
    EXPECT_EQ(Lines(RunFlipdeckCommand("/recover").out).at(0),
              "Es gibt keinen unterbrochenen Wechsel, der r\xFC" "ckg\xE4ngig zu machen w\xE4re.");

    // A damaged journal: every switch is refused until somebody has looked at it.
    WriteFileBytes(JournalPath(), "FLIPDECK-JOURNAL\tgarbled");
    CommandRun run = RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"");
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_NE(AnsiFromUtf8(run.error).find("ist nicht lesbar"), std::string::npos) << run.error;
    EXPECT_NE(AnsiFromUtf8(run.error).find("noch nicht bereinigt"), std::string::npos) << run.error;
    EXPECT_EQ(RunFlipdeckCommand("/recover").exitCode, 7u);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    DeleteFileA(JournalPath().c_str());

    // A switch that made its first folder move.
    const auto firstMove = [] {
        ASSERT_TRUE(DieAfterFirstFolderMove("Kalvio 2.14.0.310", "Kalvio 2.15.1.20", "C:\\Brivane V2.14.0.310"));
    };
    {
        // Its process, this test, still runs: the switch may still be making steps, and nothing is undone.
        SeamOverride<ProcessIdentity()> live(seams::JournalWriterProcess, CurrentProcessIdentity);
        firstMove();
    }
    const world::Snapshot midway = world::Snapshot::Take();
    const std::string journal = ReadFileBytes(JournalPath());
    run = RunFlipdeckCommand("/recover");
    EXPECT_EQ(run.exitCode, 7u);
    EXPECT_NE(AnsiFromUtf8(run.error).find("Ein Versionswechsel l\xE4uft noch: Prozess " + std::to_string(GetCurrentProcessId())),
              std::string::npos)
        << run.error;
    EXPECT_EQ(ReadFileBytes(JournalPath()), journal);
    EXPECT_EQ(midway.Differences(world::Snapshot::Take()), "");
    DeleteFileA(JournalPath().c_str());
    ASSERT_TRUE(MoveFileA("C:\\Brivane V2.14.0.310", "C:\\Brivane"));

    // Its process died: the next start puts the folder back.
    firstMove();
    run = RunFlipdeckCommand("/recover");
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    EXPECT_NE(AnsiFromUtf8(run.out).find("wurde wiederhergestellt"), std::string::npos) << run.out;
    EXPECT_FALSE(JournalExists());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST(CommandLineE2E, AJsonListingIsOneDocumentWhateverTheStartUpHasToSay)
{
    struct Start {
        const char* world;
        std::function<void()> make;
        std::string message;  // the start of what the start-up says
    };
    const std::vector<Start> starts = {
        {"an interrupted switch",
         [] { ASSERT_TRUE(DieAfterFirstFolderMove("Kalvio 2.14.0.310", "Kalvio 2.15.1.20", "C:\\Brivane V2.14.0.310")); },
         "Ein Versionswechsel von Kalvio 2.14.0.310 nach Kalvio 2.15.1.20 wurde unterbrochen."},
        {"no version entries", [] { DeleteRegistryTree(HKEY_CURRENT_USER, kSuiteCatalogueKey); },
         LoadLocalizedString(IDS_NO_VERSION_ENTRIES)},
        {"a current name that matches no entry",
         [] { WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "Kalvio 9.9.9.9"); },
         LoadLocalizedString(IDS_NO_CURRENT_VERSION)},
        {"a further copy of a parked CoDeSys version, installed while no catalogued version was live",
         [] {
             const CommandRun neutral = RunFlipdeckCommand("/codesys " + NeutralCodesysName());
             ASSERT_EQ(neutral.exitCode, 0u) << neutral.error;
             world::InstallCodesys(BinDir() + "\\standins", "2.3.9.5");
         },
         LoadLocalizedString(IDS_NEW_CODESYS_FOUND)},
    };
    for (const Start& start : starts) {
        SCOPED_TRACE(start.world);
        Scene scene;
        start.make();
        const CommandRun run = RunFlipdeckCommand("/list /json");
        EXPECT_EQ(run.exitCode, 0u) << run.error;
        EXPECT_NO_THROW(ParseJson(run.out)) << run.out;
        // The message is on standard error, as the README says, and nowhere in the document.
        EXPECT_NE(AnsiFromUtf8(run.error).find(start.message), std::string::npos) << run.error;
        EXPECT_EQ(AnsiFromUtf8(run.out).find(start.message), std::string::npos) << run.out;
    }
}

TEST(CommandLineE2E, RunAsTheSystemAccountWorksWithTheCatalogueOfAUsersHive)
{
    Scene scene;
    // The catalogue lives only in another user's hive, as it does for a deployment tool's run.
    const ScratchKey user(HKEY_USERS, "S-1-5-21-1004336348-1177238915-682003330-1001");
    RegistryTree catalogue;
    ASSERT_EQ(CaptureRegistryTree(HKEY_CURRENT_USER, kSuiteCatalogueKey, catalogue), ERROR_SUCCESS);
    ASSERT_EQ(WriteRegistryTree(HKEY_USERS, user / kSuiteCatalogueKey, catalogue), ERROR_SUCCESS);
    ASSERT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, kSuiteCatalogueKey), ERROR_SUCCESS);

    // That user's documents folder, under a profile of its own; the log goes there.
    ScratchDir profile;
    const std::string sid = user.Path();
    const ScratchKey profiles(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid);
    ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, profiles.Path(), "ProfileImagePath", profile.Path()));
    ASSERT_TRUE(WriteRegExpandString(HKEY_USERS, user / "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                     "Personal", "%USERPROFILE%\\Documents"));
    MakeDirs(profile / "Documents\\Brivane");

    const CommandRun run = RunFlipdeckCommand("/list /json");
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    const JsonValue document = ParseJson(run.out);
    EXPECT_EQ(Text(document["suite"]["current"]), "Kalvio 2.14.0.310");
    ASSERT_EQ(document["suite"]["versions"].items.size(), 3u);
    EXPECT_EQ(Text(document["suite"]["versions"][1]["name"]), "Kalvio 2.15.1.20");
    EXPECT_EQ(Text(document["codesys"]["current"]), "CoDeSys 2.3.9.5");
    // What the start-up writes went to that user, not to the current one.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSuiteCatalogueKey));
    EXPECT_TRUE(scene.log.Messages().empty());
    const std::string log = ReadFileBytes(profile / "Documents\\Brivane\\flipdeck.log");
    EXPECT_NE(log.find("Command line: /list /json (user hive HKEY_USERS\\" + sid + ")"), std::string::npos) << log;
}

TEST(CommandLineE2E, BadArgumentsGiveTheUsageErrorAndChangeNothing)
{
    Scene scene;
    const world::Snapshot before = world::Snapshot::Take();
    for (const std::string& arguments : {std::string("/frobnicate"), std::string("/switch"),
                                         std::string("/switch Kal\"vio 2.15.1.20\""), "/switch " + std::string(32000, 'K')}) {
        SCOPED_TRACE(arguments.substr(0, 40));
        const CommandRun run = RunFlipdeckCommand(arguments);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.error.find("Aufruf: Flipdeck.exe [Befehl]"), std::string::npos);
    }
    EXPECT_TRUE(scene.log.Messages().empty());  // not even started
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    // The usage, in the language Flipdeck chose.
    CommandRun run = RunFlipdeckCommand("/?");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(Lines(run.out).at(0), "Aufruf: Flipdeck.exe [Befehl]");
    WriteRegString(HKEY_CURRENT_USER, "SOFTWARE\\Brivane\\Kalvio", "sLanguage", "ENG");
    run = RunFlipdeckCommand("/?");
    EXPECT_EQ(Lines(run.out).at(0), "Usage: Flipdeck.exe [command]");
    EXPECT_NE(run.out.find("  7  a hand is needed"), std::string::npos);
}

TEST(CommandLineE2E, StartUpGuardsAndTheStartCommandHaveTheirCodes)
{
    Scene scene;
    CommandRun run;
    {
        // Another Flipdeck holds the single-instance mutex.
        UniqueHandle other(CreateMutexA(nullptr, TRUE, "Global\\FLIPDECKMUTEX"));
        run = RunFlipdeckCommand("/list");
        EXPECT_EQ(run.exitCode, 8u);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(AnsiFromUtf8(run.error).find("Flipdeck l\xE4uft bereits."), std::string::npos);
    }
    // The live version's workbench is started; without it, the start fails.
    StandInCalls calls;
    run = RunFlipdeckCommand("/start");
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    EXPECT_TRUE(calls.WaitFor("C:\\Brivane\\Kalvio\\workbench.exe"));
    ASSERT_TRUE(MoveFileA("C:\\Brivane\\Kalvio\\workbench.exe", "C:\\Brivane\\Kalvio\\workbench.old"));
    run = RunFlipdeckCommand("/start");
    EXPECT_EQ(run.exitCode, 10u);
    EXPECT_NE(run.error.find("Die aktive Version konnte nicht gestartet werden:"), std::string::npos) << run.error;
    ASSERT_TRUE(MoveFileA("C:\\Brivane\\Kalvio\\workbench.old", "C:\\Brivane\\Kalvio\\workbench.exe"));

    // Without administrator rights (no installation value can be written back) nothing starts.
    const size_t logged = scene.log.Messages().size();
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path");
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path");
    run = RunFlipdeckCommand("/list");
    EXPECT_EQ(run.exitCode, 9u);
    EXPECT_EQ(AnsiFromUtf8(run.error), "Bitte f\xFChren Sie das Programm als Administrator aus!\r\n");
    EXPECT_EQ(scene.log.Messages().size(), logged);
}

TEST(CommandLineE2E, ASwitchFromTheCommandLineNeverStartsTheWorkbench)
{
    Scene scene;
    for (const char* catalogue : {kSuiteCatalogueKey, kMeridanCatalogueKey})
        ASSERT_TRUE(WriteRegByte(HKEY_CURRENT_USER, catalogue, "AutoStart", 1));
    StandInCalls calls;
    const CommandRun run = RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"");
    EXPECT_EQ(run.exitCode, 0u) << run.error;
    EXPECT_EQ(Lines(run.out).back(), "Der Wechsel war erfolgreich!");
    for (const std::string& call : calls.Lines())
        EXPECT_EQ(call.find("workbench.exe"), std::string::npos) << call;
    BYTE autoStart = 0;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kSuiteCatalogueKey, "AutoStart", autoStart));
    EXPECT_EQ(autoStart, 1);
}

// Flipdeck.com, the console front: a command typed in cmd or PowerShell ends as Flipdeck.exe's.

namespace {

std::string FrontPath() { return BinDir() + "\\Flipdeck.com"; }

// The command through Flipdeck.exe and through Flipdeck.com: the same exit code, the same bytes on
// standard output and on standard error.
void ExpectFrontRunsAsFlipdeck(const std::string& arguments, DWORD expectedCode)
{
    SCOPED_TRACE(arguments.substr(0, 60));
    const CommandRun program = RunFlipdeckCommand(arguments);
    const CommandRun front = RunProgram(FrontPath(), arguments);
    EXPECT_EQ(program.exitCode, expectedCode) << program.error;
    EXPECT_EQ(front.exitCode, program.exitCode);
    EXPECT_EQ(front.out, program.out);
    EXPECT_EQ(front.error, program.error);
}

// What Flipdeck.com writes to a pipe, both standard handles on it, as a PowerShell pipeline reads it.
CommandRun RunFrontThroughPipe(const std::string& arguments)
{
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
        throw std::runtime_error("CreatePipe failed");
    UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    UniqueHandle process = StartWithOutput(FrontPath(), arguments, writer.get(), writer.get());
    writer.reset();  // the pipe ends when Flipdeck.com and Flipdeck.exe have let go of it
    CommandRun run;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        run.out.append(buffer, read);
    WaitForSingleObject(process.get(), 60000);
    GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

// Standard error of this process goes to a file while the object lives.
class RedirectedStandardError {
public:
    RedirectedStandardError()
        : file_(CreateFileA((dir_ / "error.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0,
                            nullptr)),
          saved_(GetStdHandle(STD_ERROR_HANDLE))
    {
        SetStdHandle(STD_ERROR_HANDLE, file_.get());
    }
    ~RedirectedStandardError() { SetStdHandle(STD_ERROR_HANDLE, saved_); }
    RedirectedStandardError(const RedirectedStandardError&) = delete;
    RedirectedStandardError& operator=(const RedirectedStandardError&) = delete;

    std::string Text() const { return ReadFileBytes(dir_ / "error.txt"); }

private:
    ScratchDir dir_;
    UniqueFileHandle file_;
    HANDLE saved_;
};

}  // namespace

TEST(ConsoleFrontE2E, EveryCommandEndsWithFlipdeckExesCodeAndOutput)
{
    Scene scene;
    const world::Snapshot before = world::Snapshot::Take();
    ExpectFrontRunsAsFlipdeck("/list", 0);
    ExpectFrontRunsAsFlipdeck("/LIST /json", 0);
    ExpectFrontRunsAsFlipdeck("/?", 0);
    ExpectFrontRunsAsFlipdeck("/switch \"Kalvio 2.15.1.20\" /preview", 0);
    ExpectFrontRunsAsFlipdeck("/codesys \"<neu>\" /preview", 0);
    ExpectFrontRunsAsFlipdeck("/recover", 0);
    ExpectFrontRunsAsFlipdeck("/frobnicate", 1);
    ExpectFrontRunsAsFlipdeck("/switch Kal\"vio 2.15.1.20\"", 1);
    ExpectFrontRunsAsFlipdeck("/switch \t \"Kalvio 9.9.9.9\"", 2);
    ExpectFrontRunsAsFlipdeck("/switch \"KALVIO 2.14.0.310\"", 3);
    {
        ScratchDir dir;
        RunningStandIn kondex(dir / "Kondex.exe");
        ExpectFrontRunsAsFlipdeck("/switch \"Kalvio 2.15.1.20\"", 4);
    }
    ASSERT_TRUE(CreateDirectoryA("C:\\Brivane V2.14.0.310", nullptr));
    ExpectFrontRunsAsFlipdeck("/switch \"Kalvio 2.15.1.20\"", 5);
    RemoveDirectoryA("C:\\Brivane V2.14.0.310");
    const std::string gateway = ProductSystemDirectory() + "CoDeSys 2.3.7.0\\gateway.exe";
    ScratchDir aside;
    ASSERT_TRUE(MoveFileA(gateway.c_str(), (aside / "gateway.exe").c_str()));
    ExpectFrontRunsAsFlipdeck("/codesys \"CoDeSys 2.3.7.0\"", 6);
    ASSERT_TRUE(MoveFileA((aside / "gateway.exe").c_str(), gateway.c_str()));
    WriteFileBytes(JournalPath(), "FLIPDECK-JOURNAL\tgarbled");
    ExpectFrontRunsAsFlipdeck("/switch \"Kalvio 2.15.1.20\"", 7);
    DeleteFileA(JournalPath().c_str());
    {
        UniqueHandle other(CreateMutexA(nullptr, TRUE, "Global\\FLIPDECKMUTEX"));
        ExpectFrontRunsAsFlipdeck("/list", 8);
    }
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    StandInCalls calls;
    ExpectFrontRunsAsFlipdeck("/start", 0);
    ASSERT_TRUE(MoveFileA("C:\\Brivane\\Kalvio\\workbench.exe", "C:\\Brivane\\Kalvio\\workbench.old"));
    ExpectFrontRunsAsFlipdeck("/start", 10);
    ASSERT_TRUE(MoveFileA("C:\\Brivane\\Kalvio\\workbench.old", "C:\\Brivane\\Kalvio\\workbench.exe"));

    // Flipdeck.exe's own check of administrator rights refuses: its message and code come through.
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path");
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path");
    ExpectFrontRunsAsFlipdeck("/list", 9);
}

TEST(ConsoleFrontE2E, ASwitchMakesItsStepsAndItsOutputReachesAPipe)
{
    Scene scene;
    const CommandRun preview = RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\" /preview");
    const CommandRun listed = RunFlipdeckCommand("/list");
    const CommandRun piped = RunFrontThroughPipe("/list");
    EXPECT_EQ(piped.exitCode, 0u);
    EXPECT_EQ(piped.out, listed.out);

    const CommandRun run = RunFrontThroughPipe("/switch \"Kalvio 2.15.1.20\"");
    EXPECT_EQ(run.exitCode, 0u) << run.out;
    EXPECT_FALSE(PreviewSteps(preview.out).empty());
    EXPECT_EQ(PreviewSteps(preview.out), AnnouncedSteps(run.out));
    EXPECT_EQ(Lines(run.out).back(), "Der Wechsel war erfolgreich!");
    EXPECT_EQ(Text(ParseJson(RunProgram(FrontPath(), "/list /json").out)["suite"]["current"]), "Kalvio 2.15.1.20");
}

TEST(ConsoleFrontE2E, WithoutFlipdeckExeBesideItSaysSoAndEndsWithItsOwnCode)
{
    ScratchDir alone;
    ASSERT_TRUE(CopyFileA(FrontPath().c_str(), (alone / "Flipdeck.com").c_str(), FALSE));
    const CommandRun run = RunProgram(alone / "Flipdeck.com", "/list");
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(kFrontNotStarted));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Lines(run.error).at(0), "Flipdeck.exe konnte nicht gestartet werden: " + (alone / "Flipdeck.exe")) << run.error;
}

// Windows answers ERROR_ELEVATION_REQUIRED when a user without administrator rights starts a
// program that asks for them; Wine runs everything as an administrator, so the seam answers it.
TEST(ConsoleFront, WithoutAdministratorRightsItRefusesInTheUsersLanguageBeforeStartingAnything)
{
    Scene scene;
    std::vector<std::wstring> started;
    SeamOverride<DWORD(const std::wstring&, std::wstring&, STARTUPINFOW&, PROCESS_INFORMATION&)> refused(
        seams::StartFlipdeck, [&](const std::wstring& program, std::wstring& commandLine, STARTUPINFOW&, PROCESS_INFORMATION&) {
            started = {program, commandLine};
            return kElevationRequired;
        });
    for (const auto& [language, text] : {std::pair<std::string, std::string>{"DEU", "Bitte f\xFChren Sie das Programm als Administrator aus!"},
                                         {"ENG", "Please run the program as administrator!"}}) {
        SCOPED_TRACE(language);
        WriteRegString(HKEY_CURRENT_USER, "SOFTWARE\\Brivane\\Kalvio", "sLanguage", language);
        RedirectedStandardError error;
        EXPECT_EQ(RunConsoleFront(L"flipdeck  /switch \"Kalvio 2.15.1.20\""), 9);
        SetResourceModule(nullptr);
        EXPECT_EQ(AnsiFromUtf8(error.Text()), text + "\r\n");
    }
    // Flipdeck.exe from the front's own folder, by its full path, with the arguments as they were typed.
    const std::wstring program = ToWide(BinDir() + "\\Flipdeck.exe");
    EXPECT_EQ(started, (std::vector<std::wstring>{program, L"\"" + program + L"\"  /switch \"Kalvio 2.15.1.20\""}));
    EXPECT_TRUE(scene.log.Messages().empty());
}

TEST(CommandLineE2E, VerifyAnswersZeroOnAWholeWorldAndElevenWithTheFindingsOfABrokenOne)
{
    Scene scene;
    // A switch to the live version put its bin folder on the PATH.
    ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\Brivane\\bin;C:\\windows"));
    const world::Snapshot whole = world::Snapshot::Take();
    const CommandRun clean = RunFlipdeckCommand("/verify /json");
    EXPECT_EQ(clean.exitCode, 0u) << clean.out;
    const JsonValue none = SchemaValidDocument(clean.out);
    EXPECT_EQ(none["schemaVersion"].number, 1);
    EXPECT_TRUE(none["findings"].items.empty());
    const CommandRun cleanText = RunFlipdeckCommand("/verify");
    EXPECT_EQ(cleanText.exitCode, 0u);
    EXPECT_EQ(Lines(cleanText.out).at(0), "Keine Abweichungen: die Kataloge stimmen mit dem Rechner \xFC" "berein.");
    EXPECT_EQ(whole.Differences(world::Snapshot::Take()), "");

    // A technician uninstalled the parked MERIDAN version: its folder is gone.
    test::RemoveTree("C:\\MERIDAN V3.0.2.7");
    const world::Snapshot broken = world::Snapshot::Take();
    const CommandRun found = RunFlipdeckCommand("/verify /json");
    EXPECT_EQ(found.exitCode, 11u);
    const JsonValue document = SchemaValidDocument(found.out);
    EXPECT_EQ(document["schemaVersion"].number, 1);
    ASSERT_EQ(document["findings"].items.size(), 1u);
    const JsonValue& finding = document["findings"][0];
    EXPECT_EQ(Text(finding["code"]), "suite-folder-missing");
    EXPECT_EQ(Text(finding["product"]), "suite");
    EXPECT_EQ(Text(finding["entry"]), "MDN 3.0.2.7");
    EXPECT_EQ(Text(finding["place"]), "C:\\MERIDAN V3.0.2.7");
    EXPECT_EQ(Text(finding["message"]), "MDN 3.0.2.7 liegt weder aktiv unter C:\\MERIDAN noch geparkt unter C:\\MERIDAN "
                                        "V3.0.2.7: legen Sie den Ordner an einen der beiden Orte zur\xFC" "ck oder l\xF6sche"
                                        "n Sie den Eintrag.");

    const CommandRun text = RunFlipdeckCommand("/verify");
    EXPECT_EQ(text.exitCode, 11u);
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Abweichungen zwischen den Katalogen und dem Rechner: 1");
    EXPECT_EQ(lines[2], "suite-folder-missing (suite, MDN 3.0.2.7)");
    EXPECT_EQ(lines[3], "      C:\\MERIDAN V3.0.2.7");
    EXPECT_EQ(broken.Differences(world::Snapshot::Take()), "");
    const std::vector<std::string> log = scene.log.Messages();
    EXPECT_NE(std::find(log.begin(), log.end(), "Command line: /verify"), log.end());
}

TEST(CommandLineE2E, EveryJsonDocumentFollowsTheOutputSchema)
{
    // Every command that prints a JSON document, on a world where it has something to say, and the
    // exit code it ends with.
    const struct {
        const char* arguments;
        std::function<void()> make;
        DWORD exitCode;
    } commands[] = {
        {"/list /json", [] {}, 0},
        {"/verify /json", [] { WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\Brivane\\bin;C:\\windows"); }, 0},
        {"/verify /json", [] { test::RemoveTree("C:\\MERIDAN V3.0.2.7"); }, 11},
        {"/switch \"Kalvio 2.15.1.20\" /preview /json", [] {}, 0},
        {"/codesys \"CoDeSys 2.3.7.0\" /preview /json", [] {}, 0},
        {"/codesys \"<neu>\" /json /preview", [] {}, 0},
        {"/history /json", [] { ASSERT_EQ(RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"").exitCode, 0u); }, 0},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.arguments);
        Scene scene;
        command.make();
        const CommandRun run = RunFlipdeckCommand(command.arguments);
        EXPECT_EQ(run.exitCode, command.exitCode) << run.error;
        SchemaValidDocument(run.out);
    }
}

TEST(CommandLineE2E, APreviewAsJsonNamesTheStepsOfTheTextWithTheirKindsAndPlaces)
{
    Scene scene;
    const world::Snapshot before = world::Snapshot::Take();
    const struct {
        std::string command;
        const char* product;
        const char* from;
        const char* to;
    } previews[] = {
        {"/switch \"kalvio 2.15.1.20\" /preview", "suite", "Kalvio 2.14.0.310", "Kalvio 2.15.1.20"},
        {"/codesys \"CoDeSys 2.3.7.0\" /preview", "codesys", "CoDeSys 2.3.9.5", "CoDeSys 2.3.7.0"},
    };
    for (const auto& preview : previews) {
        SCOPED_TRACE(preview.command);
        const CommandRun text = RunFlipdeckCommand(preview.command);
        const CommandRun json = RunFlipdeckCommand(preview.command + " /json");
        EXPECT_EQ(json.exitCode, 0u) << json.error;
        EXPECT_EQ(json.error, "");
        const JsonValue document = SchemaValidDocument(json.out);
        EXPECT_EQ(Text(document["product"]), preview.product);
        EXPECT_EQ(Text(document["from"]), preview.from);
        EXPECT_EQ(Text(document["to"]), preview.to);
        std::vector<std::string> descriptions;
        std::set<std::string> kinds;
        for (const JsonValue& step : document["steps"].items) {
            descriptions.push_back(Text(step["description"]));
            kinds.insert(step["kind"].text);
            // A registry key is named with its root, as the description names it.
            if (step["kind"].text == "moveTree" || step["kind"].text == "createKey") {
                EXPECT_EQ(Text(step["source"]).compare(0, 5, "HKEY_"), 0) << Text(step["source"]);
                EXPECT_NE(descriptions.back().find(Text(step["source"])), std::string::npos) << descriptions.back();
            }
        }
        EXPECT_EQ(descriptions, PreviewSteps(text.out));
        EXPECT_EQ(kinds.count("moveFolder"), 1u);
    }
    // The suite's first move parks the live version's folder.
    const JsonValue suite = ParseJson(RunFlipdeckCommand(previews[0].command + " /json").out);
    const auto& steps = suite["steps"].items;
    const auto move = std::find_if(steps.begin(), steps.end(), [](const JsonValue& step) { return step["kind"].text == "moveFolder"; });
    ASSERT_NE(move, steps.end());
    EXPECT_EQ(Text((*move)["source"]), "C:\\Brivane");
    EXPECT_EQ(Text((*move)["target"]), "C:\\Brivane V2.14.0.310");

    // Refused: standard output stays empty, the reason is on standard error.
    const CommandRun active = RunFlipdeckCommand("/switch \"Kalvio 2.14.0.310\" /preview /json");
    EXPECT_EQ(active.exitCode, 3u);
    EXPECT_EQ(active.out, "");
    EXPECT_EQ(active.error, "Diese Version ist bereits aktiv!\r\n");
    EXPECT_EQ(RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\" /json").exitCode, 1u);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}
