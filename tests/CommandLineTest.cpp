#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/Startup.h"
#include "base/Account.h"
#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/Text.h"
#include "catalogue/CatalogueHive.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/SuiteCatalogue.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"
#include "cli/ConsoleUi.h"
#include "steps/History.h"
#include "steps/Journal.h"
#include "steps/JournalPlace.h"
#include "steps/RunningPrograms.h"
#include "steps/StepRunner.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

Command Parsed(const std::wstring& line)
{
    Command command;
    std::string problem;
    EXPECT_TRUE(ParseCommandLine(line, command, problem)) << problem;
    return command;
}

std::string Problem(const std::wstring& line)
{
    Command command;
    std::string problem;
    EXPECT_FALSE(ParseCommandLine(line, command, problem));
    return problem;
}

// Points this process's standard output and error at files for the life of the object.
class RedirectedOutput {
public:
    RedirectedOutput()
        : savedOut_(GetStdHandle(STD_OUTPUT_HANDLE)), savedError_(GetStdHandle(STD_ERROR_HANDLE)),
          out_(Create(dir_ / "out.txt")), error_(Create(dir_ / "error.txt"))
    {
        SetStdHandle(STD_OUTPUT_HANDLE, out_.get());
        SetStdHandle(STD_ERROR_HANDLE, error_.get());
    }
    ~RedirectedOutput()
    {
        SetStdHandle(STD_OUTPUT_HANDLE, savedOut_);
        SetStdHandle(STD_ERROR_HANDLE, savedError_);
    }
    std::string Out() const { return ReadFileBytes(dir_ / "out.txt"); }
    std::string Error() const { return ReadFileBytes(dir_ / "error.txt"); }

private:
    static HANDLE Create(const std::string& path)
    {
        return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    }
    ScratchDir dir_;
    HANDLE savedOut_;
    HANDLE savedError_;
    UniqueFileHandle out_;
    UniqueFileHandle error_;
};

// A start-up that gives the messages a real one may give before the command runs: an interrupted
// switch recovered (information) and a catalogue without entries (warning).
RunStartup StartupWithMessages()
{
    RunStartup startup;
    startup.acquireSingleInstance = [] { return true; };
    startup.prepare = [](RunState&) {};
    startup.checkAdministrator = [](RunState&) { return true; };
    startup.load = [](RunState&, UserInterface& ui, const std::string&) {
        ui.ShowMessage("Wechsel wiederhergestellt.", MB_ICONINFORMATION | MB_OK, "");
        ui.ShowMessage("Keine Versionen.", MB_ICONWARNING | MB_OK, "");
        return RecoveryReport::Result::Recovered;
    };
    startup.saveChanged = [](const RunState&, bool) {};
    return startup;
}

}  // namespace

TEST(CommandLine, AJsonListingIsAllThatReachesStandardOutput)
{
    {
        RedirectedOutput redirected;
        EXPECT_EQ(RunCommandLine(L"Flipdeck.exe /list /json", "", HiveChoice(), StartupWithMessages()), ExitCode::Done);
        const std::string out = redirected.Out();
        EXPECT_EQ(out.substr(0, 3), "{\r\n") << out;
        EXPECT_EQ(out.substr(out.size() - 3), "}\r\n") << out;
        EXPECT_EQ(redirected.Error(), "Keine Versionen.\r\nWechsel wiederhergestellt.\r\n");
    }
    // Listed as text, the recovery's news stays with the results.
    RedirectedOutput redirected;
    EXPECT_EQ(RunCommandLine(L"Flipdeck.exe /list", "", HiveChoice(), StartupWithMessages()), ExitCode::Done);
    EXPECT_EQ(redirected.Out().substr(0, 28), "Wechsel wiederhergestellt.\r\n");
    EXPECT_EQ(redirected.Error(), "Keine Versionen.\r\n");
}

