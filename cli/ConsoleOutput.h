// Where the command line's texts go. A program built for windows has no console of its own: it
// writes to the standard handles its caller redirected, else to the console of the process that
// started it. Texts arrive readable: a console gets UTF-16, a file or a pipe UTF-8.
#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace flipdeck {

enum class OutputStream { Out, Error };

class ConsoleOutput {
public:
    // Takes the standard handles; for one that was not handed over, the parent's console.
    ConsoleOutput();

    // Writes text of the system code page; line ends become CR LF. Text for a stream that goes
    // nowhere is dropped.
    void Write(OutputStream stream, const std::string& text);
    void WriteLine(OutputStream stream, const std::string& text) { Write(stream, text + "\n"); }

private:
    struct Target {
        HANDLE handle = nullptr;
        bool console = false;
    };
    static Target TargetOf(HANDLE handle);

    UniqueFileHandle parentConsole_;
    Target out_;
    Target error_;
};

// Text of the system code page as UTF-16, and as UTF-8.
std::wstring WideFromAnsi(const std::string& text);
std::string Utf8FromAnsi(const std::string& text);

}  // namespace flipdeck
