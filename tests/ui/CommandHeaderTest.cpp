#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/CommandHeader.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

constexpr WORD kSuiteButtons = kSuiteHeaderButtons;
constexpr WORD kCodesysButtons = kCodesysHeaderButtons;

// Records the command notifications that reach a window, with their wParam.
class NotifyRecorder : public CWindowSubclass {
public:
    std::vector<std::pair<WPARAM, CommandNotification>> received;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const auto* record = reinterpret_cast<const CommandNotification*>(lParam);
        if (message == WM_NOTIFY && record->header.code == kCommandNotificationCode)
            received.emplace_back(wParam, *record);
        return Default(message, wParam, lParam);
    }
};

struct Button {
    HWND hwnd;
    int id;
    RECT rect;  // in the header's client coordinates
    std::string tooltip;
};

// The header's buttons from left to right.
std::vector<Button> ButtonsOf(const CCommandHeader& header)
{
    std::vector<Button> buttons;
    HWND hwnd = header.GetHwnd();
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
        char text[80] = {};
        TTTOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = hwnd;
        tool.uId = reinterpret_cast<UINT_PTR>(child);
        tool.lpszText = text;
        SendMessageA(header.GetToolTip(), TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
        buttons.push_back({child, GetDlgCtrlID(child), rect, text});
    }
    std::sort(buttons.begin(), buttons.end(),
              [](const Button& a, const Button& b) { return a.rect.left < b.rect.left; });
    return buttons;
}

std::vector<int> IdsOf(const std::vector<Button>& buttons)
{
    std::vector<int> ids;
    for (const Button& button : buttons)
        ids.push_back(button.id);
    return ids;
}

// The main dialog's template with both captions made command headers, as the main dialog does.
class MainDialogHeaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Hidden: nothing here needs the screen, and Wine is slow to take a shown window away.
        ASSERT_TRUE(dialog_.Create());
        ASSERT_TRUE(recorder_.Attach(dialog_.GetHwnd()));
        ASSERT_TRUE(suite_.Init(IDC_KALVIO_HEADER, dialog_.GetHwnd(), kSuiteButtons));
        ASSERT_TRUE(codesys_.Init(IDC_CODESYS_HEADER, dialog_.GetHwnd(), kCodesysButtons));
    }

    CDialog dialog_{IDD_FLIPDECK_DIALOG};
    NotifyRecorder recorder_;
    CCommandHeader suite_;
    CCommandHeader codesys_;
};

// A bare caption of a given client size, for the edges of the layout.
class BareHeader : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 100, 100, 300, 100,
                                      nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(parent_);
    }

    HWND MakeCaption(int width, int height)
    {
        return CreateWindowExA(0, "STATIC", " Kalvio Versionen", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 50, width,
                               height, parent_.get(), reinterpret_cast<HMENU>(IDC_KALVIO_HEADER), nullptr, nullptr);
    }

    UniqueAny<WindowTraits> parent_;
};

}  // namespace