TEST(CommandLine, AHistoryOthersCouldHaveWrittenIsNotShown)
{
    ScratchJournal journal;
    HistoryRecord record;
    record.product = "suite";
    record.action = "delete";
    record.outcome = "done";
    WriteHistory(record);
    {
        RedirectedOutput redirected;
        EXPECT_EQ(RunCommandLine(L"Flipdeck.exe /history /json", "", HiveChoice(), StartupWithMessages()), ExitCode::Done);
        EXPECT_NE(redirected.Out().find("\"action\": \"delete\""), std::string::npos) << redirected.Out();
    }
    SeamOverride<bool(const std::string&, std::string&, bool&)> security(
        seams::ReadPathSecurity, [](const std::string&, std::string& sddl, bool& reparsePoint) {
            sddl = "O:BUD:(A;;FA;;;BU)";
            reparsePoint = false;
            return true;
        });
    RedirectedOutput redirected;
    EXPECT_EQ(RunCommandLine(L"Flipdeck.exe /history", "", HiveChoice(), StartupWithMessages()), ExitCode::Refused);
    EXPECT_EQ(redirected.Out(), "Wechsel wiederhergestellt.\r\n");  // the start-up's news, and no record
    EXPECT_NE(redirected.Error().find("Die Chronik wird nicht angezeigt"), std::string::npos) << redirected.Error();
    DeleteFileA(HistoryPath().c_str());
}

TEST(CommandLine, ReadsEveryCommandWithQuotedNamesInAnyLetterCase)
{
    EXPECT_FALSE(HasArguments(L"Flipdeck.exe"));
    EXPECT_FALSE(HasArguments(L"\"C:\\Program Files\\Flipdeck\\Flipdeck.exe\" \t "));
    EXPECT_TRUE(HasArguments(L"\"C:\\Program Files\\Flipdeck\\Flipdeck.exe\" /list"));

    Command command = Parsed(L"\"C:\\Program Files\\Flipdeck\\Flipdeck.exe\" /LIST\t/Json");
    EXPECT_EQ(command.kind, Command::Kind::List);
    EXPECT_TRUE(command.json);

    command = Parsed(L"Flipdeck.exe /switch \"Kalvio 2.15.1.20\" /preview");
    EXPECT_EQ(command.kind, Command::Kind::Switch);
    EXPECT_EQ(command.name, "Kalvio 2.15.1.20");
    EXPECT_TRUE(command.preview);
    EXPECT_EQ(CommandText(command), "/switch \"Kalvio 2.15.1.20\" /preview");

    // The neutral entry's name needs no quotes; options may come first.
    command = Parsed(L"Flipdeck.exe /preview /codesys <neu>");
    EXPECT_EQ(command.kind, Command::Kind::Codesys);
    EXPECT_EQ(command.name, "<neu>");
    EXPECT_TRUE(command.preview);
    command = Parsed(L"Flipdeck.exe /json /codesys <neu> /PREVIEW");
    EXPECT_TRUE(command.json && command.preview);

    // Names arrive in the system code page, as the catalogue holds them.
    EXPECT_EQ(Parsed(L"Flipdeck.exe /switch \"Kalvio Pr\u00FCfstand\"").name, "Kalvio Pr\xFC" "fstand");
    EXPECT_EQ(Parsed(L"Flipdeck.exe /start").kind, Command::Kind::Start);
    EXPECT_EQ(Parsed(L"Flipdeck.exe /recover").kind, Command::Kind::Recover);
    EXPECT_EQ(Parsed(L"Flipdeck.exe /?").kind, Command::Kind::Help);
}

