#include "app/ConsoleFront.h"

#include <vector>

#include "app/ProgramLanguage.h"
#include "base/LocalizedString.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "cli/CommandLine.h"
#include "cli/ConsoleOutput.h"

namespace flipdeck {

namespace seams {

std::function<DWORD(const std::wstring&, std::wstring&, STARTUPINFOW&, PROCESS_INFORMATION&)> StartFlipdeck =
    [](const std::wstring& program, std::wstring& commandLine, STARTUPINFOW& startup, PROCESS_INFORMATION& started) {
        // The program by its full path as the application name: never a search of the current
        // folder or the PATH.
        return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                              &startup, &started)
                   ? static_cast<DWORD>(ERROR_SUCCESS)
                   : GetLastError();
    };

}  // namespace seams

namespace {

// Flipdeck.exe in the folder of this program, which may be longer than MAX_PATH.
std::wstring FlipdeckBeside()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            const std::wstring self(path.data(), length);
            return self.substr(0, self.find_last_of(L'\\') + 1) + L"Flipdeck.exe";
        }
        path.resize(path.size() * 2);
    }
}

// What Flipdeck.exe gets for a standard handle: an inheritable copy of this program's, a console,
// a file or a pipe. Where a console handle means nothing in another process (before Windows 8),
// Flipdeck.exe finds it unusable and attaches to the console of its parent, this program.
UniqueHandle HandOn(DWORD which)
{
    HANDLE handle = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return UniqueHandle();
    return UniqueHandle(copy);
}

}  // namespace

int RunConsoleFront(const std::wstring& commandLine)
{
    const std::wstring program = FlipdeckBeside();
    std::wstring line = L"\"" + program + L"\"" + commandLine.substr(ArgumentsStart(commandLine));
    const UniqueHandle input = HandOn(STD_INPUT_HANDLE);
    const UniqueHandle output = HandOn(STD_OUTPUT_HANDLE);
    const UniqueHandle error = HandOn(STD_ERROR_HANDLE);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = error.get();
    PROCESS_INFORMATION started{};
    const DWORD failure = seams::StartFlipdeck(program, line, startup, started);
    if (failure != ERROR_SUCCESS) {
        // Said on standard error, in the language Flipdeck uses.
        UniqueModule language;
        SelectProgramLanguage(language);
        const bool administrator = failure == kElevationRequired;
        ConsoleOutput().WriteLine(OutputStream::Error,
                                  administrator ? LoadLocalizedString(IDS_RUN_AS_ADMIN)
                                                : FormatLocalized(IDS_FRONT_NOT_STARTED, {FromWide(program), SystemErrorText(failure)}));
        return administrator ? static_cast<int>(ExitCode::NoAdministrator) : kFrontNotStarted;
    }
    CloseHandle(started.hThread);
    const UniqueHandle process(started.hProcess);
    // Ctrl+C would end this program alone and leave Flipdeck.exe running unseen, its exit code lost:
    // it is ignored until Flipdeck.exe has ended, as a change must not be cut short anyway.
    SetConsoleCtrlHandler(nullptr, TRUE);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

}  // namespace flipdeck