TEST_F(MainDialogHeaders, ButtonsSitRightAlignedInCommandOrderNamedWithTheirKeys)
{
    using Expected = std::vector<std::pair<int, std::string>>;
    const std::pair<const CCommandHeader*, Expected> headers[] = {
        {&suite_,
         {{ID_CMD_VERIFY, "Prüfen (F7)"},
          {ID_CMD_START, "Start (Strg+F5)"},
          {ID_CMD_NEW, "Neu (Einfg)"},
          {ID_CMD_DELETE, "Löschen (Entf)"},
          {ID_CMD_PREVIEW, "Vorschau des Wechsels (Umschalt+F5)"},
          {ID_CMD_CHANGE, "Version wechseln (F5)"},
          {ID_CMD_MOVE_UP, "Nach oben schieben (Strg+Nach-oben)"},
          {ID_CMD_MOVE_DOWN, "Nach unten schieben (Strg+Nach-unten)"}}},
        {&codesys_,
         {{ID_CMD_VERIFY, "Prüfen (F7)"},
          {ID_CMD_DELETE, "Löschen (Entf)"},
          {ID_CMD_PREVIEW, "Vorschau des Wechsels (Umschalt+F5)"},
          {ID_CMD_CHANGE, "Version wechseln (F5)"},
          {ID_CMD_MOVE_UP, "Nach oben schieben (Strg+Nach-oben)"},
          {ID_CMD_MOVE_DOWN, "Nach unten schieben (Strg+Nach-unten)"}}},
    };
    for (const auto& [header, expected] : headers) {
        RECT client{};
        GetClientRect(header->GetHwnd(), &client);
        EXPECT_GE(client.bottom, 20);
        constexpr LONG kStyles = SS_CENTERIMAGE | SS_NOTIFY | SS_SUNKEN;
        EXPECT_EQ(GetWindowLongA(header->GetHwnd(), GWL_STYLE) & kStyles, kStyles);

        const std::vector<Button> buttons = ButtonsOf(*header);
        ASSERT_EQ(buttons.size(), expected.size());
        EXPECT_EQ(SendMessageA(header->GetToolTip(), TTM_GETTOOLCOUNT, 0, 0), static_cast<LRESULT>(buttons.size()));
        // Touching each other up to the right edge, over the strip's full height.
        for (size_t i = 0; i < buttons.size(); ++i) {
            const auto right = static_cast<LONG>(client.right - 22 * (buttons.size() - 1 - i));
            const RECT place{right - 22, (client.bottom - 20) / 2, right, client.bottom};
            EXPECT_EQ(buttons[i].id, expected[i].first);
            EXPECT_EQ(buttons[i].tooltip, expected[i].second);
            EXPECT_EQ(GetWindowString(buttons[i].hwnd), expected[i].second) << "the name a screen reader reads";
            EXPECT_TRUE(EqualRect(&buttons[i].rect, &place)) << buttons[i].tooltip;
        }
    }
}

