#include <gtest/gtest.h>

#include <algorithm>

#include "app/Startup.h"
#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/Text.h"
#include "catalogue/SuiteCatalogue.h"
#include "steps/Environment.h"
#include "steps/Journal.h"
#include "suite/SuiteVerify.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const std::string kRoot = world::kCodesysRoot;
const char k3sTree[] = "software\\3S-Smart Software Solutions GmbH";

// The demo world as a switch leaves it: the live version's bin folder in front of the machine PATH.
// Each test breaks it as a technician would and checks what a verify finds.
class VerifyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        world::ApplyLastingSwitchEffects();
        ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\Brivane\\bin;C:\\windows"));
    }

    // The catalogues as the program reads them at start, then the verify; "code|entry|place" each.
    std::vector<std::string> Found(VerifyDepth depth = VerifyDepth::Whole)
    {
        RunState state;
        ScriptedUi ui;
        CheckAdministrator(state);
        ProgramStartup().load(state, ui, "1.0.0.1");
        findings_ = VerifyMachine(state, depth);
        std::vector<std::string> found;
        for (const Finding& finding : findings_)
            found.push_back(finding.code + "|" + finding.entry + "|" + ToUpper(finding.place));
        std::sort(found.begin(), found.end());
        return found;
    }

    // Whether the findings of the last verify mark the row of `name` in the list of `product`.
    bool Marked(const char* product, const std::string& name) const
    {
        return std::any_of(findings_.begin(), findings_.end(),
                           [&](const Finding& finding) { return finding.BlocksSwitchTo(product, name); });
    }

    static void Move(const std::string& from, const std::string& to)
    {
        ASSERT_TRUE(MoveFileA(from.c_str(), to.c_str())) << from;
    }
    static void Copy(const std::string& from, const std::string& to)
    {
        MakeDirs(to.substr(0, to.find_last_of('\\')));
        ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << to;
    }

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    std::vector<Finding> findings_;
};

std::string Upper(const std::string& text) { return ToUpper(text); }

}  // namespace

TEST_F(VerifyTest, TheWorldAsASwitchLeavesItHasNoFindingAndAVerifyChangesNothing)
{
    const world::Snapshot before = world::Snapshot::Take();
    EXPECT_EQ(Found(), std::vector<std::string>());
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}

TEST_F(VerifyTest, SuiteFoldersRenamedDeletedOrCopiedByHand)
{
    // A parked folder renamed, a parked version uninstalled, the live version copied to its rename path.
    Move("C:\\Brivane V2.15.1.20", "C:\\Brivane V2.15.1.20_alt");
    RemoveTree("C:\\MERIDAN V3.0.2.7");
    Copy("C:\\Brivane\\Kalvio\\workbench.exe", "C:\\Brivane V2.14.0.310\\Kalvio\\workbench.exe");

    EXPECT_EQ(Found(), (std::vector<std::string>{
                           "suite-folder-both|Kalvio 2.14.0.310|C:\\BRIVANE V2.14.0.310",
                           "suite-folder-misplaced|Kalvio 2.15.1.20|C:\\BRIVANE V2.15.1.20_ALT",
                           "suite-folder-missing|Kalvio 2.15.1.20|C:\\BRIVANE V2.15.1.20",
                           "suite-folder-missing|MDN 3.0.2.7|C:\\MERIDAN V3.0.2.7",
                       }));
    EXPECT_TRUE(Marked(kSuiteProduct, "kalvio 2.15.1.20"));
    EXPECT_TRUE(Marked(kSuiteProduct, "MDN 3.0.2.7"));
    EXPECT_FALSE(Marked(kCodesysProduct, "MDN 3.0.2.7"));
}

