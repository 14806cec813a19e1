#include "tests/e2e/FlipdeckProcess.h"

#include <commctrl.h>
#include <shlobj.h>

#include <stdexcept>

#include "base/UniqueHandle.h"
#include "resource.h"
#include "tests/TestSupport.h"

namespace flipdeck::test {

namespace {

// Polls `ready` until it answers true or the deadline passes.
template <typename F>
bool WaitUntil(double seconds, F ready)
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount64() > deadline)
            return false;
        Sleep(50);
    }
}

std::string ClassName(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

// Memory in another process for the list view messages that take a pointer.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
    {
        if (address_ == nullptr)
            throw std::runtime_error("VirtualAllocEx failed");
    }
    ~RemoteBuffer() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    void Write(const void* data, size_t size, size_t offset = 0)
    {
        WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
    }
    void Read(void* data, size_t size, size_t offset = 0) const
    {
        ReadProcessMemory(process_, static_cast<const char*>(address_) + offset, data, size, nullptr);
    }
    LPARAM At(size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }

private:
    HANDLE process_;
    void* address_;
};

}  // namespace

std::string TextOf(HWND window)
{
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::string ItemTextOf(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

std::vector<HWND> DialogWindowsOf(DWORD processId)
{
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* search = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == search->processId && IsWindowVisible(window) && ClassName(window) == "#32770")
                search->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

CommandRun RunFlipdeckCommand(const std::string& arguments, double seconds)
{
    return RunProgram(BinDir() + "\\Flipdeck.exe", arguments, seconds);
}

std::string AnsiFromUtf8(const std::string& text)
{
    if (text.empty())
        return std::string();
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

FlipdeckProcess::FlipdeckProcess()
{
    const std::string program = BinDir() + "\\Flipdeck.exe";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        BinDir().c_str(), &startup, &info))
        throw std::runtime_error("cannot start " + program);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
}

FlipdeckProcess::~FlipdeckProcess()
{
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

HWND FlipdeckProcess::WaitForMainWindow(double seconds)
{
    WaitUntil(seconds, [&] {
        for (HWND window : DialogWindowsOf(processId_)) {
            if (GetDlgItem(window, IDC_KALVIO_LIST) != nullptr) {
                main_ = window;
                return true;
            }
        }
        return false;
    });
    return main_;
}

MessageBoxWindow FlipdeckProcess::WaitForMessageBox(double seconds)
{
    MessageBoxWindow box;
    WaitUntil(seconds, [&] {
        for (HWND window : DialogWindowsOf(processId_)) {
            // A message box shows its text in the static with id 0xFFFF.
            if (HWND text = GetDlgItem(window, 0xFFFF); text != nullptr && window != main_) {
                box = {window, TextOf(window), TextOf(text)};
                return true;
            }
        }
        return false;
    });
    return box;
}

void FlipdeckProcess::Answer(const MessageBoxWindow& box, int button)
{
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, button)));
    WaitUntil(10, [&] { return !IsWindow(box.window); });
}

DWORD FlipdeckProcess::WaitForExit(double seconds)
{
    WaitForSingleObject(process_, static_cast<DWORD>(seconds * 1000));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::vector<std::vector<std::string>> FlipdeckProcess::ListRows(int listId, int columns, HWND dialog)
{
    HWND list = GetDlgItem(dialog != nullptr ? dialog : main_, listId);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    constexpr size_t kText = 1024;
    RemoteBuffer remote(process_, sizeof(LVITEMA) + kText);
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < count; ++row) {
        std::vector<std::string> texts;
        for (int column = 0; column < columns; ++column) {
            LVITEMA item{};
            item.iSubItem = column;
            item.cchTextMax = kText;
            item.pszText = reinterpret_cast<char*>(remote.At(sizeof(LVITEMA)));
            remote.Write(&item, sizeof(item));
            const int length = static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, row, remote.At()));
            std::string text(static_cast<size_t>(length), '\0');
            remote.Read(text.data(), text.size(), sizeof(LVITEMA));
            texts.push_back(text);
        }
        rows.push_back(texts);
    }
    return rows;
}

void FlipdeckProcess::SelectRows(int listId, const std::vector<int>& rows)
{
    HWND list = GetDlgItem(main_, listId);
    RemoteBuffer remote(process_, sizeof(LVITEMA));
    auto setState = [&](int row, UINT state) {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = state;
        remote.Write(&item, sizeof(item));
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.At());
    };
    setState(-1, 0);
    for (int row : rows)
        setState(row, LVIS_SELECTED | (row == rows.front() ? LVIS_FOCUSED : 0));
}

void FlipdeckProcess::Click(int buttonId, int parentId)
{
    Press(parentId == 0 ? main_ : GetDlgItem(main_, parentId), buttonId);
}

void FlipdeckProcess::Press(HWND dialog, int buttonId) { PostMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0); }

void FlipdeckProcess::DoubleClickRow(int listId, int row)
{
    HWND list = GetDlgItem(main_, listId);
    RemoteBuffer remote(process_, sizeof(RECT));
    RECT bounds{};
    bounds.left = LVIR_LABEL;
    remote.Write(&bounds, sizeof(bounds));
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.At());
    remote.Read(&bounds, sizeof(bounds));
    const LPARAM point = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
}

HWND FlipdeckProcess::WaitForDialog(int childId, double seconds)
{
    HWND found = nullptr;
    WaitUntil(seconds, [&] {
        for (HWND window : DialogWindowsOf(processId_)) {
            if (window != main_ && GetDlgItem(window, childId) != nullptr) {
                found = window;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool FlipdeckProcess::ChooseFolder(const std::string& folder, double seconds)
{
    HWND browser = nullptr;
    WaitUntil(seconds, [&] {
        for (HWND window : DialogWindowsOf(processId_)) {
            if (FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr) != nullptr) {
                browser = window;
                return true;
            }
        }
        return false;
    });
    if (browser == nullptr)
        return false;
    RemoteBuffer remote(process_, folder.size() + 1);
    remote.Write(folder.c_str(), folder.size() + 1);
    SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, remote.At());
    Press(browser, IDOK);
    return WaitUntil(seconds, [&] { return !IsWindow(browser); });
}

std::vector<std::string> Lines(const std::string& utf8)
{
    const std::string text = AnsiFromUtf8(utf8);
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

}  // namespace flipdeck::test
