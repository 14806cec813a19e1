// Helpers for the tests that open the program's windows in-process: scripted answers to modal
// dialogs, message pumping with a deadline, pixel capture and the language library.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/LocalizedString.h"
#include "base/UniqueHandle.h"
#include "ui/Dialog.h"

namespace flipdeck::test {

// The dialog in front: the visible, enabled dialog window of this thread (a modal dialog
// disables its owner), or null.
HWND FrontDialog();

// Posts a button click, so that what the click starts runs in the dialog's own message loop.
void Click(HWND dialog, int id);

// One answer of a script: once `matches` accepts the dialog in front, `act` handles it.
struct UiStep {
    std::function<bool(HWND dialog)> matches;
    std::function<void(HWND dialog)> act;
};
std::function<bool(HWND)> Captioned(const std::string& caption);

// Runs `modal` (something that shows modal dialogs) while a timer plays the steps in order, and
// expects all of them to run. Past the deadline the dialogs in front are cancelled, so a broken
// dialog fails, not hangs.
void RunScripted(const std::function<void()>& modal, std::vector<UiStep> steps);
// The same for a dialog of the program: what DoModal answered.
INT_PTR RunModal(CDialog& dialog, std::vector<UiStep> steps);

// Dispatches this thread's messages until `done` answers true; false when the time ran out first.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Pixels, row by row: what a window paints of itself (PrintWindow), or what `paint` draws.
struct Capture {
    int width = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};
Capture CaptureDrawing(int width, int height, const std::function<void(HDC)>& paint);
Capture CaptureWindow(HWND window);

// The English language library beside the test program, and any module loaded as data, the
// way the program loads its language library.
std::string EnglishLibraryPath();
UniqueModule LoadAsData(const std::string& path);

// Makes `module` the resource module for the life of the object, then the program again.
class UseResourceModule {
public:
    explicit UseResourceModule(HMODULE module) { SetResourceModule(module); }
    ~UseResourceModule() { SetResourceModule(nullptr); }
    UseResourceModule(const UseResourceModule&) = delete;
    UseResourceModule& operator=(const UseResourceModule&) = delete;
};

// A window the test made, destroyed at the end of the test.
struct WindowTraits {
    using Type = HWND;
    static HWND Invalid() { return nullptr; }
    static void Close(HWND window) { DestroyWindow(window); }
};

}  // namespace flipdeck::test