TEST_F(VerifyTest, SuiteFoldersHoldingAnotherVersionThanTheirEntryOrOneNoEntryNames)
{
    // Another version copied over the live one, the wrong workbench in a parked folder, and a version
    // parked beside the live one that was never catalogued.
    Copy(StandInPath("kalvio_2_15", "workbench.exe"), "C:\\Brivane\\Kalvio\\workbench.exe");
    Copy(StandInPath("kalvio_2_14", "workbench.exe"), "C:\\MERIDAN V3.0.2.7\\program\\workbench.exe");
    Copy(StandInPath("kalvio_2_16", "workbench.exe"), "C:\\Brivane V2.16.0.5\\Kalvio\\workbench.exe");

    EXPECT_EQ(Found(), (std::vector<std::string>{
                           "suite-folder-orphan||C:\\BRIVANE V2.16.0.5",
                           "suite-live-version-mismatch|Kalvio 2.14.0.310|C:\\BRIVANE",
                           "suite-parked-version-mismatch|MDN 3.0.2.7|C:\\MERIDAN V3.0.2.7",
                       }));
    // The live folder matches no entry: no switch can tell under which name to park it.
    EXPECT_TRUE(Marked(kSuiteProduct, "Kalvio 2.15.1.20"));
    EXPECT_FALSE(Marked(kCodesysProduct, "CoDeSys 2.3.8.1"));
    const auto orphan = std::find_if(findings_.begin(), findings_.end(),
                                     [](const Finding& finding) { return finding.code == "suite-folder-orphan"; });
    ASSERT_NE(orphan, findings_.end());
    EXPECT_EQ(orphan->text, "C:\\Brivane V2.16.0.5 enth\xE4lt die Version 2.16.0.5, die kein Eintrag nennt: nehmen Sie "
                            "sie mit Neu in den Katalog auf oder entfernen Sie den Ordner.");
}

TEST_F(VerifyTest, PathEditedAndRegistrationsLeftPointingAtParkedOrMissingFiles)
{
    ASSERT_TRUE(WriteRegExpandString(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path", "C:\\windows;C:\\Brivane V2.15.1.20\\bin"));
    const std::string parked = std::string(kClassesKey) + "\\{0F1D0001-0000-0000-0000-000000000001}";
    const std::string gone = std::string(kClassesKey) + "\\{0F1D0001-0000-0000-0000-000000000002}";
    const std::string live = std::string(kClassesKey) + "\\{0F1D0001-0000-0000-0000-000000000003}";
    const std::string elsewhere = std::string(kClassesKey) + "\\{0F1D0001-0000-0000-0000-000000000004}";
    ScratchKey keys[] = {{HKEY_LOCAL_MACHINE, parked}, {HKEY_LOCAL_MACHINE, gone}, {HKEY_LOCAL_MACHINE, live},
                         {HKEY_LOCAL_MACHINE, elsewhere}};
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, parked + "\\InprocServer32", "", "C:\\Brivane V2.15.1.20\\Kalvio\\UiControls.dll"));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, gone + "\\InprocServer32", "", "C:\\Brivane\\Kalvio\\ATL.dll"));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, live + "\\InprocServer32", "", "C:\\Brivane\\Kalvio\\UiControls.dll"));
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, elsewhere + "\\InprocServer32", "", "C:\\Tools\\Missing.dll"));

    const std::string pathValue = Upper("HKEY_LOCAL_MACHINE\\" + std::string(kEnvironmentKey) + "\\Path");
    EXPECT_EQ(Found(), (std::vector<std::string>{
                           "suite-com-missing||" + Upper("HKEY_LOCAL_MACHINE\\" + gone + "\\InprocServer32"),
                           "suite-com-parked|Kalvio 2.15.1.20|" + Upper("HKEY_LOCAL_MACHINE\\" + parked + "\\InprocServer32"),
                           "suite-path-missing|Kalvio 2.14.0.310|" + pathValue,
                           "suite-path-parked|Kalvio 2.15.1.20|" + pathValue,
                       }));
    // None of these stops a switch: it writes the PATH and registers the components anew. The marks
    // of the dialog's rows leave the scan of the registrations out.
    EXPECT_FALSE(Marked(kSuiteProduct, "Kalvio 2.15.1.20"));
    EXPECT_EQ(Found(VerifyDepth::SwitchBlockers),
              (std::vector<std::string>{"suite-path-missing|Kalvio 2.14.0.310|" + pathValue,
                                        "suite-path-parked|Kalvio 2.15.1.20|" + pathValue}));
}