TEST(CommandLine, RefusesWhatIsNoCommandAndSaysWhy)
{
    EXPECT_EQ(Problem(L"Flipdeck.exe /frobnicate"), "Unbekanntes Argument: /frobnicate\nNamen mit Leerzeichen m\xFCssen in "
                                                    "Anf\xFChrungszeichen stehen.");
    // A name with a blank but without quotes leaves a stray argument.
    EXPECT_EQ(Problem(L"Flipdeck.exe /switch Kalvio 2.15.1.20").substr(0, 31), "Unbekanntes Argument: 2.15.1.20");
    for (const wchar_t* line : {L"Flipdeck.exe /switch", L"Flipdeck.exe /switch /preview", L"Flipdeck.exe /switch \"\""})
        EXPECT_EQ(Problem(line), "Nach /switch fehlt der Name einer Version.") << line;
    // Quotes anywhere but around a whole argument would be dropped by the usual rules and run a
    // name nobody wrote.
    for (const wchar_t* line : {L"Flipdeck.exe /switch Kal\"vio\"", L"Flipdeck.exe /switch \"Kalvio\"2",
                                L"Flipdeck.exe /switch \"Kalvio 2.15", L"Flipdeck.exe /codesys \\\"<neu>\\\""})
        EXPECT_EQ(Problem(line), "Anf\xFChrungszeichen d\xFCrfen nur ein ganzes Argument einschlie\xDF" "en; ein Name kann "
                                 "selbst keine enthalten.")
            << line;
    EXPECT_EQ(Problem(L"Flipdeck.exe /switch " + std::wstring(32000, L'K')), "Ein Argument ist l\xE4nger als 259 Zeichen.");
    EXPECT_EQ(Problem(L"Flipdeck.exe /switch \u4E2D"), "Das Argument ? enth\xE4lt Zeichen, die kein Versionsname enthalten kann.");
    EXPECT_EQ(Problem(L"Flipdeck.exe /list /switch X"), "/switch kann nicht mit /list zusammen angegeben werden.");
    EXPECT_EQ(Problem(L"Flipdeck.exe /list /json /json"), "/json kann nicht mit /json zusammen angegeben werden.");
    EXPECT_EQ(Problem(L"Flipdeck.exe /switch X /json"), "/json gilt nur zusammen mit /list, /verify, /history, /preview.");
    EXPECT_EQ(Problem(L"Flipdeck.exe /start /preview"), "/preview gilt nur zusammen mit /switch, /codesys.");
    EXPECT_EQ(Problem(L"Flipdeck.exe /json"), "Es wurde kein Befehl angegeben.");
}

TEST(ConsoleUi, AnswersEveryQuestionWithWhatChangesLeastAndPrintsEveryMessage)
{
    RedirectedOutput redirected;
    {
        ConsoleOutput output;
        ConsoleUi ui(output, false, false);
        // Programs run: the command stops at once, it neither retries nor goes on.
        int looks = 0;
        EXPECT_FALSE(ConfirmNoneRunning(ui, [&] {
            ++looks;
            return FoundPrograms{"\tKondex.exe\n", true};
        }));
        EXPECT_EQ(looks, 1);
        EXPECT_EQ(ui.ShowMessage("Nochmal?", MB_OKCANCEL | MB_ICONINFORMATION, ""), IDCANCEL);
        EXPECT_EQ(ui.ShowMessage("Weiter?", MB_YESNO | MB_ICONQUESTION, ""), IDNO);
        ui.Release(OutputStream::Error);  // the command ended without a result: it was a refusal
        SwitchPreview preview;
        preview.heading = "Schritte:";
        preview.steps = {{"moveFolder", "a", "b", "eins"}, {"register", "c", "", "zwei"}};
        ui.ShowSteps(preview);
        EXPECT_EQ(ui.ShowMessage("Der Wechsel war erfolgreich! \xC4rger \x80", MB_OK | MB_ICONINFORMATION, ""), IDOK);
        ui.Release(OutputStream::Out);
    }
    // A file gets UTF-8 with CR LF.
    EXPECT_EQ(redirected.Out(), "Schritte:\r\n  1. eins\r\n  2. zwei\r\nDer Wechsel war erfolgreich! \xC3\x84rger \xE2\x82\xAC\r\n");
    const std::string error = redirected.Error();
    EXPECT_NE(error.find("\tKondex.exe\r\n"), std::string::npos);
    EXPECT_NE(error.find("Weiter?\r\n"), std::string::npos);
    EXPECT_NE(error.find("Nochmal?\r\n"), std::string::npos);
}

