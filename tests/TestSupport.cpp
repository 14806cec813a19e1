#include "tests/TestSupport.h"

#include <shellapi.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "catalogue/Registry.h"
#include "catalogue/RegistryTree.h"

namespace flipdeck::test {

std::string BinDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string StandInPath(const std::string& target, const std::string& fileName)
{
    return BinDir() + "\\standins\\" + target + "\\" + fileName;
}

ScratchKey::ScratchKey(HKEY root, std::string subKey) : root_(root), subKey_(std::move(subKey))
{
    DeleteRegistryTree(root_, subKey_);
}

ScratchKey::~ScratchKey() { DeleteRegistryTree(root_, subKey_); }

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::string(temp) + "flipdeck-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveTree(path_);
    MakeDirs(path_);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

void SetRegValue(HKEY root, const std::string& subKey, const std::string& name, DWORD type, const void* data,
                 DWORD size)
{
    UniqueHKey key;
    if (CreateRegKey(root, subKey, KEY_ALL_ACCESS, key) != ERROR_SUCCESS ||
        RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write value " + name + " of " + subKey);
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void MakeDirs(const std::string& path)
{
    size_t start = path.find('\\', 3);
    for (size_t slash = start; slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void RemoveTree(const std::string& path)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    std::string from = path + std::string(2, '\0');  // double-terminated list of one name
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

}  // namespace flipdeck::test
