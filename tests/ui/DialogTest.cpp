#include <gtest/gtest.h>

#include <stdexcept>

#include "resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Dialog.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

constexpr UINT kProbeCode = 1234;
constexpr int kThrowingCommand = 4321;

// A dialog that answers a notification, the drag icon query, and throws where told to.
class ProbeDialog : public CDialog {
public:
    explicit ProbeDialog(bool failInit = false) : CDialog(IDD_ENTRY_EDIT), failInit_(failInit) {}
    HICON dragIcon = LoadIconResource(IDR_MAINFRAME);

protected:
    BOOL OnInitDialog() override
    {
        if (failInit_)
            throw std::runtime_error("initialisation failed");
        return TRUE;
    }
    bool OnCommand(int id, int code, HWND control) override
    {
        if (id == kThrowingCommand)
            throw std::runtime_error("command failed");
        return CDialog::OnCommand(id, code, control);
    }
    bool OnNotify(NMHDR* header, LRESULT& result) override
    {
        result = 42;
        return header->code == kProbeCode;
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        result = reinterpret_cast<LRESULT>(dragIcon);
        return message == WM_QUERYDRAGICON;
    }

private:
    bool failInit_;
};

}  // namespace

TEST(Dialog, AnswersReachTheSenderTheWayTheDialogManagerExpects)
{
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HWND hwnd = dialog.GetHwnd();
    NMHDR probe{hwnd, 7, kProbeCode};
    EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&probe)), 42);
    probe.code = kProbeCode + 1;
    EXPECT_EQ(SendMessageA(hwnd, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&probe)), 0);
    // WM_QUERYDRAGICON is answered by the procedure's return value, not DWLP_MSGRESULT.
    ASSERT_NE(dialog.dragIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hwnd, WM_QUERYDRAGICON, 0, 0)), dialog.dragIcon);

    // An exception in a handler stays inside; a modeless dialog goes away on OK.
    SendMessageA(hwnd, WM_COMMAND, kThrowingCommand, 0);
    EXPECT_TRUE(IsWindow(hwnd));
    SendMessageA(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dialog.GetHwnd(), nullptr);

    // A dialog whose initialisation throws ends at once.
    ProbeDialog failing(true);
    EXPECT_EQ(failing.DoModal(), -1);
    EXPECT_EQ(FrontDialog(), nullptr);
}

TEST(Dialog, TemplatesComeFromTheLanguageLibraryOrElseFromTheProgram)
{
    UniqueModule english = LoadAsData(EnglishLibraryPath());
    ASSERT_TRUE(english);
    UseResourceModule useEnglish(english.get());
    {
        CDialog about(IDD_ABOUTBOX);
        ASSERT_TRUE(about.Create());
        EXPECT_EQ(GetWindowString(about.GetHwnd()), "About Flipdeck");
        // The icon the template names comes from the program: the library has none.
        EXPECT_NE(SendDlgItemMessageA(about.GetHwnd(), IDC_STATIC, STM_GETICON, 0, 0), 0);
    }
    EXPECT_NE(LoadIconResource(IDI_DELETE), nullptr);

    UniqueModule noDialogs = LoadAsData(StandInPath("kalvio_2_14", "workbench.exe"));
    ASSERT_TRUE(noDialogs);
    UseResourceModule useNoDialogs(noDialogs.get());
    CDialog about(IDD_ABOUTBOX);
    ASSERT_TRUE(about.Create());
    EXPECT_EQ(GetWindowString(about.GetHwnd()), "Info \xFC" "ber Flipdeck");
}