TEST_F(VerifyTest, ParkedCodesysVersionsWithTreesGatewayFilesOrFoldersMissing)
{
    RemoveTree(kRoot + "\\CoDeSys V2.3 2.3.8.1");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, std::string(k3sTree) + " 2.3.8.1");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, std::string(k3sTree) + " 2.3.7.0\\CoDeSys SetupInfo");
    const std::string backup = ProductSystemDirectory() + "CoDeSys 2.3.7.0";
    ASSERT_TRUE(DeleteFileA((backup + "\\gclient.dll").c_str()));
    // An optional file may be missing.
    ASSERT_TRUE(DeleteFileA((backup + "\\gateway.chm").c_str()));

    EXPECT_EQ(Found(), (std::vector<std::string>{
                           "codesys-folder-missing|CoDeSys 2.3.8.1|" + Upper(kRoot + "\\CoDeSys V2.3 2.3.8.1"),
                           "codesys-gateway-incomplete|CoDeSys 2.3.7.0|" + Upper(backup + "\\gclient.dll"),
                           "codesys-tree-incomplete|CoDeSys 2.3.7.0|" +
                               Upper("HKEY_LOCAL_MACHINE\\" + std::string(k3sTree) + " 2.3.7.0\\CoDeSys SetupInfo\\V2.3.0"),
                           "codesys-tree-missing|CoDeSys 2.3.8.1|" + Upper("HKEY_LOCAL_MACHINE\\" + std::string(k3sTree) + " 2.3.8.1"),
                       }));
    EXPECT_TRUE(Marked(kCodesysProduct, "CoDeSys 2.3.8.1"));
    EXPECT_TRUE(Marked(kCodesysProduct, "CoDeSys 2.3.7.0"));
    EXPECT_FALSE(Marked(kCodesysProduct, "CoDeSys 2.3.9.5"));
}

TEST_F(VerifyTest, LiveCodesysParkedAsWellAndAVersionNoEntryNames)
{
    // A copy of the live trees under the live version's parked name, a backup folder deleted, and a
    // further version parked by hand.
    RegistryTree live;
    ASSERT_EQ(CaptureRegistryTree(HKEY_LOCAL_MACHINE, k3sTree, live), ERROR_SUCCESS);
    ASSERT_EQ(WriteRegistryTree(HKEY_LOCAL_MACHINE, std::string(k3sTree) + " 2.3.9.5", live), ERROR_SUCCESS);
    RemoveTree(ProductSystemDirectory() + "CoDeSys 2.3.8.1");
    Copy(StandInPath("codesys_2_3_9_6", "CoDeSys.exe"), kRoot + "\\CoDeSys V2.3 2.3.9.6\\CoDeSys.exe");

    EXPECT_EQ(Found(), (std::vector<std::string>{
                           "codesys-folder-orphan||" + Upper(kRoot + "\\CoDeSys V2.3 2.3.9.6"),
                           "codesys-gateway-missing|CoDeSys 2.3.8.1|" + Upper(ProductSystemDirectory() + "CoDeSys 2.3.8.1"),
                           "codesys-tree-both|CoDeSys 2.3.9.5|" + Upper("HKEY_LOCAL_MACHINE\\" + std::string(k3sTree) + " 2.3.9.5"),
                       }));
    // Parking the live version would mix its trees with the copy: every CoDeSys switch is refused.
    EXPECT_TRUE(Marked(kCodesysProduct, "CoDeSys 2.3.7.0"));
    EXPECT_FALSE(Marked(kSuiteProduct, "Kalvio 2.15.1.20"));
}

TEST_F(VerifyTest, AnInterruptedSwitchsJournalBlocksEveryRow)
{
    MakeDirs(JournalFolder());
    WriteFileBytes(JournalPath(), "");
    ASSERT_TRUE(JournalExists());
    std::vector<Finding> findings;
    CheckJournal(findings);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].code, "journal-waiting");
    EXPECT_EQ(findings[0].place, JournalPath());
    findings_ = findings;
    EXPECT_TRUE(Marked(kSuiteProduct, "Kalvio 2.15.1.20"));
    EXPECT_TRUE(Marked(kCodesysProduct, "CoDeSys 2.3.8.1"));
}
