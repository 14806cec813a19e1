// Stands in for the suite's programs, CoDeSys.exe and regsvr32.exe in tests and the demo world.
// It carries a version resource, appends "<its path>|<its command line>" to
// %TEMP%\flipdeck-standin-calls.log, and, when a file "<its path>.hang" exists, stays running with a
// hidden top-level window that records the WM_SETTINGCHANGE broadcasts it receives. When a file
// "<its path>.fail" exists and its text occurs in the command line, it ends with exit code 5, as
// regsvr32 does when a component cannot be registered.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string FileText(const std::string& path)
{
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[256];
        for (size_t read; (read = std::fread(chunk, 1, sizeof(chunk), file)) > 0;)
            text.append(chunk, read);
        std::fclose(file);
    }
    return text;
}

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

void Record(const std::string& line)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    // Several stand-ins may record at once: append under a named mutex.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "FlipdeckStandInCalls");
    WaitForSingleObject(mutex, 5000);
    if (FILE* file = std::fopen((std::string(temp) + "flipdeck-standin-calls.log").c_str(), "ab")) {
        std::fprintf(file, "%s|%s\r\n", OwnPath().c_str(), line.c_str());
        std::fclose(file);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTINGCHANGE)
        Record(std::string("WM_SETTINGCHANGE ") + (lParam ? reinterpret_cast<const char*>(lParam) : ""));
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Record(GetCommandLineA());
    const std::string failing = FileText(OwnPath() + ".fail");
    if (!failing.empty() && std::string(GetCommandLineA()).find(failing) != std::string::npos)
        return 5;
    if (GetFileAttributesA((OwnPath() + ".hang").c_str()) == INVALID_FILE_ATTRIBUTES)
        return 0;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "FlipdeckStandIn";
    RegisterClassA(&windowClass);
    CreateWindowA("FlipdeckStandIn", "Flipdeck stand-in", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                  instance, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
