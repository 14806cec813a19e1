#include <gtest/gtest.h>

#include "base/VersionInfo.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

TEST(VersionInfo, ProductVersionNotFileVersion)
{
    // The stand-in carries product version 2.14.0.310 and file version 9.1.0.1.
    EXPECT_EQ(GetProductVersionText(StandInPath("kalvio_2_14", "workbench.exe")), "2.14.0.310");
    EXPECT_EQ(GetProductVersionText(StandInPath("codesys_2_3_9_5", "CoDeSys.exe")), "2.3.9.5");
    EXPECT_EQ(GetProductVersionText(StandInPath("missing", "workbench.exe")), "");
}

TEST(VersionInfo, QueriesStringsUnderTheFirstTranslation)
{
    CVersionInfo info;
    ASSERT_TRUE(info.Open(StandInPath("kalvio_2_15", "workbench.exe").c_str()));
    EXPECT_EQ(info.Translation(), 0x040704B0u);
    EXPECT_EQ(info.GetProductVersion(), "2.15.1.20");
    EXPECT_EQ(info.GetLegalCopyright(), "Stand-in 2.15.1.20");
    EXPECT_EQ(info.QueryString("FileVersion"), "9.1.0.2");
    EXPECT_EQ(info.QueryString("ProductVersion", 0x040904B0), "");  // no such block
    EXPECT_EQ(info.QueryString("NoSuchValue"), "");
}

TEST(VersionInfo, FilesWithoutResourceOpenEmpty)
{
    ScratchDir dir;
    WriteFileBytes(dir / "plain.exe", "not a program");
    CVersionInfo info;
    EXPECT_FALSE(info.Open((dir / "plain.exe").c_str()));
    EXPECT_EQ(info.GetProductVersion(), "");
    EXPECT_EQ(GetProductVersionText(dir / "plain.exe"), "");
}