TEST_F(MainDialogHeaders, EveryButtonReportsItsCommandToTheDialog)
{
    for (const CCommandHeader* header : {&suite_, &codesys_}) {
        const auto headerId = static_cast<UINT_PTR>(GetDlgCtrlID(header->GetHwnd()));
        for (const Button& button : ButtonsOf(*header)) {
            recorder_.received.clear();
            SendMessageA(button.hwnd, BM_CLICK, 0, 0);
            ASSERT_EQ(recorder_.received.size(), 1u) << button.tooltip;
            const auto& [wParam, record] = recorder_.received[0];
            EXPECT_EQ(wParam, (static_cast<WPARAM>(button.id) << 16) | headerId);
            EXPECT_EQ(record.header.hwndFrom, header->GetHwnd());
            EXPECT_EQ(record.header.idFrom, headerId);
            EXPECT_EQ(record.command, static_cast<UINT>(button.id));

            // The second click of a double-click runs nothing more.
            SendMessageA(header->GetHwnd(), WM_COMMAND, MAKEWPARAM(button.id, BN_DOUBLECLICKED),
                         reinterpret_cast<LPARAM>(button.hwnd));
            EXPECT_EQ(recorder_.received.size(), 1u) << button.tooltip;

            // Enter on the focused button presses it; the dialog's default button does not get it.
            MSG enter{};
            enter.hwnd = button.hwnd;
            enter.message = WM_KEYDOWN;
            enter.wParam = VK_RETURN;
            EXPECT_NE(SendMessageA(button.hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE, 0)
                << button.tooltip;
            SendMessageA(button.hwnd, WM_KEYDOWN, VK_RETURN, 1);
            ASSERT_EQ(recorder_.received.size(), 2u) << button.tooltip;
            EXPECT_EQ(recorder_.received[1].second.command, static_cast<UINT>(button.id));
        }
    }
}

TEST_F(MainDialogHeaders, TheHeaderHandsTheDrawingToItsButtons)
{
    const std::vector<Button> buttons = ButtonsOf(suite_);
    ASSERT_EQ(buttons.size(), 8u);
    SendMessageA(buttons[2].hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    // Raised frame on the button under the mouse only; the icon drawn on every button.
    for (const Button& button : buttons) {
        const Capture picture = CaptureWindow(button.hwnd);
        const bool hovered = button.hwnd == buttons[2].hwnd;
        EXPECT_EQ(picture.At(0, 10), GetSysColor(hovered ? COLOR_BTNHIGHLIGHT : COLOR_BTNFACE)) << button.tooltip;
        int iconPixels = 0;
        for (int y = 1; y < 19; ++y) {
            for (int x = 1; x < 21; ++x)
                iconPixels += picture.At(x, y) != GetSysColor(COLOR_BTNFACE);
        }
        EXPECT_GT(iconPixels, 0) << button.tooltip;
    }
}

TEST_F(MainDialogHeaders, InitOnAReopenedDialogCanKeepTheButtonSet)
{
    EXPECT_FALSE(codesys_.Init(IDC_CODESYS_HEADER, dialog_.GetHwnd(), kSuiteButtons)) << "attached already";
    EXPECT_EQ(ButtonsOf(codesys_).size(), 6u);

    // The tooltip goes with the dialog.
    HWND tooltip = codesys_.GetToolTip();
    DestroyWindow(dialog_.GetHwnd());
    EXPECT_EQ(codesys_.GetHwnd(), nullptr);
    EXPECT_FALSE(IsWindow(tooltip));
    CDialog reopened(IDD_FLIPDECK_DIALOG);
    ASSERT_TRUE(reopened.Create());
    ASSERT_TRUE(codesys_.Init(IDC_CODESYS_HEADER, reopened.GetHwnd(), kKeepButtonSet));
    EXPECT_EQ(IdsOf(ButtonsOf(codesys_)),
              (std::vector<int>{ID_CMD_VERIFY, ID_CMD_DELETE, ID_CMD_PREVIEW, ID_CMD_CHANGE, ID_CMD_MOVE_UP, ID_CMD_MOVE_DOWN}));
    EXPECT_EQ(SendMessageA(codesys_.GetToolTip(), TTM_GETTOOLCOUNT, 0, 0), 6);
}

TEST_F(BareHeader, ALowCaptionGrowsUpwardsToTwentyPixels)
{
    HWND low = MakeCaption(200, 19);
    CCommandHeader header;
    ASSERT_TRUE(header.Init(IDC_KALVIO_HEADER, parent_.get(), kCodesysButtons));
    RECT placed{};
    GetWindowRect(low, &placed);
    MapWindowPoints(nullptr, parent_.get(), reinterpret_cast<POINT*>(&placed), 2);
    const RECT grown{10, 49, 210, 69};
    EXPECT_TRUE(EqualRect(&placed, &grown));
    for (const Button& button : ButtonsOf(header)) {
        EXPECT_EQ(button.rect.top, 0);
        EXPECT_EQ(button.rect.bottom, 20);
    }
}

TEST_F(BareHeader, ButtonsOnlyWhereTheyFitAndNeverALoneStartButton)
{
    struct Case {
        int width;
        WORD buttonSet;
        std::vector<int> ids;
        LONG firstLeft;
    };
    const Case cases[] = {
        {22, kSuiteButtons, {}, 0},
        {23, kSuiteButtons, {ID_CMD_MOVE_DOWN}, 1},
        {200, kStartButton, {}, 0},
        {30, kStartButton | kMoveDownButton, {ID_CMD_START, ID_CMD_MOVE_DOWN}, -14},
        {44, kStartButton | kMoveDownButton | kMoveUpButton, {ID_CMD_MOVE_DOWN}, 22},
    };
    for (const Case& c : cases) {
        UniqueAny<WindowTraits> caption(MakeCaption(c.width, 30));
        CCommandHeader header;
        ASSERT_TRUE(header.Init(IDC_KALVIO_HEADER, parent_.get(), c.buttonSet));
        const std::vector<Button> buttons = ButtonsOf(header);
        EXPECT_EQ(IdsOf(buttons), c.ids) << "width " << c.width << ", set " << c.buttonSet;
        if (!buttons.empty()) {
            EXPECT_EQ(buttons.front().rect.left, c.firstLeft) << "width " << c.width;
            // A taller caption puts the strip's top at half the extra height.
            EXPECT_EQ(buttons.front().rect.top, 5);
            EXPECT_EQ(buttons.front().rect.bottom, 30);
        }
    }
}
