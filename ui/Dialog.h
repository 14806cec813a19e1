// The thin dialog layer: a dialog object bound to a window made from a dialog template.
#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace flipdeck {

// Base of the program's dialogs. The template comes from the current resource module (the
// language library when one is loaded, else the program), the icons that templates name from
// the program itself. A derived class overrides the handlers it needs; each answers whether it
// handled the message, and the base turns that into what the dialog manager expects.
class CDialog {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    // Destroys the window of a modeless dialog that is still open.
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally: IDOK, IDCANCEL or what EndDialog was given; -1 when the window
    // could not be created or its initialisation failed.
    INT_PTR DoModal();
    // Creates the dialog modelessly (hidden unless the template says WS_VISIBLE); false on failure.
    // The caller's message loop must pass messages through IsDialogMessage.
    bool Create();

    HWND GetHwnd() const { return hwnd_; }
    HWND GetItem(int id) const { return GetDlgItem(hwnd_, id); }
    std::string GetItemText(int id) const;
    void SetItemText(int id, const std::string& text) const;

    // Ends a modal dialog with `result`; destroys a modeless one.
    void EndDialog(INT_PTR result);

protected:
    // Copies the members into the controls (save false) or the controls into the members (true).
    virtual void DoDataExchange(bool save);
    // Default: DoDataExchange(false); TRUE lets the dialog manager focus the first control.
    virtual BOOL OnInitDialog();
    // WM_COMMAND. Default: IDOK runs OnOK, IDCANCEL (also Escape and the close box) OnCancel.
    virtual bool OnCommand(int id, int code, HWND control);
    // Default: DoDataExchange(true), then EndDialog(IDOK).
    virtual void OnOK();
    // Default: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // WM_NOTIFY; `result` is the notification's answer. A notification without its record never
    // gets here.
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    // WM_SYSCOMMAND; unhandled commands get the default handling.
    virtual bool OnSysCommand(WPARAM command, LPARAM lParam);
    // Every other message; `result` is the message's answer (WM_QUERYDRAGICON: the icon).
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    const DLGTEMPLATE* FindTemplate() const;

    UINT templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

// Text of a window or of a dialog's control, any length.
std::string GetWindowString(HWND window);
std::string GetItemText(HWND dialog, int id);
void SetItemText(HWND dialog, int id, const std::string& text);

// An icon resource (shared, never destroyed) from the resource module, else from the program:
// language libraries carry no icons.
HICON LoadIconResource(UINT id);
// The image of that size of an icon resource, the same way; null when the icon is missing.
UniqueIcon LoadIconResource(UINT id, int size);

}  // namespace flipdeck
