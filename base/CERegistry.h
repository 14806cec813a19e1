// The registry wrapper of the settings library: a root key and typed reads and writes of single
// values, plus the pair of wrappers that reads the current user's value before the machine's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace flipdeck {

// One registry value in memory: its bytes and its registry type.
class RegValueBuffer {
public:
    BYTE* Allocate(size_t size);  // replaces earlier data with `size` zero bytes
    void Free();

    const BYTE* Data() const { return data_.data(); }
    size_t Size() const { return data_.size(); }
    DWORD Type() const { return type_; }
    void SetType(DWORD type) { type_ = type; }

private:
    std::vector<BYTE> data_;
    DWORD type_ = REG_NONE;
};

class CERegistry {
public:
    CERegistry() = default;
    explicit CERegistry(HKEY root) : root_(root) {}
    virtual ~CERegistry() = default;

    bool SetRoot(HKEY root);

    bool ReadValue(const std::string& subKey, const std::string& valueName, RegValueBuffer& buffer) const;
    // REG_DWORD or REG_DWORD_BIG_ENDIAN, the four bytes as stored.
    bool ReadDword(const std::string& subKey, const std::string& valueName, DWORD& value) const;
    // REG_BINARY or a resource list whose size is exactly `length`.
    bool ReadBinary(const std::string& subKey, const std::string& valueName, void* destination,
                    size_t length) const;
    // REG_SZ, REG_EXPAND_SZ or REG_LINK; data without a terminating zero is taken whole.
    bool ReadString(const std::string& subKey, const std::string& valueName, std::string& text) const;

    bool WriteValue(const std::string& subKey, const std::string& valueName,
                    const RegValueBuffer& buffer) const;
    bool WriteString(const std::string& subKey, const std::string& valueName, const std::string& text) const;

private:
    HKEY root_ = nullptr;
};

// Reads ask HKEY_CURRENT_USER first and HKEY_LOCAL_MACHINE only when that fails; the write goes
// to HKEY_CURRENT_USER and only when that fails to HKEY_LOCAL_MACHINE.
class UserMachineSettings {
public:
    UserMachineSettings();

    bool ReadString(const std::string& subKey, const std::string& valueName, std::string& text) const;
    bool ReadBinary(const std::string& subKey, const std::string& valueName, void* destination,
                    size_t length) const;
    bool ReadDword(const std::string& subKey, const std::string& valueName, DWORD& value) const;
    bool WriteString(const std::string& subKey, const std::string& valueName, const std::string& text) const;

private:
    CERegistry user_;
    CERegistry machine_;
};

}  // namespace flipdeck
