// The main dialog: both catalogues, the current versions, and every command. It owns the state of
// the run and shows what the operations ask it to show.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <mutex>

#include "base/UniqueHandle.h"
#include "catalogue/RunState.h"
#include "catalogue/UserInterface.h"
#include "steps/RunStartup.h"
#include "ui/CommandHeader.h"
#include "ui/Dialog.h"
#include "ui/ListKeys.h"

namespace flipdeck {

class CFlipdeckDlg : public CDialog, public UserInterface {
public:
    // `installPath`: the suite's installation path the settings library answered at start-up.
    CFlipdeckDlg(std::string installPath, RunStartup startup);

    // UserInterface
    int ShowMessage(const std::string& text, UINT type, const std::string& caption) override;
    std::vector<int> SelectedSuiteRows() override;
    int FocusedSuiteRow() override;
    void SelectSuiteRow(int row) override;
    void ShowSuiteList(const std::vector<SuiteVersionEntry>& entries) override;
    std::vector<int> SelectedCodesysRows() override;
    int FocusedCodesysRow() override;
    void SelectCodesysRow(int row) override;
    void ShowCodesysList(const std::vector<CodesysVersionEntry>& entries) override;
    void SetField(CurrentField field, const std::string& text) override;
    bool AutoStartChecked() override;
    bool MayStartPrograms() override { return true; }
    bool PickFolder(std::string& path) override;
    bool EditEntry(EntryEditValues& values) override;
    void RunWithProgress(const std::function<void(SwitchProgress&)>& work) override;
    void ShowSteps(const SwitchPreview& preview) override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    bool OnSysCommand(WPARAM command, LPARAM lParam) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    class ProgressRelay;

    // What OK does: saves each catalogue whose list changed since it was last saved, then closes.
    // A successful change or start closes this way too, so that no edit of the lists is lost.
    void SaveAndClose();
    void RunSuiteCommand(UINT command);
    void RunCodesysCommand(UINT command);
    void PaintMinimisedIcon();
    // Draws the row of the version that is live in bold on a tinted ground (in system colours
    // under high contrast).
    LRESULT DrawListRow(NMLVCUSTOMDRAW& draw);
    HFONT BoldListFont();
    // Lays out what the dialog manager does not scale from dialog units: the headers' buttons,
    // the bold font and the lists' columns.
    void LayoutForDpi();
    void ShowProgress(bool running);
    // Verifies the machine again, as far as `depth`, and marks the rows of the versions a switch
    // cannot go to now.
    void RefreshFindings(VerifyDepth depth);
    void MarkRows(int listId, const char* product);
    // The findings that stand in the way of a switch to a row's version, for its tooltip.
    bool RowTip(NMHDR* header, std::string& tip);
    void ShowStep(size_t number, size_t count);

    RunState state_;
    RunStartup startup_;
    CCommandHeader suiteHeader_;
    CCommandHeader codesysHeader_;
    CListKeys suiteKeys_;
    CListKeys codesysKeys_;
    HICON icon_ = nullptr;
    std::string ownVersion_;
    UniqueFont boldFont_;
    std::vector<Finding> findings_;
    // While a switch runs, no command of the user is taken.
    bool switching_ = false;
    std::mutex stepMutex_;
    std::string stepText_;  // the step the switch is at, written by the switch's thread
};

}  // namespace flipdeck
