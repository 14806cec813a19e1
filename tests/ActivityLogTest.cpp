#include <gtest/gtest.h>

#include <windows.h>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

TEST(ActivityLog, FormatsDateTimeAndText)
{
    std::tm when{};
    when.tm_mday = 5;
    when.tm_mon = 2;
    when.tm_year = 124;
    when.tm_hour = 7;
    when.tm_min = 8;
    when.tm_sec = 9;
    EXPECT_EQ(FormatLogLine(&when, "x"), "05.03.2024 07:08:09 x");
    EXPECT_EQ(FormatLogLine(nullptr, "x"), "00.00.0000 -1:-1:-1 x");
}

TEST(ActivityLog, PathIsInTheDocumentsFolder)
{
    std::string path = ActivityLogPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(path.size() - 21), "\\Brivane\\flipdeck.log");
}

TEST(ActivityLog, WithoutTheBrivaneFolderNothingIsCreated)
{
    ScratchLogFolder state(false);
    EXPECT_FALSE(WriteLog("dropped"));
    EXPECT_EQ(GetFileAttributesA(ScratchLogFolder::Folder().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ActivityLog, AppendsCrLfLinesInWindows1252)
{
    ScratchLogFolder state(true);
    const std::string path = ActivityLogPath();
    WriteFileBytes(path, "earlier line\r\n");

    ASSERT_TRUE(WriteLog("first"));
    ASSERT_TRUE(WriteLog("two\nlines"));
    ASSERT_TRUE(WriteLog(LoadLocalizedString(IDS_DELETE)));

    std::string log = ReadFileBytes(path);
    ASSERT_EQ(log.compare(0, 14, "earlier line\r\n"), 0);
    // "dd.mm.yyyy hh:mm:ss " is 20 characters.
    std::vector<std::string> lines;
    for (size_t start = 14, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(log.substr(start, end - start));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(20), "first");
    EXPECT_EQ(lines[0][2], '.');
    EXPECT_EQ(lines[0][13], ':');
    EXPECT_EQ(lines[1].substr(20), "two");
    EXPECT_EQ(lines[2], "lines");  // a continuation line carries no time stamp
    EXPECT_EQ(lines[3].substr(20), "L\xF6schen");  // the umlaut is one Windows-1252 byte
}

TEST(ActivityLog, LinesWrittenTogetherAppearOnlyWhenWrittenAndInOrder)
{
    ScratchLogFolder state(true);
    LogLines lines;
    EXPECT_TRUE(lines.Write());  // nothing to write: no file either
    EXPECT_EQ(GetFileAttributesA(ActivityLogPath().c_str()), INVALID_FILE_ATTRIBUTES);

    lines.Add("first");
    WriteLog("between");
    lines.Add("two\nlines");
    EXPECT_EQ(state.Messages(), std::vector<std::string>{"between"});
    ASSERT_TRUE(lines.Write());
    ASSERT_TRUE(lines.Write());  // written once only
    EXPECT_EQ(state.Messages(), (std::vector<std::string>{"between", "first", "two", "lines"}));

    ScratchLogFolder missing(false);
    lines.Add("dropped");
    EXPECT_FALSE(lines.Write());
    EXPECT_EQ(GetFileAttributesA(ScratchLogFolder::Folder().c_str()), INVALID_FILE_ATTRIBUTES);
}
