// Version resources of executables: the product version text of the suite's and CoDeSys'
// programs and the strings the about box shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace flipdeck {

class CVersionInfo {
public:
    // Reads the version resource of `path`, or of the program itself when path is null.
    // False for files without a resource or without a translation table; the object stays empty.
    bool Open(const char* path = nullptr);

    // A string of the resource under "\StringFileInfo\<language><code page>\<name>";
    // translation 0 takes the resource's first translation. Empty when absent.
    std::string QueryString(const std::string& name, DWORD translation = 0) const;

    std::string GetLegalCopyright() const { return QueryString("LegalCopyright"); }
    std::string GetProductVersion() const { return QueryString("ProductVersion"); }

    // Language in the high word, code page in the low word.
    DWORD Translation() const { return translation_; }

private:
    std::vector<BYTE> data_;
    DWORD translation_ = 0;
};

// "%d.%d.%d.%d" of the fixed product version (not the file version); empty when the file has no
// version resource or the resource has no fixed information.
std::string GetProductVersionText(const std::string& path);
std::string GetOwnProductVersionText(HMODULE module);

}  // namespace flipdeck
