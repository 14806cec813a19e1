#include <gtest/gtest.h>

#include <memory>

#include "base/Registry.h"
#include "catalogue/CodesysCatalogue.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "steps/RunningPrograms.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

// A real top-level window of the given class and title, owned by the test.
class TestWindow {
public:
    TestWindow(const char* className, const char* title)
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
        window_ = CreateWindowA(className, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() { DestroyWindow(window_); }

private:
    HWND window_;
};

std::vector<SuiteVersionEntry> OneEntry(const std::string& programPath)
{
    SuiteVersionEntry entry;
    entry.programPath = programPath;
    return {entry};
}

}  // namespace

TEST(RunningPrograms, NothingRunningAsksNothing)
{
    ScriptedUi ui;
    EXPECT_TRUE(CheckRunningPrograms({}, -1, ui));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(IsProcessRunning("Simkern32.exe"));
}

TEST(RunningPrograms, FindsEveryWindowOfTheTableInOrder)
{
    std::vector<std::unique_ptr<TestWindow>> windows;
    for (const char* title : {"Project Management Kalvio", "Projektverwaltung Kalvio", "MERIDAN - Project Navigator",
                              "Download - Upload"})
        windows.push_back(std::make_unique<TestWindow>("FlipdeckTitledWindow", title));
    for (const char* className :
         {"xBus-Flash4550drawtask9012", "xRecorder Toolvane4550drawtask9012", "xScrivo Toolvane4550drawtask9012",
          "CoDeSys_Frame", "Graflo", "Glyphor", "xVisualisation4550drawtask9012", "xVisualisierung4550drawtask9012",
          "xSimulation4550drawtask9012"})
        windows.push_back(std::make_unique<TestWindow>(className, ""));

    ScratchDir dir;
    ScriptedUi ui;
    ui.answers = {IDIGNORE, IDIGNORE};
    // Without "\device\dvio_it1.dll" under the chosen program path, simulation naming is on.
    EXPECT_TRUE(CheckRunningPrograms(OneEntry(dir.Path()), 0, ui));
    MakeDirs(dir / "device");
    WriteFileBytes(dir / "device\\dvio_it1.dll", "");
    EXPECT_TRUE(CheckRunningPrograms(OneEntry(dir.Path()), 0, ui));

    ASSERT_EQ(ui.messages.size(), 2u);
    const std::string listed =
        "\tProjektmanager\n\tProjektmanager\n\tWorkbench.exe\n\tDownload\n\tDriver Test\n\tTracer\n\tTracer\n"
        "\tBusflash\n\tScrivo\n\tScrivo\n\tCoDeSys\n\t%s\n\tGlyph Editor\n\tVisualisierung\n\tVisualisierung\n"
        "\tSimulation\n";
    auto expected = [&](const char* graflo) {
        std::string list = listed;
        list.replace(list.find("%s"), 2, graflo);
        return "Folgende Programme wurden als aktiv erkannt:\n\n" + list +
               "\nBeenden Sie diese Programme und versuchen Sie es dann erneut!";
    };
    EXPECT_EQ(ui.messages[0].text, expected("Control"));
    EXPECT_EQ(ui.messages[1].text, expected("Tessaro"));
    EXPECT_EQ(ui.messages[0].type, static_cast<UINT>(MB_ICONWARNING | MB_ABORTRETRYIGNORE));
}

TEST(RunningPrograms, FindsEveryProcessOfTheTableWithSimulationNaming)
{
    ScratchDir dir;
    std::vector<std::unique_ptr<RunningStandIn>> running;
    for (const char* file : {"Simkern32.exe", "PaneluxDesigner.exe", "Panelux.exe", "Rescomp4b.exe", "Rescomp.exe",
                             "QV.EXE", "QVD.exe", "QV4B.exe", "Kondex.exe", "Mondex.exe", "Servato.exe",
                             "GATEWAY.EXE", "Recora.exe", "Resora.exe", "Menora.exe", "Palora.exe"})
        running.push_back(std::make_unique<RunningStandIn>(dir / file));
    EXPECT_TRUE(IsProcessRunning("gateway.exe"));

    // Each process adds its line where the walk meets it.
    std::string off = CollectRunningTools(4096, false).lines;
    for (const char* line : {"\tPaneluxDesigner\n", "\tRescomp\n", "\tVisualisierung: QV.exe\n", "\tKondex.exe\n",
                             "\tMondex.exe\n", "\tServato.exe\n", "\tCoDeSys Gateway\n", "\tRezept lesen/schreiben\n",
                             "\tRessourcen Viewer\n", "\tMen\xFC" "editor\n", "\tPaletteneditor\n",
                             "\tTessaro Zielsystem Simulation: Simkern32.exe\n"})
        EXPECT_NE(off.find(line), std::string::npos) << line;
    std::string on = CollectRunningTools(4096, true).lines;
    EXPECT_NE(on.find("\tSimulation: QV4B.exe\n"), std::string::npos);
    EXPECT_NE(on.find("\tControl Zielsystem Simulation: Simkern32.exe\n"), std::string::npos);

    // The 256-byte buffer of the check keeps only the lines that fit.
    std::string capped = CollectRunningTools(256, false).lines;
    EXPECT_LT(capped.size(), 256u - 4);
    EXPECT_LT(capped.size(), off.size());
}