TEST(ConsoleUi, APreviewAsJsonIsOneAsciiDocumentAndItsNoticeAMessage)
{
    RedirectedOutput redirected;
    {
        ConsoleOutput output;
        ConsoleUi ui(output, false, true);
        SwitchPreview preview;
        preview.product = "codesys";
        preview.fromName = "CoDeSys 2.3.9.5";
        preview.toName = "<neu>";
        preview.notice = "Erstmalig sichern.";
        preview.heading = "Der Wechsel macht diese Schritte:";
        preview.steps = {{"moveFolder", "C:\\A", "C:\\A 1", "A \"verschieben\""}, {"writeValues", "", "", "Wert l\xF6schen \x80"}};
        ui.ShowSteps(preview);
        ui.Release(OutputStream::Error);
    }
    EXPECT_EQ(redirected.Error(), "Erstmalig sichern.\r\n");
    EXPECT_EQ(redirected.Out(), "{\r\n  \"schemaVersion\": 1,\r\n  \"product\": \"codesys\",\r\n  \"from\": \"CoDeSys 2.3.9.5\",\r\n"
                                "  \"to\": \"<neu>\",\r\n  \"steps\": [\r\n"
                                "    {\"kind\": \"moveFolder\", \"source\": \"C:\\\\A\", \"target\": \"C:\\\\A 1\", "
                                "\"description\": \"A \\\"verschieben\\\"\"},\r\n"
                                "    {\"kind\": \"writeValues\", \"description\": \"Wert l\\u00f6schen \\u20ac\"}\r\n  ]\r\n}\r\n");
}

class CatalogueHive : public ::testing::Test {
protected:
    void TearDown() override { StopActingAsUser(); }

    ScratchKey currentUser_{HKEY_CURRENT_USER, kSuiteCatalogueKey};
    ScratchKey older_{HKEY_USERS, "S-1-5-21-7-7-7-1001"};
    ScratchKey newer_{HKEY_USERS, "S-1-5-21-7-7-7-1002"};
};

TEST_F(CatalogueHive, ARunWithoutCatalogueActsForTheUserWhoseCatalogueWasWrittenLast)
{
    ASSERT_TRUE(WriteRegString(HKEY_USERS, older_ / kSuiteCatalogueKey, "Name1", "Kalvio 2.14.0.310"));
    Sleep(50);
    ASSERT_TRUE(WriteRegString(HKEY_USERS, newer_ / kSuiteCatalogueKey, "Name1", "Kalvio 2.15.1.20"));
    EXPECT_EQ(NewestCatalogueHive(), "S-1-5-21-7-7-7-1002");

    // Every read and write of the current user goes to the borrowed hive, in the products' view too.
    EXPECT_EQ(BorrowCatalogueHive().borrowedHive, "S-1-5-21-7-7-7-1002");
    EXPECT_EQ(ReadRegText(HKEY_CURRENT_USER, kSuiteCatalogueKey, "Name1"), "Kalvio 2.15.1.20");
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, "Software\\brivane\\Kalvio", "Version", "2.15.1.20"));
    EXPECT_EQ(ReadRegText(HKEY_USERS, newer_ / "Software\\brivane\\Kalvio", "Version"), "2.15.1.20");
    // A user with a catalogue of its own keeps it.
    const HiveChoice own = BorrowCatalogueHive();
    EXPECT_EQ(own.borrowedHive, "");
    EXPECT_FALSE(own.machineOnly);
}

