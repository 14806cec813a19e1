// Flipdeck.com, the console front of Flipdeck.exe. Typed as "flipdeck /list", cmd and PowerShell
// pick the .com before the .exe: it starts Flipdeck.exe from its own folder with the same
// arguments, hands it its output, waits for it and ends with its exit code, so that a console user
// sees the output and the code as a console program's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace flipdeck {

// ERROR_ELEVATION_REQUIRED, which MinGW-w64's winerror.h lacks.
constexpr DWORD kElevationRequired = 740;

namespace seams {

// Starts `program` with `commandLine` as CreateProcessW does, handing on the inheritable handles.
// Answers ERROR_SUCCESS, or the error that kept it from starting. A user without administrator
// rights gets kElevationRequired from Windows, as Flipdeck.exe asks for them in its manifest:
// Wine runs everything as an administrator, so tests answer it here.
extern std::function<DWORD(const std::wstring& program, std::wstring& commandLine, STARTUPINFOW& startup,
                           PROCESS_INFORMATION& started)>
    StartFlipdeck;

}  // namespace seams

// The exit code of Flipdeck.com when Flipdeck.exe beside it cannot be started; every other code
// is Flipdeck.exe's own.
constexpr int kFrontNotStarted = 12;

// Runs Flipdeck.exe from the folder of this program with the arguments of `commandLine`; answers
// its exit code. Without administrator rights it says so on standard error and answers 9 at once,
// as Flipdeck.exe would, instead of asking Windows to elevate a program whose output would go to a
// console of its own.
int RunConsoleFront(const std::wstring& commandLine);

}  // namespace flipdeck
