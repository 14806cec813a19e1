#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <vector>

#include "resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DlgFlipdeckEdit.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

const char kCaption[] = "Versionsumschaltung - Eintrag";
const char kRenamePath[] = "C:\\Kalvio 2.14.0.310";
const char kHelpFile[] = "C:\\Kalvio\\help\\kalvio.hlp";

std::string CurrentDirectory()
{
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

// An entry in the dialog, and a folder picker that wanders off into another folder (as the
// shell's browser may) and answers `choice`, or cancels when it is empty.
class EntryEdit : public ::testing::Test {
protected:
    EntryEdit()
    {
        dialog_.name = "Kalvio 2.14.0.310";
        dialog_.renamePath = kRenamePath;
        dialog_.helpFile = kHelpFile;
        dialog_.version = "2.14.0.310";
    }

    bool Pick(std::string& path)
    {
        ++picks_;
        startedWith_ = path;
        SetCurrentDirectoryA(elsewhere_.Path().c_str());
        path = choice_.empty() ? "C:\\" : choice_;  // a cancel must not show what the picker did
        return !choice_.empty();
    }

    // Runs the dialog, presses "..." of the rename path, then OK. Returns what the rename path
    // showed after the browse; the current directory must have survived the picker.
    std::string BrowseRenamePathAndConfirm()
    {
        const std::string before = CurrentDirectory();
        std::string shown;
        EXPECT_EQ(RunModal(dialog_, {{Captioned(kCaption), [](HWND edit) { Click(edit, IDC_EDIT_RENAME_PATH_BROWSE); }},
                                     {Captioned(kCaption),
                                      [&](HWND edit) {
                                          shown = GetItemText(edit, IDC_EDIT_RENAME_PATH);
                                          EXPECT_EQ(CurrentDirectory(), before);
                                          Click(edit, IDOK);
                                      }}}),
                  IDOK);
        return shown;
    }

    ScratchDir elsewhere_;
    std::string choice_;
    std::string startedWith_;
    int picks_ = 0;
    CDlgFlipdeckEdit dialog_{[this](std::string& path) { return Pick(path); }};
};

const int kHelpRow[] = {IDC_EDIT_HELPFILE, IDC_EDIT_HELPFILE_LABEL, IDC_EDIT_HELPFILE_BROWSE};

}  // namespace

TEST_F(EntryEdit, ShowsTheEntryWithTheNameLockedAndHandsTheHiddenHelpFileBack)
{
    EXPECT_EQ(RunModal(dialog_, {{Captioned(kCaption),
                                  [](HWND edit) {
                                      EXPECT_FALSE(IsWindowEnabled(GetDlgItem(edit, IDC_EDIT_NAME)));
                                      for (int id : kHelpRow)
                                          EXPECT_FALSE(IsWindowVisible(GetDlgItem(edit, id))) << id;
                                      EXPECT_EQ(GetItemText(edit, IDC_EDIT_NAME), "Kalvio 2.14.0.310");
                                      EXPECT_EQ(GetItemText(edit, IDC_EDIT_RENAME_PATH), kRenamePath);
                                      EXPECT_EQ(GetItemText(edit, IDC_EDIT_VERSION), "2.14.0.310");
                                      Click(edit, IDOK);
                                  }}}),
              IDOK);
    EXPECT_EQ(dialog_.name, "Kalvio 2.14.0.310");
    EXPECT_EQ(dialog_.renamePath, kRenamePath);
    EXPECT_EQ(dialog_.helpFile, kHelpFile);
    EXPECT_EQ(dialog_.version, "2.14.0.310");
}

TEST_F(EntryEdit, RenamePathBrowseTakesOnlyAPickedFolderAndKeepsTheCurrentDirectory)
{
    EXPECT_EQ(BrowseRenamePathAndConfirm(), kRenamePath);  // cancelled
    EXPECT_EQ(dialog_.renamePath, kRenamePath);

    choice_ = "D:\\parked\\Kalvio 2.14.0.310";
    EXPECT_EQ(BrowseRenamePathAndConfirm(), choice_);
    EXPECT_EQ(startedWith_, kRenamePath);
    EXPECT_EQ(picks_, 2);
    EXPECT_EQ(dialog_.renamePath, choice_);

    // A further run starts from what the last one accepted; Cancel keeps it.
    EXPECT_EQ(RunModal(dialog_, {{Captioned(kCaption),
                                  [&](HWND edit) {
                                      EXPECT_EQ(GetItemText(edit, IDC_EDIT_RENAME_PATH), choice_);
                                      Click(edit, IDCANCEL);
                                  }}}),
              IDCANCEL);
    EXPECT_EQ(dialog_.renamePath, choice_);
}

TEST_F(EntryEdit, HelpFileBrowseOffersHelpFilesAndTakesTheChosenOne)
{
    const std::string chosen = elsewhere_ / "kalvio.hlp";
    WriteFileBytes(chosen, "help");
    dialog_.showHelpFile = true;
    HWND edit = nullptr;
    std::vector<std::string> fileTypes;
    EXPECT_EQ(RunModal(dialog_, {{Captioned(kCaption),
                                  [&](HWND shown) {
                                      edit = shown;
                                      for (int id : kHelpRow)
                                          EXPECT_TRUE(IsWindowVisible(GetDlgItem(shown, id))) << id;
                                      Click(shown, IDC_EDIT_HELPFILE_BROWSE);
                                  }},
                                 {[&](HWND front) { return GetWindow(front, GW_OWNER) == edit; },
                                  [&](HWND files) {
                                      HWND types = GetDlgItem(files, cmb1);
                                      char text[256];
                                      for (WPARAM i = 0; SendMessageA(types, CB_GETLBTEXT, i,
                                                                      reinterpret_cast<LPARAM>(text)) != CB_ERR;
                                           ++i)
                                          fileTypes.push_back(text);
                                      // The file name box of the Explorer-style dialog, else of the old style.
                                      HWND name = GetDlgItem(files, cmb13);
                                      SetWindowTextA(name != nullptr ? name : GetDlgItem(files, edt1), chosen.c_str());
                                      Click(files, IDOK);
                                  }},
                                 {Captioned(kCaption),
                                  [&](HWND shown) {
                                      EXPECT_EQ(GetItemText(shown, IDC_EDIT_HELPFILE), chosen);
                                      Click(shown, IDOK);
                                  }}}),
              IDOK);
    EXPECT_EQ(fileTypes, (std::vector<std::string>{"Hilfedatei", "Alle Dateien (*.*)"}));
    EXPECT_EQ(dialog_.helpFile, chosen);
    EXPECT_EQ(picks_, 0);
}