namespace {

const char kSystemHive[] = "S-1-5-18";
const char kUserHive[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
const std::string kCodesysSetupRoot = "SOFTWARE\\3S-Smart Software Solutions GmbH";

// A run of the local system account, which Wine cannot make: the seam answers that this is one,
// a key HKEY_USERS\S-1-5-18 stands for the account's own hive and is made its HKEY_CURRENT_USER,
// and kUserHive stands for a signed-in user. The machine holds a suite catalogue and an installed
// CoDeSys 2.3.9.5 that no catalogue knows.
class SystemAccountRun : public ::testing::Test {
protected:
    SystemAccountRun()
    {
        WriteRegString(HKEY_USERS, system_.Path(), "Marker", "system");
        EXPECT_TRUE(ActAsUserOf(system_.Path()));
        for (const char* folder : {"Brivane", "Brivane V2.15.1.20"}) {
            MakeDirs(dir_ / folder + "\\Kalvio");
            WriteFileBytes(dir_ / folder + "\\Kalvio\\workbench.exe", "");
        }
        SuiteEntry(HKEY_LOCAL_MACHINE, kSuiteCatalogueKey, 1, "2.14.0.310");
        WriteRegString(HKEY_LOCAL_MACHINE, kSuiteCatalogueKey, "CurrentVersionName", "Kalvio 2.14.0.310");
        const std::string main = dir_ / "CoDeSys V2.3";
        MakeDirs(main);
        EXPECT_TRUE(CopyFileA(StandInPath("codesys_2_3_9_5", "CoDeSys.exe").c_str(), (main + "\\CoDeSys.exe").c_str(), FALSE));
        WriteRegString(HKEY_LOCAL_MACHINE, kCodesysSetupKey, "Targetdir", dir_.Path());
        WriteRegString(HKEY_LOCAL_MACHINE, kCodesysSetupKey, "Targetdir_CODESYS", main);
        for (const char* component : {"Targetdir_ENI", "Targetdir_OPC", "Targetdir_PLCWINNT"})
            WriteRegString(HKEY_LOCAL_MACHINE, kCodesysSetupKey, component, dir_ / component);
        // What an earlier run left in the system account's hive: a one-entry CoDeSys catalogue.
        WriteRegString(HKEY_USERS, system_ / kCodesysCatalogueKey, "Name1", "CoDeSys 2.3.7.0");
        WriteRegString(HKEY_USERS, system_ / kCodesysCatalogueKey, "CurrentVersionName", "CoDeSys 2.3.7.0");
    }
    void TearDown() override
    {
        StopActingAsUser();
        UseMachineCatalogueOnly(false);
    }

    // Entry n of a suite catalogue: the version live in dir_\\Brivane, parked beside it.
    void SuiteEntry(HKEY root, const std::string& key, int n, const std::string& version)
    {
        const std::string index = std::to_string(n);
        WriteRegString(root, key, "Name" + index, "Kalvio " + version);
        WriteRegString(root, key, "Path" + index, dir_ / "Brivane V" + version);
        WriteRegString(root, key, "PrgPath" + index, dir_ / "Brivane");
        WriteRegString(root, key, "Version" + index, version);
    }

    // The user's catalogues: two suite versions, two CoDeSys versions.
    void SignInUser()
    {
        SuiteEntry(HKEY_USERS, user_ / kSuiteCatalogueKey, 1, "2.14.0.310");
        SuiteEntry(HKEY_USERS, user_ / kSuiteCatalogueKey, 2, "2.15.1.20");
        WriteRegString(HKEY_USERS, user_ / kSuiteCatalogueKey, "CurrentVersionName", "Kalvio 2.14.0.310");
        for (const char* n : {"1", "2"}) {
            const std::string version = std::string("2.3.") + (n[0] == '1' ? "9.5" : "8.1");
            WriteRegString(HKEY_USERS, user_ / kCodesysCatalogueKey, std::string("Name") + n, "CoDeSys " + version);
            WriteRegString(HKEY_USERS, user_ / kCodesysCatalogueKey, std::string("Version") + n, version);
        }
        WriteRegString(HKEY_USERS, user_ / kCodesysCatalogueKey, "CurrentVersionName", "CoDeSys 2.3.9.5");
    }

    // Runs a command as Flipdeck.exe would after choosing the hive: the program's start-up, with
    // the single-instance and administrator checks passed.
    ExitCode Run(const std::wstring& arguments, const HiveChoice& choice)
    {
        RunStartup startup = ProgramStartup();
        startup.acquireSingleInstance = [] { return true; };
        startup.checkAdministrator = [](RunState&) { return true; };
        return RunCommandLine(L"Flipdeck.exe " + arguments, "", choice, startup);
    }

    // Every value of the system account's hive under the catalogue keys, "<key>|<name>=<text>".
    std::vector<std::string> SystemCatalogue() const
    {
        std::vector<std::string> values;
        for (const std::string& key : {std::string(kSuiteCatalogueKey), std::string(kCodesysCatalogueKey)}) {
            RegistryTree tree;
            CaptureRegistryValues(HKEY_USERS, system_ / key, tree);
            for (const RegistryTree::Value& value : tree.values) {
                // Tree data are the wide functions' bytes: text in UTF-16.
                std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
                std::memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
                values.push_back(key + "|" + FromWide(value.name) + "=" + FromWide(text.c_str()));
            }
        }
        return values;
    }

    ScratchKey ownUser_{HKEY_CURRENT_USER, kSuiteCatalogueKey};
    ScratchKey system_{HKEY_USERS, kSystemHive};
    ScratchKey user_{HKEY_USERS, kUserHive};
    ScratchKey machine_{HKEY_LOCAL_MACHINE, kSuiteCatalogueKey};
    ScratchKey setup_{HKEY_LOCAL_MACHINE, kCodesysSetupRoot};
    ScratchLogFolder log_;
    ScratchJournal journal_;
    ScratchDir dir_;
    SeamOverride<bool()> system{seams::RunsAsLocalSystem, [] { return true; }};
    const std::vector<std::string> leftBefore_ = {std::string(kCodesysCatalogueKey) + "|CurrentVersionName=CoDeSys 2.3.7.0",
                                                  std::string(kCodesysCatalogueKey) + "|Name1=CoDeSys 2.3.7.0"};
};

}  // namespace

TEST_F(SystemAccountRun, BorrowsTheSignedInUsersHiveAndNeverCountsItsOwn)
{
    SignInUser();
    const std::vector<std::string> hives = CatalogueUserHives();
    EXPECT_NE(std::find(hives.begin(), hives.end(), kUserHive), hives.end());
    for (const char* own : {kSystemHive, ".DEFAULT"})
        EXPECT_EQ(std::find_if(hives.begin(), hives.end(), [&](const std::string& h) { return EqualsIgnoringCase(h, own); }),
                  hives.end()) << own;

    const HiveChoice choice = BorrowCatalogueHive();
    EXPECT_EQ(choice.borrowedHive, kUserHive);
    EXPECT_FALSE(choice.machineOnly);

    // The user's names are known; the start-up leaves the user's two CoDeSys entries and the
    // system account's hive as they were.
    RedirectedOutput redirected;
    EXPECT_NE(Run(L"/switch \"Kalvio 2.15.1.20\" /preview", choice), ExitCode::UnknownName) << redirected.Error();
    EXPECT_EQ(Run(L"/list", choice), ExitCode::Done);
    EXPECT_NE(redirected.Out().find("Kalvio 2.15.1.20"), std::string::npos);
    EXPECT_EQ(redirected.Out().find("CoDeSys 2.3.7.0"), std::string::npos);
    EXPECT_EQ(ReadRegText(HKEY_USERS, user_ / kCodesysCatalogueKey, "Name2"), "CoDeSys 2.3.8.1");
    StopActingAsUser();
    EXPECT_EQ(SystemCatalogue(), leftBefore_);
}

TEST_F(SystemAccountRun, WithoutAUsersCatalogueItReadsTheMachineSaysSoAndRefusesEveryChange)
{
    const HiveChoice choice = BorrowCatalogueHive();
    EXPECT_EQ(choice.borrowedHive, "");
    EXPECT_TRUE(choice.machineOnly);

    RedirectedOutput redirected;
    EXPECT_EQ(Run(L"/list", choice), ExitCode::Done);
    // The machine's catalogue, without the one left in the account's own hive.
    EXPECT_NE(redirected.Out().find("* Kalvio 2.14.0.310"), std::string::npos) << redirected.Out();
    EXPECT_EQ(redirected.Out().find("CoDeSys 2.3.7.0"), std::string::npos) << redirected.Out();
    const std::string readOnly = Utf8FromAnsi(LoadLocalizedString(IDS_CLI_MACHINE_VALUES_ONLY));
    EXPECT_NE(redirected.Error().find(readOnly), std::string::npos) << redirected.Error();

    for (const wchar_t* change : {L"/codesys <neu>", L"/switch \"Kalvio 2.14.0.310\"", L"/codesys \"CoDeSys 2.3.9.5\" /preview"})
        EXPECT_EQ(Run(change, choice), ExitCode::Refused) << change;
    EXPECT_NE(redirected.Error().find(Utf8FromAnsi(LoadLocalizedString(IDS_CLI_CHANGE_NEEDS_USER))), std::string::npos)
        << redirected.Error();

    // Nothing was adopted, matched or stored anywhere.
    StopActingAsUser();
    EXPECT_EQ(SystemCatalogue(), leftBefore_);
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kCodesysCatalogueKey, "Name1"));
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kCodesysCatalogueKey, "NewVersionPath"));
}