TEST(RunningPrograms, RetryChecksAgainIgnoreGoesOnAbortStops)
{
    auto window = std::make_unique<TestWindow>("Glyphor", "");
    ScriptedUi ui;
    ui.answers = {IDRETRY, IDABORT};
    EXPECT_FALSE(CheckRunningPrograms({}, -1, ui));
    EXPECT_EQ(ui.messages.size(), 2u);

    // The program ends while the message is shown; the retry finds nothing and goes on.
    struct ClosingUi : ScriptedUi {
        std::unique_ptr<TestWindow>* window;
        int ShowMessage(const std::string& text, UINT type, const std::string& caption) override
        {
            window->reset();
            return ScriptedUi::ShowMessage(text, type, caption);
        }
    } closing;
    closing.window = &window;
    closing.answers = {IDRETRY};
    EXPECT_TRUE(CheckRunningPrograms({}, -1, closing));
    EXPECT_EQ(closing.messages.size(), 1u);

    window = std::make_unique<TestWindow>("Glyphor", "");
    ui.answers = {IDIGNORE};
    EXPECT_TRUE(CheckRunningPrograms({}, -1, ui));
}

TEST(RunningPrograms, CodesysChangeAsksWhenTheProcessesCannotBeChecked)
{
    ScopedDemoWorld world;
    ScratchLogFolder log;
    RunState state;
    EnumerateUserHives(state.userHives);
    ScriptedUi loading;
    LoadCodesysAtStartup(state, loading);
    SeamOverride<bool(const seams::ProcessVisitor&)> walk(seams::WalkProcesses,
                                                          [](const seams::ProcessVisitor&) { return false; });
    const world::Snapshot before = world::Snapshot::Take();

    ScriptedUi ui;
    ui.selectedCodesysRows = {2};
    ui.answers = {IDRETRY, IDABORT};
    EXPECT_EQ(SwitchCodesys(state, ui), ChangeOutcome::ProgramsRunning);
    ASSERT_EQ(ui.messages.size(), 2u);
    for (const ScriptedUi::Message& message : ui.messages) {
        EXPECT_EQ(message.text, "Es konnte nicht gepr\xFC" "ft werden, welche Programme laufen.\n"
                                "Beenden Sie alle Programme, die auf die Versionen zugreifen, und versuchen Sie es "
                                "dann erneut, oder fahren Sie auf eigene Verantwortung fort (Ignorieren).");
        EXPECT_EQ(message.type, static_cast<UINT>(MB_ICONWARNING | MB_ABORTRETRYIGNORE));
    }
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");

    ui.answers = {IDIGNORE};
    EXPECT_EQ(SwitchCodesys(state, ui), ChangeOutcome::Done);
    EXPECT_EQ(GetCurrentCodesysName(), "CoDeSys 2.3.8.1");
}

// Wine runs every process in one session, so what a walk from another session finds is scripted:
// this run's own process, and the products' programs of signed-in users in their sessions.
TEST(RunningPrograms, ProgramsOfOtherSessionsAreFoundByTheirPathAndNamedWithSessionAndUser)
{
    ScratchDir dir;
    SuiteVersionEntry entry;
    entry.programPath = dir / "Brivane";
    entry.renamePath = dir / "Brivane V2.15.1.20";
    SeamOverride<bool(const char*, const char*)> windows(seams::FindTopLevelWindow, [](const char*, const char*) { return false; });
    DWORD ownSession = 0;
    auto walk = [&](const seams::ProcessVisitor& visit) {
        visit({GetCurrentProcessId(), "C:\\Program Files\\Flipdeck\\Flipdeck.exe", ownSession, "NT AUTHORITY\\SYSTEM"});
        visit({901, entry.programPath + "\\Kalvio\\workbench.exe", 1, "PC-0815\\anna"});
        visit({902, entry.renamePath + "\\bin\\Kondor.exe", 2, "PC-0815\\ben"});
        visit({903, dir / "Brivane2\\Kalvio\\workbench.exe", 1, "PC-0815\\anna"});  // beside the folder
        visit({904, "C:\\Windows\\explorer.exe", 1, "PC-0815\\anna"});
        return true;
    };
    SeamOverride<bool(const seams::ProcessVisitor&)> processes(seams::WalkProcesses, walk);
    const std::string anna = "\t" + entry.programPath + "\\Kalvio\\workbench.exe (Sitzung 1, Benutzer PC-0815\\anna)\n";
    const std::string ben = "\t" + entry.renamePath + "\\bin\\Kondor.exe (Sitzung 2, Benutzer PC-0815\\ben)\n";
    auto listed = [](const std::string& lines) {
        return "Folgende Programme wurden als aktiv erkannt:\n\n" + lines + "\nBeenden Sie diese Programme und versuchen Sie es dann erneut!";
    };

    // From session 0, where a deployment tool runs, no user's window is seen: every session counts.
    ScriptedUi ui;
    ui.answers = {IDABORT};
    EXPECT_FALSE(CheckRunningPrograms({entry}, 0, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, listed(anna + ben));

    // From a user's session 1 the windows there are seen; the other user's program is not.
    ownSession = 1;
    ui.messages.clear();
    ui.answers = {IDABORT};
    EXPECT_FALSE(CheckRunningPrograms({entry}, 0, ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, listed(ben));
}
