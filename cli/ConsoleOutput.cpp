#include "cli/ConsoleOutput.h"

namespace flipdeck {

namespace {

// A handle that leads somewhere: a caller that redirected nothing leaves it empty, or hands over
// one that no longer means anything in this process.
bool Usable(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    SetLastError(NO_ERROR);
    return GetFileType(handle) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

void WriteAll(HANDLE handle, const char* data, size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, data, static_cast<DWORD>(size), &written, nullptr) || written == 0)
            return;
        data += written;
        size -= written;
    }
}

}  // namespace

std::wstring WideFromAnsi(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Utf8FromAnsi(const std::string& text)
{
    const std::wstring wide = WideFromAnsi(text);
    if (wide.empty())
        return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

ConsoleOutput::Target ConsoleOutput::TargetOf(HANDLE handle)
{
    Target target;
    if (!Usable(handle))
        return target;
    DWORD mode = 0;
    target.handle = handle;
    target.console = GetConsoleMode(handle, &mode) != FALSE;
    return target;
}

ConsoleOutput::ConsoleOutput()
{
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if ((!Usable(out) || !Usable(error)) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        parentConsole_.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
        if (!Usable(out))
            out = parentConsole_.get();
        if (!Usable(error))
            error = parentConsole_.get();
    }
    out_ = TargetOf(out);
    error_ = TargetOf(error);
}

void ConsoleOutput::Write(OutputStream stream, const std::string& text)
{
    const Target& target = stream == OutputStream::Out ? out_ : error_;
    if (target.handle == nullptr)
        return;
    std::string lines;
    lines.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            lines += '\r';
        lines += text[i];
    }
    if (!target.console) {
        const std::string utf8 = Utf8FromAnsi(lines);
        WriteAll(target.handle, utf8.data(), utf8.size());
        return;
    }
    const std::wstring wide = WideFromAnsi(lines);
    for (size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        if (!WriteConsoleW(target.handle, wide.data() + done, static_cast<DWORD>(wide.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

}  // namespace flipdeck
