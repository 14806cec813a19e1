#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/Dialog.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

struct Text {
    unsigned id;
    const char* text;
};
const Text kEnglish[] = {
#define FLIPDECK_TEXT(symbol, number, text) {number, text},
#include "messages_eng.inc"
#undef FLIPDECK_TEXT
};
const unsigned kProgramIds[] = {
#define FLIPDECK_TEXT(symbol, number, text) number,
#include "messages.inc"
#undef FLIPDECK_TEXT
};
const UINT kDialogIds[] = {IDD_ABOUTBOX, IDD_FLIPDECK_DIALOG, IDD_ENTRY_EDIT, IDD_VERIFY};

// What a dialog is made of apart from its texts: class, id, styles and place of the dialog
// and of every control.
std::vector<std::string> DialogShape(UINT id)
{
    CDialog dialog(id);
    std::vector<std::string> shape;
    if (!dialog.Create())
        return shape;
    for (HWND window = dialog.GetHwnd(); window != nullptr;
         window = window == dialog.GetHwnd() ? GetWindow(window, GW_CHILD) : GetWindow(window, GW_HWNDNEXT)) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof(className));
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, dialog.GetHwnd(), reinterpret_cast<POINT*>(&rect), 2);
        char text[256];
        std::snprintf(text, sizeof(text), "%s %d %lx %lx %ld %ld %ld %ld", className, GetDlgCtrlID(window),
                 GetWindowLongA(window, GWL_STYLE), GetWindowLongA(window, GWL_EXSTYLE), rect.left, rect.top,
                 rect.right, rect.bottom);
        shape.push_back(text);
    }
    return shape;
}

}  // namespace

TEST(LanguageLibrary, HoldsEveryTextAndDialogOfTheProgramInEnglish)
{
    UniqueModule library = LoadAsData(EnglishLibraryPath());
    ASSERT_TRUE(library) << EnglishLibraryPath();
    ASSERT_EQ(std::size(kEnglish), std::size(kProgramIds));
    for (size_t i = 0; i < std::size(kProgramIds); ++i) {
        ASSERT_EQ(kEnglish[i].id, kProgramIds[i]);
        char buffer[4097];  // as much as a string table entry holds
        int length = LoadStringA(library.get(), kProgramIds[i], buffer, sizeof(buffer));
        ASSERT_GT(length, 0) << kProgramIds[i];
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(length)), kEnglish[i].text) << kProgramIds[i];
    }

    // Same dialogs as the program's, differing only in their texts.
    for (UINT id : kDialogIds) {
        ASSERT_NE(FindResourceA(library.get(), MAKEINTRESOURCEA(id), RT_DIALOG), nullptr) << id;
        std::vector<std::string> german = DialogShape(id);
        UseResourceModule useEnglish(library.get());
        EXPECT_GT(german.size(), 3u) << id;
        EXPECT_EQ(DialogShape(id), german) << id;
    }
}
