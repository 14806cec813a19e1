#include "tests/ui/UiTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/TestSupport.h"

namespace flipdeck::test {

namespace {

// Registers the common controls once for every test, as the program does at start-up.
class CommonControls : public ::testing::Environment {
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
    }
};
[[maybe_unused]] ::testing::Environment* const g_commonControls =
    ::testing::AddGlobalTestEnvironment(new CommonControls);

struct Script {
    std::vector<UiStep> steps;
    size_t next = 0;
    DWORD deadline = 0;
} g_script;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    HWND front = FrontDialog();
    if (front == nullptr)
        return;
    if (static_cast<LONG>(GetTickCount() - g_script.deadline) > 0) {
        PostMessageA(front, WM_COMMAND, IDCANCEL, 0);
    } else if (g_script.next < g_script.steps.size() && g_script.steps[g_script.next].matches(front)) {
        // Advance first: an action may run a nested message loop that ticks again.
        g_script.steps[g_script.next++].act(front);
    }
}

BOOL CALLBACK FindFrontDialog(HWND window, LPARAM found)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof(className));
    if (std::string(className) != "#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

struct MemoryDcTraits {
    using Type = HDC;
    static HDC Invalid() { return nullptr; }
    static void Close(HDC dc) { DeleteDC(dc); }
};
struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static HGDIOBJ Invalid() { return nullptr; }
    static void Close(HGDIOBJ object) { DeleteObject(object); }
};

}  // namespace

HWND FrontDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindFrontDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::function<bool(HWND)> Captioned(const std::string& caption)
{
    return [caption](HWND dialog) { return GetWindowString(dialog) == caption; };
}

void RunScripted(const std::function<void()>& modal, std::vector<UiStep> steps)
{
    g_script = {std::move(steps), 0, GetTickCount() + 15000};
    UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    modal();
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_script.next, g_script.steps.size()) << "steps left when the dialog closed";
}

INT_PTR RunModal(CDialog& dialog, std::vector<UiStep> steps)
{
    INT_PTR result = 0;
    RunScripted([&] { result = dialog.DoModal(); }, std::move(steps));
    return result;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

Capture CaptureDrawing(int width, int height, const std::function<void(HDC)>& paint)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height /* top-down */, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueAny<MemoryDcTraits> dc(CreateCompatibleDC(nullptr));
    UniqueAny<GdiObjectTraits> bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap)
        throw std::runtime_error("cannot make a bitmap to capture into");
    HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    paint(dc.get());
    GdiFlush();
    SelectObject(dc.get(), old);

    Capture capture{width, {}};
    for (int i = 0; i < width * height; ++i) {
        DWORD pixel = static_cast<const DWORD*>(bits)[i];  // 0x00RRGGBB
        capture.pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return capture;
}

Capture CaptureWindow(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return CaptureDrawing(rect.right - rect.left, rect.bottom - rect.top,
                          [window](HDC dc) { PrintWindow(window, dc, 0); });
}

std::string EnglishLibraryPath() { return BinDir() + "\\Flipdeck.ENG"; }

UniqueModule LoadAsData(const std::string& path)
{
    return UniqueModule(
        LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

}  // namespace flipdeck::test