TEST_F(SystemAccountRun, AnInterruptedSwitchIsUndoneInTheHiveOfTheUserItActedFor)
{
    struct Died {};
    SignInUser();
    // Programs whose versions name the live and the parked folder.
    for (const auto& [folder, standIn] : {std::pair<const char*, const char*>{"Brivane", "kalvio_2_14"},
                                          {"Brivane V2.15.1.20", "kalvio_2_15"}})
        ASSERT_TRUE(CopyFileA(StandInPath(standIn, "workbench.exe").c_str(), (dir_ / folder + "\\Kalvio\\workbench.exe").c_str(), FALSE));
    const HiveChoice choice = BorrowCatalogueHive();
    ASSERT_EQ(choice.borrowedHive, kUserHive);
    RegistryTree userBefore;
    CaptureRegistryValues(HKEY_USERS, user_ / kSuiteCatalogueKey, userBefore);
    // The switch dies once it has written the user's catalogue.
    {
        SeamOverride<void(size_t)> death(seams::StepStarting, [&](size_t) {
            if (ReadRegText(HKEY_USERS, user_ / kSuiteCatalogueKey, "CurrentVersionName") == "Kalvio 2.15.1.20")
                throw Died{};
        });
        RedirectedOutput redirected;
        try {
            const ExitCode code = Run(L"/switch \"Kalvio 2.15.1.20\"", choice);
            ADD_FAILURE() << "the switch ended with " << static_cast<int>(code) << ": " << redirected.Error();
        } catch (const Died&) {
        }
    }
    ASSERT_TRUE(JournalExists());

    // The next start is another user's, with a catalogue of its own; the user whose hive the switch
    // changed has signed out.
    StopActingAsUser();
    SeamOverride<bool()> ownUser{seams::RunsAsLocalSystem, [] { return false; }};
    SuiteEntry(HKEY_CURRENT_USER, kSuiteCatalogueKey, 1, "2.14.0.310");
    WriteRegString(HKEY_CURRENT_USER, kSuiteCatalogueKey, "CurrentVersionName", "Kalvio 2.14.0.310");
    RegistryTree ownBefore;
    CaptureRegistryValues(HKEY_CURRENT_USER, kSuiteCatalogueKey, ownBefore);
    RegistryTree profile;  // the hive while it is not loaded: the file in the user's profile
    CaptureRegistryTree(HKEY_USERS, user_.Path(), profile);
    ASSERT_EQ(DeleteRegistryTree(HKEY_USERS, user_.Path()), ERROR_SUCCESS);
    RedirectedOutput redirected;
    {
        // Its hive cannot be loaded: nothing is undone, the user is named, the journal stays.
        SeamOverride<bool(const std::string&)> noHive{seams::LoadUserHive, [](const std::string&) { return false; }};
        EXPECT_EQ(Run(L"/recover", HiveChoice{}), ExitCode::NeedsHand);
        EXPECT_NE(redirected.Error().find(kUserHive), std::string::npos) << redirected.Error();
        EXPECT_TRUE(JournalExists());
        EXPECT_TRUE(PathExists(dir_ / "Brivane V2.14.0.310"));
        EXPECT_FALSE(KeyExists(HKEY_USERS, kUserHive));
    }
    // Loaded for the recovery, it gets its catalogue back and is unloaded again; the other user's
    // catalogue is as it was.
    std::vector<std::string> loads;
    SeamOverride<bool(const std::string&)> load{seams::LoadUserHive, [&](const std::string& sid) {
        loads.push_back(sid);
        return WriteRegistryTree(HKEY_USERS, sid, profile) == ERROR_SUCCESS;
    }};
    SeamOverride<void(const std::string&)> unload{seams::UnloadUserHive, [&](const std::string& sid) {
        CaptureRegistryTree(HKEY_USERS, sid, profile);
        DeleteRegistryTree(HKEY_USERS, sid);
    }};
    EXPECT_EQ(Run(L"/recover", HiveChoice{}), ExitCode::Done) << redirected.Error();
    EXPECT_EQ(loads, std::vector<std::string>{ToUpper(kUserHive)});
    // The history names the user the switch acted for, not the one who recovered it.
    std::vector<HistoryRecord> history;
    std::string problem;
    ASSERT_EQ(ReadHistory(history, problem), HistoryState::Read) << problem;
    EXPECT_EQ(history.at(0).action, "recovery");
    EXPECT_EQ(history.at(0).user, AccountNameOfSid(ToUpper(kUserHive)));
    EXPECT_NE(history.at(0).user, history.at(0).account);
    EXPECT_FALSE(JournalExists());
    EXPECT_FALSE(KeyExists(HKEY_USERS, kUserHive));
    // Signed in again, the user finds the catalogue as before the switch.
    ASSERT_EQ(WriteRegistryTree(HKEY_USERS, kUserHive, profile), ERROR_SUCCESS);
    RegistryTree userAfter;
    CaptureRegistryValues(HKEY_USERS, user_ / kSuiteCatalogueKey, userAfter);
    EXPECT_TRUE(userAfter == userBefore);
    EXPECT_EQ(ReadRegText(HKEY_USERS, user_ / kSuiteCatalogueKey, "CurrentVersionName"), "Kalvio 2.14.0.310");
    RegistryTree ownAfter;
    CaptureRegistryValues(HKEY_CURRENT_USER, kSuiteCatalogueKey, ownAfter);
    EXPECT_TRUE(ownAfter == ownBefore);
    EXPECT_TRUE(PathExists(dir_ / "Brivane V2.15.1.20"));
    EXPECT_FALSE(PathExists(dir_ / "Brivane V2.14.0.310"));
}

