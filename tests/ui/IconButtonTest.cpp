#include <gtest/gtest.h>

#include "resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/IconButton.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

constexpr int kWidth = 22;
constexpr int kHeight = 20;

// Stands in for a command header: a window with icon buttons that reflects their drawing.
class ReflectingParent : public CWindowSubclass {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_DRAWITEM)
            return Default(message, wParam, lParam);
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        return SendMessageA(item->hwndItem, kReflectedDrawItem, wParam, lParam);
    }
};

class IconButtons : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_.reset(CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 60,
                                      nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(parent_);
        ASSERT_TRUE(reflector_.Attach(parent_.get()));
        ASSERT_TRUE(left_.Create(parent_.get(), ID_CMD_DELETE, {10, 10, 10 + kWidth, 10 + kHeight}, IDI_DELETE, 16,
                                 "L\xF6schen (Entf)"));
        ASSERT_TRUE(right_.Create(parent_.get(), ID_CMD_MOVE_UP, {10 + kWidth, 10, 10 + 2 * kWidth, 10 + kHeight},
                                  IDI_MOVE_UP, 16, "Nach oben schieben (Strg+Nach-oben)"));
    }

    // Moves the real mouse pointer to a point of the parent's client area.
    void PointAt(int x, int y)
    {
        POINT point{x, y};
        ClientToScreen(parent_.get(), &point);
        SetCursorPos(point.x, point.y);
    }

    // The frame's left and right edge, and everything inside it compared with the 16-pixel image
    // of the delete icon drawn at (iconX, iconY) on the button face. A click gives the button the
    // focus: the ring of its focus rectangle is left out.
    static void ExpectPicture(HWND button, int left, int right, int iconX, int iconY)
    {
        Capture actual = CaptureWindow(button);
        ASSERT_EQ(actual.pixels.size(), static_cast<size_t>(kWidth * kHeight));
        EXPECT_EQ(actual.At(0, kHeight / 2), GetSysColor(left));
        EXPECT_EQ(actual.At(kWidth - 1, kHeight / 2), GetSysColor(right));
        Capture expected = CaptureDrawing(kWidth, kHeight, [&](HDC dc) {
            RECT all{0, 0, kWidth, kHeight};
            FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
            DrawIconEx(dc, iconX, iconY, LoadIconResource(IDI_DELETE, 16).get(), 16, 16, 0, nullptr, DI_NORMAL);
        });
        int differences = 0;
        for (int y = 1; y < kHeight - 1; ++y) {
            for (int x = 1; x < kWidth - 1; ++x) {
                const bool focusRing = x == 2 || y == 2 || x == kWidth - 3 || y == kHeight - 3;
                differences += !focusRing && actual.At(x, y) != expected.At(x, y);
            }
        }
        EXPECT_EQ(differences, 0);
    }

    UniqueAny<WindowTraits> parent_;
    ReflectingParent reflector_;
    CIconButton left_;
    CIconButton right_;
};

}  // namespace

TEST_F(IconButtons, FlatAtRestRaisedUnderTheMouseSunkenWhilePressed)
{
    HWND button = left_.GetHwnd();
    ASSERT_NE(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    ExpectPicture(button, COLOR_BTNFACE, COLOR_BTNFACE, 3, 2);

    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(left_.IsHovered());
    ExpectPicture(button, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, 3, 2);

    // Pressed, then dragged off the button and released there: sunken only while inside.
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ExpectPicture(button, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, 4, 3);
    SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 40));
    ExpectPicture(button, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, 3, 2);
    SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(60, 40));

    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(left_.IsHovered());
    ExpectPicture(button, COLOR_BTNFACE, COLOR_BTNFACE, 3, 2);
}

TEST_F(IconButtons, OnlyTheButtonUnderTheMouseIsRaised)
{
    PointAt(10 + kWidth / 2, 20);
    ASSERT_TRUE(PumpUntil([&] { return left_.IsHovered(); }));
    EXPECT_FALSE(right_.IsHovered());
    PointAt(10 + kWidth + kWidth / 2, 20);
    EXPECT_TRUE(PumpUntil([&] { return right_.IsHovered() && !left_.IsHovered(); }));
    PointAt(150, 50);
    EXPECT_TRUE(PumpUntil([&] { return !right_.IsHovered() && !left_.IsHovered(); }));
}

TEST_F(IconButtons, ATabStopNamedForScreenReadersThatShowsItsFocus)
{
    HWND button = left_.GetHwnd();
    EXPECT_NE(GetWindowLongA(button, GWL_STYLE) & WS_TABSTOP, 0);
    EXPECT_EQ(GetWindowString(button), "L\xF6schen (Entf)");
    // Once the keyboard was used, the focus shows as a dotted frame inside the button's edge.
    SendMessageA(parent_.get(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    const Capture focused = CaptureWindow(button);
    int dots = 0;
    for (int x = 2; x < kWidth - 2; ++x)
        dots += focused.At(x, 2) != GetSysColor(COLOR_BTNFACE);
    EXPECT_GT(dots, 0);
    SetFocus(right_.GetHwnd());
    const Capture unfocused = CaptureWindow(button);
    for (int x = 2; x < kWidth - 2; ++x)
        EXPECT_EQ(unfocused.At(x, 2), GetSysColor(COLOR_BTNFACE)) << x;
}
