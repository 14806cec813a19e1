#include "base/VersionInfo.h"

#include <cstdio>

namespace flipdeck {

namespace {

std::vector<BYTE> ReadVersionResource(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()))
        data.clear();
    return data;
}

std::string ModulePath(HMODULE module)
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size())
            return std::string(path.data(), length);
        path.resize(path.size() * 2);
    }
}

}  // namespace

bool CVersionInfo::Open(const char* path)
{
    data_ = ReadVersionResource(path != nullptr ? std::string(path) : ModulePath(nullptr));
    if (data_.empty())
        return false;
    WORD* pair = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pair),
                        &length) ||
        length < 2 * sizeof(WORD)) {
        data_.clear();
        return false;
    }
    translation_ = (static_cast<DWORD>(pair[0]) << 16) | pair[1];
    return true;
}

std::string CVersionInfo::QueryString(const std::string& name, DWORD translation) const
{
    if (data_.empty())
        return std::string();
    char block[64];
    std::snprintf(block, sizeof(block), "\\StringFileInfo\\%08lx\\",
                  static_cast<unsigned long>(translation != 0 ? translation : translation_));
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), (block + name).c_str(), reinterpret_cast<void**>(&text), &length) ||
        text == nullptr || length == 0)
        return std::string();
    std::string result(text, length);
    return result.substr(0, result.find('\0'));
}

std::string GetProductVersionText(const std::string& path)
{
    std::vector<BYTE> data = ReadVersionResource(path);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (data.empty() ||
        !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO))
        return std::string();
    char text[64];
    std::snprintf(text, sizeof(text), "%d.%d.%d.%d", static_cast<int>(HIWORD(fixed->dwProductVersionMS)),
                  static_cast<int>(LOWORD(fixed->dwProductVersionMS)),
                  static_cast<int>(HIWORD(fixed->dwProductVersionLS)),
                  static_cast<int>(LOWORD(fixed->dwProductVersionLS)));
    return text;
}

std::string GetOwnProductVersionText(HMODULE module) { return GetProductVersionText(ModulePath(module)); }

}  // namespace flipdeck
