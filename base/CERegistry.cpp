#include "base/CERegistry.h"

#include <cstring>

#include "base/Registry.h"

namespace flipdeck {

BYTE* RegValueBuffer::Allocate(size_t size)
{
    data_.assign(size, 0);
    return data_.data();
}

void RegValueBuffer::Free()
{
    data_.clear();
    data_.shrink_to_fit();
}

bool CERegistry::SetRoot(HKEY root)
{
    root_ = root;
    return true;
}

bool CERegistry::ReadValue(const std::string& subKey, const std::string& valueName,
                           RegValueBuffer& buffer) const
{
    std::optional<RegValue> value = ReadRegValue(root_, subKey, valueName);
    if (!value)
        return false;
    if (!value->data.empty())
        std::memcpy(buffer.Allocate(value->data.size()), value->data.data(), value->data.size());
    else
        buffer.Free();
    buffer.SetType(value->type);
    return true;
}

bool CERegistry::ReadDword(const std::string& subKey, const std::string& valueName, DWORD& value) const
{
    RegValueBuffer buffer;
    if (!ReadValue(subKey, valueName, buffer) || buffer.Size() < sizeof(DWORD) ||
        (buffer.Type() != REG_DWORD && buffer.Type() != REG_DWORD_BIG_ENDIAN))
        return false;
    std::memcpy(&value, buffer.Data(), sizeof(DWORD));
    return true;
}

bool CERegistry::ReadBinary(const std::string& subKey, const std::string& valueName, void* destination,
                            size_t length) const
{
    RegValueBuffer buffer;
    if (!ReadValue(subKey, valueName, buffer) || buffer.Size() != length)
        return false;
    DWORD type = buffer.Type();
    if (type != REG_BINARY && type != REG_RESOURCE_LIST && type != REG_FULL_RESOURCE_DESCRIPTOR)
        return false;
    if (length != 0)
        std::memcpy(destination, buffer.Data(), length);
    return true;
}

bool CERegistry::ReadString(const std::string& subKey, const std::string& valueName, std::string& text) const
{
    std::optional<RegValue> value = ReadRegValue(root_, subKey, valueName);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ && value->type != REG_LINK))
        return false;
    text = value->Text();
    return true;
}

bool CERegistry::WriteValue(const std::string& subKey, const std::string& valueName,
                            const RegValueBuffer& buffer) const
{
    UniqueHKey key;
    if (CreateRegKey(root_, subKey, KEY_WRITE, key) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), valueName.c_str(), 0, buffer.Type(), buffer.Data(),
                          static_cast<DWORD>(buffer.Size())) == ERROR_SUCCESS;
}

bool CERegistry::WriteString(const std::string& subKey, const std::string& valueName,
                             const std::string& text) const
{
    RegValueBuffer buffer;
    std::memcpy(buffer.Allocate(text.size() + 1), text.c_str(), text.size() + 1);
    buffer.SetType(REG_SZ);
    return WriteValue(subKey, valueName, buffer);
}

UserMachineSettings::UserMachineSettings() : user_(HKEY_CURRENT_USER), machine_(HKEY_LOCAL_MACHINE) {}

bool UserMachineSettings::ReadString(const std::string& subKey, const std::string& valueName,
                                     std::string& text) const
{
    return user_.ReadString(subKey, valueName, text) || machine_.ReadString(subKey, valueName, text);
}

bool UserMachineSettings::ReadBinary(const std::string& subKey, const std::string& valueName,
                                     void* destination, size_t length) const
{
    return user_.ReadBinary(subKey, valueName, destination, length) ||
           machine_.ReadBinary(subKey, valueName, destination, length);
}

bool UserMachineSettings::ReadDword(const std::string& subKey, const std::string& valueName,
                                    DWORD& value) const
{
    return user_.ReadDword(subKey, valueName, value) || machine_.ReadDword(subKey, valueName, value);
}

bool UserMachineSettings::WriteString(const std::string& subKey, const std::string& valueName,
                                      const std::string& text) const
{
    return user_.WriteString(subKey, valueName, text) || machine_.WriteString(subKey, valueName, text);
}

}  // namespace flipdeck
