// Plain registry functions on an explicit root key.
// Keys are opened per call in the 32-bit registry view: the products are 32-bit programs, so
// their HKLM\SOFTWARE keys live under Wow6432Node; HKCU\Software and HKEY_USERS are unaffected.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace flipdeck {

struct RegistryTree;

// Opens (or with create, creates) a key in the products' registry view. Answers the Win32 status.
LSTATUS OpenRegKey(HKEY root, const std::string& subKey, REGSAM access, UniqueHKey& key);
LSTATUS CreateRegKey(HKEY root, const std::string& subKey, REGSAM access, UniqueHKey& key);

// Splits "a\b\c" into "a\b" and "c"; a name without a backslash has the root as its parent.
std::pair<std::string, std::string> SplitKeyPath(const std::string& subKey);

// One value read whole, whatever its length.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    // The data as text, cut at the first zero; data without a terminating zero is taken whole.
    std::string Text() const;

    bool operator==(const RegValue& other) const { return type == other.type && data == other.data; }
    bool operator!=(const RegValue& other) const { return !(*this == other); }
};

// Reads one value of an open key whole. Answers the Win32 status (ERROR_FILE_NOT_FOUND: no such value).
LSTATUS QueryRegValue(HKEY key, const std::string& valueName, RegValue& value);
std::optional<RegValue> ReadRegValue(HKEY root, const std::string& subKey, const std::string& valueName);
// QueryRegValue through the wide function: text stays UTF-16, as the value holds it.
LSTATUS QueryWideRegValue(HKEY key, const std::wstring& valueName, RegValue& value);

// The text of data read through the wide functions, cut at the first zero; data without a
// terminating zero is taken whole.
std::wstring WideText(const std::vector<BYTE>& data);
// A value read through the wide functions as the ANSI functions read it: text in the system code page.
RegValue NarrowValue(DWORD type, const std::vector<BYTE>& data);

// The text of a REG_SZ or REG_EXPAND_SZ value; nothing for a value of another type or none.
std::optional<std::string> TextOf(const std::optional<RegValue>& value);
// The first byte of a REG_BINARY value; nothing for an empty one, another type or none.
std::optional<BYTE> ByteOf(const std::optional<RegValue>& value);

// A REG_SZ (or REG_EXPAND_SZ) value with its terminating zero; a one-byte REG_BINARY value.
RegValue TextValue(const std::string& text, DWORD type = REG_SZ);
RegValue ByteValue(BYTE value);
// UTF-16 text as the wide functions take it: its bytes alone, or a value with its terminating zero
// (a REG_MULTI_SZ list brings its own inner zeros).
std::vector<BYTE> WideBytes(const std::wstring& text);
RegValue WideTextValue(const std::wstring& text, DWORD type = REG_SZ);

// One registry value to set, or to delete when `value` is empty.
struct ValueChange {
    HKEY root = nullptr;
    std::string key;
    std::string name;
    std::optional<RegValue> value;
};

// Sets the value (creating the key) or deletes it; a value to delete that is not there counts as deleted.
// False with the reason in GetLastError.
bool WriteRegValue(HKEY root, const std::string& subKey, const std::string& valueName, const std::optional<RegValue>& value);

// Reads a REG_SZ or REG_EXPAND_SZ value; copies at most size - 1 characters, always terminated.
// A value of another type, a missing value or key, or a zero size answers false and leaves the
// buffer untouched.
bool ReadRegString(HKEY root, const std::string& subKey, const std::string& valueName, char* buffer,
                   size_t size);
// Reads the first byte of a REG_BINARY value.
bool ReadRegByte(HKEY root, const std::string& subKey, const std::string& valueName, BYTE& value);

// A REG_SZ or REG_EXPAND_SZ value whole, whatever its length.
std::optional<std::string> ReadRegText(HKEY root, const std::string& subKey, const std::string& valueName);

// The same reads on HKEY_CURRENT_USER, falling back to HKEY_LOCAL_MACHINE.
std::optional<std::string> ReadUserMachineText(const std::string& subKey, const std::string& valueName);
bool ReadUserMachineByte(const std::string& subKey, const std::string& valueName, BYTE& value);

// Create or open the key and write a REG_SZ, REG_EXPAND_SZ or one-byte REG_BINARY value.
bool WriteRegString(HKEY root, const std::string& subKey, const std::string& valueName,
                    const std::string& text);
bool WriteRegExpandString(HKEY root, const std::string& subKey, const std::string& valueName,
                          const std::string& text);
bool WriteRegByte(HKEY root, const std::string& subKey, const std::string& valueName, BYTE value);

// Deletes one value; a value that does not exist counts as deleted.
bool DeleteRegValue(HKEY root, const std::string& subKey, const std::string& valueName);

// Moves `sourceTree`, captured from source, to target, which must not exist, and answers whether it
// arrived whole. When the move fails, the source tree is left as it was and nothing stays at target,
// and GetLastError tells why.
bool MoveRegistryTree(HKEY root, const std::string& source, const RegistryTree& sourceTree, const std::string& target);

// Replaces the list with the sub-key names of HKEY_USERS; true when at least one was found.
bool EnumerateUserHives(std::vector<std::string>& hives);

}  // namespace flipdeck
