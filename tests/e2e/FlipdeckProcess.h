// Drives the real Flipdeck.exe from outside, as a technician would: finds its windows, reads and
// answers its message boxes, selects list rows and clicks buttons.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/TestSupport.h"

namespace flipdeck::test {

// A message box shown by the program: its window, caption and text.
struct MessageBoxWindow {
    HWND window = nullptr;
    std::string caption;
    std::string text;
};

class FlipdeckProcess {
public:
    // Starts bin\Flipdeck.exe; it runs until it ends by itself or the object ends it.
    FlipdeckProcess();
    ~FlipdeckProcess();
    FlipdeckProcess(const FlipdeckProcess&) = delete;
    FlipdeckProcess& operator=(const FlipdeckProcess&) = delete;

    // Waits for the main dialog; null when it did not appear within the deadline.
    HWND WaitForMainWindow(double seconds = 20);
    // Waits for a message box of the program; an empty result when none appeared.
    MessageBoxWindow WaitForMessageBox(double seconds = 20);
    // Presses a button of a message box (IDOK, IDYES, IDABORT, ...).
    static void Answer(const MessageBoxWindow& box, int button);

    // Waits for the process to end; its exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(double seconds = 20);
    DWORD Id() const { return processId_; }

    // Rows of a list view of the main dialog (or of `dialog`), column texts per row.
    std::vector<std::vector<std::string>> ListRows(int listId, int columns, HWND dialog = nullptr);
    // Makes `rows` the selection of a list view of the main dialog.
    void SelectRows(int listId, const std::vector<int>& rows);
    // Clicks a button of the main dialog, or of a command header (parentId) in it.
    void Click(int buttonId, int parentId = 0);
    // Double-clicks a row of a list view of the main dialog.
    void DoubleClickRow(int listId, int row);
    // Waits for a dialog of the program, other than the main dialog, that has a control `childId`;
    // null when none appeared.
    HWND WaitForDialog(int childId, double seconds = 20);
    // Waits for the shell's folder browser, selects `folder` in it and presses OK. False when no
    // browser appeared.
    bool ChooseFolder(const std::string& folder, double seconds = 20);
    // Clicks a button of any dialog of the program.
    static void Press(HWND dialog, int buttonId);

    HWND MainWindow() const { return main_; }

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
};

// The text of a window of another process (WM_GETTEXT: GetWindowText does not ask another
// process's edit controls).
std::string TextOf(HWND window);
std::string ItemTextOf(HWND dialog, int id);

// Top-level windows of a process that are visible dialogs (class "#32770").
std::vector<HWND> DialogWindowsOf(DWORD processId);

// Runs bin\Flipdeck.exe with `arguments` as they stand on its command line and waits for it to end.
CommandRun RunFlipdeckCommand(const std::string& arguments, double seconds = 120);

// UTF-8 text in the system code page, for comparing it with the program's texts.
std::string AnsiFromUtf8(const std::string& text);
// The lines (CR LF) of a command's UTF-8 output, in the system code page.
std::vector<std::string> Lines(const std::string& utf8);

}  // namespace flipdeck::test
