// The user interface of the command line, where nobody is at the screen: every question gets the
// answer that changes least, every message is printed (results to standard output, refusals,
// warnings and failures to standard error), and the selected row is the one the command names.
// The dialog shows results and some refusals ("already active") alike, with the information
// icon: those messages are held until the command's outcome tells which they were.
#pragma once

#include "catalogue/UserInterface.h"
#include "cli/ConsoleOutput.h"

namespace flipdeck {

// The button that changes least for a message box of `type`: Abort for abort/retry/ignore (the
// command stops), Cancel where there is one, No for yes/no, else OK.
int LeastChangingAnswer(UINT type);

class ConsoleUi : public UserInterface {
public:
    // `autoStart`: the stored setting, which stands for the dialog's check box. `json`: a preview is
    // printed as one JSON document, and its notice is held with the information messages.
    ConsoleUi(ConsoleOutput& output, bool autoStart, bool json) : output_(output), autoStart_(autoStart), json_(json) {}

    int ShowMessage(const std::string& text, UINT type, const std::string& caption) override;
    std::vector<int> SelectedSuiteRows() override { return RowList(suiteRow_); }
    int FocusedSuiteRow() override { return suiteRow_; }
    void SelectSuiteRow(int row) override { suiteRow_ = row; }
    void ShowSuiteList(const std::vector<SuiteVersionEntry>&) override {}
    std::vector<int> SelectedCodesysRows() override { return RowList(codesysRow_); }
    int FocusedCodesysRow() override { return codesysRow_; }
    void SelectCodesysRow(int row) override { codesysRow_ = row; }
    void ShowCodesysList(const std::vector<CodesysVersionEntry>&) override {}
    void SetField(CurrentField, const std::string&) override {}
    bool AutoStartChecked() override { return autoStart_; }
    bool MayStartPrograms() override { return false; }
    bool PickFolder(std::string&) override { return false; }
    bool EditEntry(EntryEditValues&) override { return false; }
    // Runs the work on this thread and prints each step as it starts.
    void RunWithProgress(const std::function<void(SwitchProgress&)>& work) override;
    void ShowSteps(const SwitchPreview& preview) override;

    // Prints the information messages held so far to `stream`.
    void Release(OutputStream stream);

private:
    static std::vector<int> RowList(int row) { return row < 0 ? std::vector<int>() : std::vector<int>{row}; }

    ConsoleOutput& output_;
    bool autoStart_;
    bool json_;
    int suiteRow_ = -1;
    int codesysRow_ = -1;
    std::string held_;
};

}  // namespace flipdeck
