#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "base/VersionInfo.h"
#include "catalogue/Naming.h"
#include "resource.h"
#include "steps/Journal.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/TestSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const char kKalvio214[] = "Kalvio 2.14.0.310";
const char kKalvio215[] = "Kalvio 2.15.1.20";

// The demo world with a regsvr32 stand-in that keeps running when told to: a switch waits on it.
class RecoveryE2E : public ::testing::Test {
protected:
    // Starts a switch to the parked Kalvio version through the header's button.
    static void StartSwitch(FlipdeckProcess& flipdeck)
    {
        ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
        flipdeck.SelectRows(IDC_KALVIO_LIST, {1});
        flipdeck.Click(ID_CMD_CHANGE, IDC_KALVIO_HEADER);
    }

    // Waits until the switch has started regsvr32, which hangs.
    bool WaitForRegistration() const
    {
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (regsvr32_.CommandLines().empty() && GetTickCount64() < deadline)
            Sleep(50);
        return !regsvr32_.CommandLines().empty();
    }

    size_t LinesWith(const std::string& text) const
    {
        const std::vector<std::string> log = log_.Messages();
        return static_cast<size_t>(std::count_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }

    SavedSystemPath path_;
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
    RecordingRegsvr32 regsvr32_;
};

// The part of the screen a window covers, as a 24-bit bitmap file.
void SaveScreenOf(HWND window, const std::string& path)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::string pixels(stride * static_cast<DWORD>(height), '\0');
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(info) + pixels.size()), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(info)};
    WriteFileBytes(path, std::string(reinterpret_cast<const char*>(&file), sizeof(file)) +
                             std::string(reinterpret_cast<const char*>(&info), sizeof(info)) + pixels);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace

TEST_F(RecoveryE2E, ASwitchEndedFromOutsideIsUndoneAtTheNextStart)
{
    const world::Snapshot before = world::Snapshot::Take();
    regsvr32_.Hang();
    {
        FlipdeckProcess flipdeck;
        StartSwitch(flipdeck);
        ASSERT_TRUE(WaitForRegistration());
        // The object ends the process with TerminateProcess: no clean-up of any kind.
    }
    regsvr32_.Release();
    ASSERT_TRUE(JournalExists());
    EXPECT_EQ(GetProductVersionText("C:\\Brivane\\Kalvio\\workbench.exe"), "2.15.1.20");

    FlipdeckProcess next;
    const MessageBoxWindow box = next.WaitForMessageBox();
    const std::string recovered = std::string("Ein Versionswechsel von ") + kKalvio214 + " nach " + kKalvio215 +
                                  " wurde unterbrochen. Der Zustand vor dem Wechsel wurde wiederhergestellt:";
    EXPECT_EQ(box.text.substr(0, recovered.size()), recovered);
    EXPECT_NE(box.text.find("Ordner C:\\Brivane nach C:\\Brivane V2.14.0.310 verschieben"), std::string::npos);
    FlipdeckProcess::Answer(box, IDOK);
    HWND main = next.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ItemTextOf(main, IDC_KALVIO_NAME), kKalvio214);
    next.Click(IDCANCEL);
    EXPECT_EQ(next.WaitForExit(), 0u);

    EXPECT_FALSE(JournalExists());
    EXPECT_EQ(LinesWith("Recovery of an unfinished switch from Kalvio 2.14.0.310 to Kalvio 2.15.1.20"), 1u);
    EXPECT_EQ(LinesWith("Undone: Ordner C:\\Brivane V2.15.1.20 nach C:\\Brivane verschieben"), 1u);
    EXPECT_EQ(LinesWith("Recovery done."), 1u);
    // The components of the version put back are registered again.
    EXPECT_EQ(regsvr32_.CommandLines().back(), "regsvr32 /s \"C:\\Brivane\\bin\\RemotePanel.dll\"");
    world::Snapshot after = world::Snapshot::Take();
    after.machinePath = before.machinePath;  // the bin path stays in front, as after a failed switch
    EXPECT_EQ(before.Differences(after), "");
}

