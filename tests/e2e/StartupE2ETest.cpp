#include <gtest/gtest.h>

#include <algorithm>

#include "base/Registry.h"
#include "catalogue/SuiteCatalogue.h"
#include "resource.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

class StartupE2E : public ::testing::Test {
protected:
    ScopedDemoWorld world_;
    ScratchLogFolder log_;
};

}  // namespace

TEST_F(StartupE2E, OpensWithBannerCatalogueCurrentVersionAndList)
{
    FlipdeckProcess flipdeck;
    HWND main = flipdeck.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(TextOf(main), "Versionsumschaltung - 1.0.0.1");
    EXPECT_EQ(ItemTextOf(main, IDC_KALVIO_NAME), "Kalvio 2.14.0.310");
    EXPECT_EQ(ItemTextOf(main, IDC_KALVIO_RENAME_PATH), "C:\\Brivane V2.14.0.310");
    EXPECT_EQ(flipdeck.ListRows(IDC_KALVIO_LIST, 4),
              (std::vector<std::vector<std::string>>{{"Kalvio 2.14.0.310", "C:\\Brivane V2.14.0.310", "2.14.0.310", ""},
                                                     {"Kalvio 2.15.1.20", "C:\\Brivane V2.15.1.20", "2.15.1.20", ""},
                                                     {"MDN 3.0.2.7", "C:\\MERIDAN V3.0.2.7", "3.0.2.7", ""}}));
    EXPECT_EQ(IsDlgButtonChecked(main, IDC_AUTOSTART), static_cast<UINT>(BST_UNCHECKED));

    std::vector<std::string> log = log_.Messages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], std::string(46, '='));
    EXPECT_EQ(log[1], "Flipdeck 1.0.0.1 started");
    for (const char* line : {"Name1: Kalvio 2.14.0.310", "Path1: C:\\Brivane V2.14.0.310", "PrgPath1: C:\\Brivane",
                             "Version1: 2.14.0.310", "HelpFile1: ", "Name3: MDN 3.0.2.7", "Name4: not found in registry",
                             "CurrentVersionName: Kalvio 2.14.0.310"})
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;

    flipdeck.Click(IDCANCEL);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
}

TEST_F(StartupE2E, SecondInstanceEndsAtOnceWithoutWindowOrLogLine)
{
    FlipdeckProcess first;
    ASSERT_NE(first.WaitForMainWindow(), nullptr);
    const size_t lines = log_.Messages().size();
    FlipdeckProcess second;
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(DialogWindowsOf(second.Id()).empty());
    EXPECT_EQ(log_.Messages().size(), lines);
}

TEST_F(StartupE2E, WithoutInstallationPathsRefusesWithoutLogging)
{
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path");
    DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path");
    FlipdeckProcess flipdeck;
    MessageBoxWindow box = flipdeck.WaitForMessageBox();
    EXPECT_EQ(box.text, "Bitte f\xFChren Sie das Programm als Administrator aus!");
    FlipdeckProcess::Answer(box, IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    EXPECT_TRUE(log_.Messages().empty());
}

TEST_F(StartupE2E, AutoStartIsSavedEverywhereOnOkAndNowhereOnCancel)
{
    {
        FlipdeckProcess flipdeck;
        ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
        flipdeck.Click(IDC_AUTOSTART);
        flipdeck.Click(IDCANCEL);
        EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    }
    BYTE autoStart = 9;
    EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, kSuiteCatalogueKey, "AutoStart", autoStart));
    EXPECT_EQ(autoStart, 0);

    FlipdeckProcess flipdeck;
    ASSERT_NE(flipdeck.WaitForMainWindow(), nullptr);
    flipdeck.Click(IDC_AUTOSTART);
    flipdeck.Click(IDOK);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
    for (const char* key : {kSuiteCatalogueKey, kMeridanCatalogueKey}) {
        EXPECT_TRUE(ReadRegByte(HKEY_CURRENT_USER, key, "AutoStart", autoStart)) << key;
        EXPECT_EQ(autoStart, 1) << key;
    }
    const std::vector<std::string> log = log_.Messages();
    EXPECT_NE(std::find(log.begin(), log.end(), "SaveAllKalvio"), log.end());
}

TEST_F(StartupE2E, EnglishLanguageSettingShowsTheEnglishLibrary)
{
    WriteRegString(HKEY_CURRENT_USER, "SOFTWARE\\Brivane\\Kalvio", "sLanguage", "eng");
    FlipdeckProcess flipdeck;
    HWND main = flipdeck.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(TextOf(main), "Version Switcher - 1.0.0.1");
    flipdeck.Click(IDCANCEL);
    EXPECT_EQ(flipdeck.WaitForExit(), 0u);
}
