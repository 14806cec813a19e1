// The suite's per-user data folder, <Documents>\Brivane\Kalvio, created on demand.
#include "regsettings/regsettings.h"

#include <windows.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

extern "C" int __cdecl GetLocalUserFolder(char* buffer, unsigned int size)
{
    static const char kSubFolder[] = "\\Brivane\\Kalvio";
    if (buffer == nullptr || size == 0)
        return 0;
    char folder[MAX_PATH + sizeof(kSubFolder)];
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, FALSE))
        return 0;
    std::strcat(folder, kSubFolder);
    // Check the size before creating anything: a failed call leaves no trace.
    const size_t length = std::strlen(folder);
    if (length >= size)
        return 0;
    if (!PathIsDirectoryA(folder) && SHCreateDirectoryExA(nullptr, folder, nullptr) != ERROR_SUCCESS)
        return 0;
    std::memcpy(buffer, folder, length + 1);
    return 1;
}