TEST(UserHive, AProfilesHiveFileIsLoadedWhileItIsNeeded)
{
    const std::string sid = "S-1-5-21-9-9-9-1009";
    ScratchDir profile;
    const ScratchKey source(HKEY_CURRENT_USER, "Software\\FlipdeckHiveFile");
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, source.Path(), "Marker", "from the profile"));
    {
        UniqueHKey key;
        ASSERT_EQ(OpenRegKey(HKEY_CURRENT_USER, source.Path(), KEY_READ, key), ERROR_SUCCESS);
        ASSERT_TRUE(EnablePrivilege(SE_BACKUP_NAME));
        ASSERT_EQ(RegSaveKeyA(key.get(), (profile / "NTUSER.DAT").c_str(), nullptr), ERROR_SUCCESS);
    }
    const ScratchKey profiles(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid);
    ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, profiles.Path(), "ProfileImagePath", profile.Path()));
    {
        UserHiveLoad hive;
        ASSERT_TRUE(hive.Load(sid));
        EXPECT_EQ(ReadRegText(HKEY_USERS, sid, "Marker"), "from the profile");
    }
    EXPECT_FALSE(KeyExists(HKEY_USERS, sid));
    // A SID the machine knows no profile of.
    UserHiveLoad unknown;
    EXPECT_FALSE(unknown.Load("S-1-5-21-9-9-9-1010"));
}
