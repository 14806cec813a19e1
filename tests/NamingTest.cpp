#include <gtest/gtest.h>

#include "catalogue/Naming.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

TEST(PathExists, FindsFilesAndFoldersByFirstMatch)
{
    ScratchDir dir;
    MakeDirs(dir / "Folder");
    WriteFileBytes(dir / "file.txt", "x");
    EXPECT_TRUE(PathExists(dir / "Folder"));
    EXPECT_TRUE(PathExists(dir / "FOLDER"));
    EXPECT_TRUE(PathExists(dir / "file.txt"));
    EXPECT_TRUE(PathExists(dir / "f*.txt"));  // wildcards act as wildcards
    EXPECT_FALSE(PathExists(dir / "Folder\\"));  // a trailing backslash is not found
    EXPECT_FALSE(PathExists(dir / "missing"));
    EXPECT_FALSE(PathExists(""));
}

TEST(ProposeRenamePath, TakesTheFirstFreeNumberedName)
{
    ScratchDir dir;
    SuiteVersionEntry entry;
    entry.programPath = dir / "Brivane";
    entry.version = "2.14.0.310";
    EXPECT_EQ(ProposeRenamePath(entry), dir / "Brivane V2.14.0.310");
    MakeDirs(dir / "Brivane V2.14.0.310");
    EXPECT_EQ(ProposeRenamePath(entry), dir / "Brivane V2.14.0.310_1");
    WriteFileBytes(dir / "Brivane V2.14.0.310_1", "a file blocks the name too");
    EXPECT_EQ(ProposeRenamePath(entry), dir / "Brivane V2.14.0.310_2");
}

TEST(DeriveInstallationPath, CutsAfterTheProductWordOrAsksTheLayout)
{
    EXPECT_EQ(DeriveInstallationPath("C:\\Brivane_V2", "K", "M"), "C:\\Brivane");
    EXPECT_EQ(DeriveInstallationPath("D:\\Brivane_alt\\", "K", "M"), "D:\\Brivane");
    EXPECT_EQ(DeriveInstallationPath("D:\\x\\brivane V2.14\\\\", "K", "M"), "D:\\x\\brivane");
    EXPECT_EQ(DeriveInstallationPath("D:\\Meridan 3.0", "K", "M"), "D:\\Meridan");
    EXPECT_EQ(DeriveInstallationPath("Brivane_V2", "K", "M"), "Brivane");  // no backslash at all
    EXPECT_EQ(DeriveInstallationPath("D:\\Brivane\\Versions\\V2\\", "K", "M"), "D:\\Brivane\\Versions\\V2");
    // Only a last folder name that starts with the word is cut.
    EXPECT_EQ(DeriveInstallationPath("D:\\Parked\\Old Brivane", "K", "M"), "D:\\Parked\\Old Brivane");
    EXPECT_EQ(DeriveInstallationPath("D:\\Parked\\MDN-Meridan 3", "K", "M"), "D:\\Parked\\MDN-Meridan 3");

    ScratchDir dir;
    MakeDirs(dir / "V2\\Kalvio");
    WriteFileBytes(dir / "V2\\Kalvio\\workbench.exe", "");
    MakeDirs(dir / "V3\\program");
    WriteFileBytes(dir / "V3\\program\\workbench.exe", "");
    EXPECT_EQ(DeriveInstallationPath(dir / "V2", "C:\\Kalvio-Install", "C:\\Meridan-Install"),
              "C:\\Kalvio-Install");
    EXPECT_EQ(DeriveInstallationPath(dir / "V3", "C:\\Kalvio-Install", "C:\\Meridan-Install"),
              "C:\\Meridan-Install");
    MakeDirs(dir / "Old Brivane\\Kalvio");
    WriteFileBytes(dir / "Old Brivane\\Kalvio\\workbench.exe", "");
    EXPECT_EQ(DeriveInstallationPath(dir / "Old Brivane", "C:\\Kalvio-Install", "C:\\Meridan-Install"),
              "C:\\Kalvio-Install");
}
