#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FolderDialog.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

// The picker with a scripted browser that records what it was shown with and answers `answer_`
// (empty: cancelled).
class FolderPicker : public ::testing::Test {
protected:
    void SetUp() override { MakeDirs(existing_); }

    ScratchDir scratch_;
    const std::string existing_ = scratch_ / "Kalvio 2.14";
    std::vector<FolderBrowse> shown_;
    std::string answer_;
    SeamOverride<std::string(const FolderBrowse&)> browser_{CFolderDialog::ShowBrowser,
                                                            [this](const FolderBrowse& browse) {
                                                                shown_.push_back(browse);
                                                                return answer_;
                                                            }};
};

// Wine's browser finds the initial folder by comparing item ids byte for byte, last access time
// included. A folder read for the first time since it changed gets a new access time halfway
// through that search, and the search fails when the time crosses a two-second step. Reading every
// folder on the path once beforehand keeps their access times still.
void ReadFoldersOnPath(const std::string& path)
{
    for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        WIN32_FIND_DATAA found;
        UniqueFind listing(FindFirstFileA((path.substr(0, end) + "\\*").c_str(), &found));
        if (end == std::string::npos)
            break;
    }
}

}  // namespace

TEST_F(FolderPicker, OpensAtTheNearestExistingFolderAndACancelLeavesThatInThePath)
{
    // An existing path of 260 characters ("\." names the same folder again); an odd number of
    // characters before the dots needs a sub-folder of an odd-length name.
    std::string longPath = existing_;
    if (longPath.size() % 2 != 0) {
        longPath += "\\ab";
        MakeDirs(longPath);
    }
    while (longPath.size() < MAX_PATH)
        longPath += "\\.";
    ASSERT_EQ(longPath.size(), 260u);

    struct Case {
        std::string handedIn;
        std::string shortened;
    };
    const Case cases[] = {
        {existing_ + "\\Missing\\Deeper", existing_},
        {existing_, existing_},
        {"", ""},
        {"no-such-folder\\inner", ""},
        {longPath, longPath},
    };
    for (const Case& c : cases) {
        std::string path = c.handedIn;
        shown_.clear();
        EXPECT_EQ(CFolderDialog().Browse(path), -1) << c.handedIn;
        EXPECT_EQ(path, c.shortened);
        ASSERT_EQ(shown_.size(), 1u);
        EXPECT_EQ(shown_[0].initialFolder, c.shortened.substr(0, 259));
        EXPECT_EQ(shown_[0].title, "Ordner wählen");
    }
}

TEST_F(FolderPicker, AChosenFolderReplacesThePath)
{
    UniqueAny<WindowTraits> owner(
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    answer_ = "D:\\Kalvio 2.15";
    std::string path = existing_ + "\\Missing";
    EXPECT_EQ(CFolderDialog(owner.get(), "Umbenennungspfad").Browse(path), 1);
    EXPECT_EQ(path, answer_);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].owner, owner.get());
    EXPECT_EQ(shown_[0].title, "Umbenennungspfad");
    EXPECT_EQ(shown_[0].initialFolder, existing_);
}

// The shell's own browser under Wine: it opens with the initial folder selected, so OK at once
// chooses that folder.
TEST(ShellFolderBrowser, OpensAtTheInitialFolder)
{
    ScratchDir scratch;
    const std::string existing = scratch / "Kalvio 2.14";
    MakeDirs(existing);
    ReadFoldersOnPath(existing);

    std::string path = existing + "\\Missing";
    int result = 0;
    RunScripted([&] { result = CFolderDialog().Browse(path); },
                {{[](HWND) { return true; }, [](HWND browser) { Click(browser, IDOK); }}});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(path, existing);

    path = existing;
    RunScripted([&] { result = CFolderDialog().Browse(path); },
                {{[](HWND) { return true; }, [](HWND browser) { Click(browser, IDCANCEL); }}});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(path, existing);
}
