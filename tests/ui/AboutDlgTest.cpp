#include <gtest/gtest.h>

#include "base/VersionInfo.h"
#include "resource.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AboutDlg.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

// Opens the about box, reads caption and text, and closes it with `button`.
std::string ShowAboutBox(int button, INT_PTR expectedResult)
{
    std::string seen;
    CAboutDlg about;
    EXPECT_EQ(RunModal(about, {{[](HWND dialog) { return GetDlgItem(dialog, IDC_ABOUT_TEXT) != nullptr; },
                                [&](HWND dialog) {
                                    seen = GetWindowString(dialog) + "|" + GetItemText(dialog, IDC_ABOUT_TEXT);
                                    Click(dialog, button);
                                }}}),
              expectedResult);
    return seen;
}

}  // namespace

TEST(AboutBox, ShowsTheProgramsVersionAndCopyrightInTheCurrentLanguage)
{
    CVersionInfo own;
    ASSERT_TRUE(own.Open());
    ASSERT_EQ(own.GetProductVersion(), FLIPDECK_PROJECT_VERSION);
    const std::string version = FLIPDECK_PROJECT_VERSION;

    EXPECT_EQ(ShowAboutBox(IDOK, IDOK), "Info \xFC" "ber Flipdeck|Kalvio Versionsumschaltung\nVersion " + version +
                                            "\nCopyright \xA9 Brivane\nAlle Rechte vorbehalten");

    UniqueModule english = LoadAsData(EnglishLibraryPath());
    ASSERT_TRUE(english);
    UseResourceModule useEnglish(english.get());
    EXPECT_EQ(ShowAboutBox(IDCANCEL, IDCANCEL), "About Flipdeck|Kalvio Version Switcher\nVersion " + version +
                                                    "\nCopyright \xA9 Brivane\nAll rights reserved");
}