TEST_F(RecoveryE2E, ADamagedJournalIsNamedAtTheStartAndNothingMovesUntilItIsDealtWith)
{
    {
        SwitchPlan plan;
        plan.fromName = kKalvio214;
        plan.toName = kKalvio215;
        JournalWriter writer;
        ASSERT_TRUE(writer.Begin(plan));
        ASSERT_TRUE(writer.Append(1, MoveFolderStep("C:\\Brivane", "C:\\Brivane V2.14.0.310"), UndoData()));
    }
    const std::string whole = ReadFileBytes(JournalPath());
    std::string garbled = whole;
    garbled[whole.size() - 20] ^= 0x01;
    const world::Snapshot before = world::Snapshot::Take();
    const struct {
        const char* name;
        std::string contents;
        std::string problem;
    } journals[] = {{"empty", "", "sie ist leer"},
                    {"header cut short", whole.substr(0, whole.find("\r\n") - 12), "sie endet mitten in einer Zeile"},
                    {"garbled", garbled, "Zeile 2 ist besch\xE4" "digt"}};
    for (const auto& journal : journals) {
        SCOPED_TRACE(journal.name);
        WriteFileBytes(JournalPath(), journal.contents);
        FlipdeckProcess flipdeck;
        const MessageBoxWindow box = flipdeck.WaitForMessageBox();
        EXPECT_NE(box.text.find(JournalPath()), std::string::npos) << box.text;
        EXPECT_NE(box.text.find(journal.problem), std::string::npos) << box.text;
        FlipdeckProcess::Answer(box, IDOK);
        // The program goes on; a switch is refused while the journal waits.
        StartSwitch(flipdeck);
        const MessageBoxWindow refusal = flipdeck.WaitForMessageBox();
        EXPECT_EQ(refusal.text, "Ein unterbrochener Versionswechsel ist noch nicht bereinigt (Journaldatei " + JournalPath() +
                                    "). Bis die Journaldatei gel\xF6scht ist, ist kein Versionswechsel m\xF6glich.");
        FlipdeckProcess::Answer(refusal, IDOK);
        flipdeck.Click(IDCANCEL);
        EXPECT_EQ(flipdeck.WaitForExit(), 0u);
        EXPECT_EQ(ReadFileBytes(JournalPath()), journal.contents);
        EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
    }
}

TEST_F(RecoveryE2E, WhileASwitchRunsTheDialogShowsItsStepAndTakesNoCommand)
{
    regsvr32_.Hang();
    FlipdeckProcess flipdeck;
    StartSwitch(flipdeck);
    ASSERT_TRUE(WaitForRegistration());
    HWND main = flipdeck.MainWindow();
    HWND text = GetDlgItem(main, IDC_PROGRESS_TEXT);
    HWND bar = GetDlgItem(main, IDC_PROGRESS_BAR);
    EXPECT_TRUE(IsWindowVisible(text));
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(TextOf(text), "Schritt 7 von 15: Komponente C:\\Brivane\\kalvio\\UiControls.dll registrieren (regsvr32 /s)");
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 7);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 15);
    SaveScreenOf(main, BinDir() + "\\switch-in-progress.bmp");

    // Clicks queued while the switch waits: a second change, OK, Cancel, the close box.
    flipdeck.SelectRows(IDC_KALVIO_LIST, {2});
    flipdeck.Click(ID_CMD_CHANGE, IDC_KALVIO_HEADER);
    flipdeck.Click(IDOK);
    flipdeck.Click(IDCANCEL);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(main, WM_CLOSE, 0, 0);
    Sleep(1000);
    EXPECT_EQ(flipdeck.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_TRUE(IsWindowVisible(text));

    regsvr32_.Release();
    const MessageBoxWindow done = flipdeck.WaitForMessageBox(60);
    EXPECT_EQ(done.text, "Der Wechsel war erfolgreich!");
    FlipdeckProcess::Answer(done, IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    // One switch ran, to the version chosen first; nothing of the queued clicks.
    EXPECT_EQ(LinesWith("OnChange CurrentVersionName"), 1u);
    EXPECT_EQ(GetProductVersionText("C:\\Brivane\\Kalvio\\workbench.exe"), "2.15.1.20");
    EXPECT_TRUE(PathExists("C:\\MERIDAN V3.0.2.7"));
}

TEST_F(RecoveryE2E, ThePreviewListsTheStepsOfTheSwitchAndChangesNothing)
{
    const world::Snapshot before = world::Snapshot::Take();
    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    flipdeck.SelectRows(IDC_CODESYS_LIST, {3});
    flipdeck.Click(ID_CMD_PREVIEW, IDC_CODESYS_HEADER);
    HWND preview = flipdeck.WaitForDialog(IDC_PREVIEW_LIST);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(ItemTextOf(preview, IDC_PREVIEW_HEADING), "Der Wechsel von CoDeSys 2.3.9.5 zu CoDeSys 2.3.7.0 macht diese Schritte:");
    const std::vector<std::vector<std::string>> steps = flipdeck.ListRows(IDC_PREVIEW_LIST, 2, preview);
    ASSERT_GT(steps.size(), 10u);
    EXPECT_EQ(steps[0], (std::vector<std::string>{"1", "Ordner C:\\windows\\syswow64\\CoDeSys 2.3.9.5 anlegen"}));
    EXPECT_EQ(steps[1][1], "Ordner C:\\Programme\\3S Software\\CoDeSys V2.3 nach C:\\Programme\\3S Software\\CoDeSys V2.3 2.3.9.5 verschieben");
    EXPECT_EQ(steps.back()[1], "Registrierungswert HKEY_CURRENT_USER\\SOFTWARE\\BRIVANE\\Flipdeck\\CS\\CurrentVersionName auf 'CoDeSys 2.3.7.0' setzen");
    SaveScreenOf(preview, BinDir() + "\\switch-preview.bmp");
    FlipdeckProcess::Press(preview, IDOK);
    flipdeck.Click(IDCANCEL);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    EXPECT_EQ(before.Differences(world::Snapshot::Take()), "");
}
