// The keyword lookups: each keyword names a registry value, a path built from registry values,
// or a value of one of the suite's INI files.
#include "regsettings/regsettings.h"

#include <windows.h>

#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "base/CERegistry.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"

namespace flipdeck {
namespace {

using Answer = std::optional<std::string>;

const char kBrivaneKey[] = "SOFTWARE\\Brivane";
const char kKalvioKey[] = "SOFTWARE\\Brivane\\Kalvio";
const char kBlanks[] = " \t\n\v\f\r";

// Prepared on the first call of any thread; the initialisation of a local static is serialised.
const UserMachineSettings& Settings()
{
    static const UserMachineSettings settings;
    return settings;
}

std::string Trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The caller's text in upper case (double-byte characters of the code page kept whole) without
// white space at either end.
std::string NormalizedName(const char* text)
{
    return Trimmed(ToUpper(text));
}

// Running out of memory is the only exception here, and it must not reach a C caller.
template <typename F>
int ZeroOnException(F call)
{
    try {
        return call();
    } catch (const std::exception&) {
        return 0;
    }
}

int CopyAnswer(const Answer& answer, char* buffer, unsigned int size)
{
    if (!answer || answer->size() >= size)
        return 0;
    std::memcpy(buffer, answer->c_str(), answer->size() + 1);
    return 1;
}

Answer Value(const std::string& subKey, const char* valueName)
{
    std::string text;
    if (!Settings().ReadString(subKey, valueName, text))
        return std::nullopt;
    return text;
}

Answer Joined(Answer base, const std::string& tail)
{
    if (base)
        *base += tail;
    return base;
}

// True when a directory search finds a file or folder of exactly this name.
bool Exists(const std::string& path)
{
    WIN32_FIND_DATAA found;
    return static_cast<bool>(UniqueFind(FindFirstFileA(path.c_str(), &found)));
}

Answer Existing(Answer path)
{
    if (path && !Exists(*path))
        return std::nullopt;
    return path;
}

// The installation path as the suite's own tools obtain it: through the exported lookup with a
// buffer of MAX_PATH characters.
Answer InstallPath()
{
    char path[MAX_PATH];
    if (!GetRegistryBrivaneString("PATH", path, sizeof(path)))
        return std::nullopt;
    return std::string(path);
}

// <ProjectPath>\<CurrentDevice>: the folder of the project's current device.
Answer DeviceFolder()
{
    Answer project = Value(kKalvioKey, "ProjectPath");
    Answer device = Value(kKalvioKey, "CurrentDevice");
    if (!project || !device)
        return std::nullopt;
    return *project + "\\" + *device;
}

// A text of the suite's INI file; the suite writes "#" for "not set".
Answer IniText(const std::string& file, const char* section, const char* key)
{
    if (!Exists(file))
        return std::nullopt;
    char text[MAX_PATH];
    GetPrivateProfileStringA(section, key, "#", text, sizeof(text), file.c_str());
    std::string value = Trimmed(text);
    if (value.empty() || value == "#")
        return std::nullopt;
    return value;
}

bool IsOneOf(const std::string& keyword, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        if (keyword == name)
            return true;
    return false;
}

Answer BrivaneAnswer(const std::string& keyword)
{
    if (keyword == "PATH")
        return Value(kBrivaneKey, "Path");
    if (keyword == "GALERIE")
        return Value(kBrivaneKey, "GALERIE");
    if (IsOneOf(keyword, {"BITMAP", "FONT", "CODESYS", "HTML", "TTFFONT", "HTTP", "KEYPAD", "XML"}))
        return Value("", keyword.c_str());
    if (keyword == "PROJEKT")
        return Joined(Value(kBrivaneKey, "Path"), "\\Kalvio");
    if (keyword == "TEMPLATES")
        return Joined(Value(kBrivaneKey, "Path"), "\\Kalvio\\Default\\Keypads");
    if (keyword == "DRIVER")
        return Joined(Value(kBrivaneKey, "Path"), "\\Driver");
    if (keyword == "DEVICE")
        return Joined(Value(kBrivaneKey, "Path"), "\\Device");
    if (keyword == "BIN")
        return Joined(Value(kBrivaneKey, "Path"), "\\Bin");
    if (keyword == "HELPFILE")
        return Value(kBrivaneKey, "Helpfile");
    if (keyword == "MODEMPATH")
        return Value("SOFTWARE\\Brivane\\Modem", "Path");
    return std::nullopt;
}

Answer TessaroAnswer(const std::string& keyword)
{
    Answer tessaro = Joined(Value(kBrivaneKey, "Path"), "\\Tessaro");
    if (!tessaro)
        return std::nullopt;
    const std::string iniFile = *tessaro + "\\Bin\\icon.ini";
    if (keyword == "PATH")
        return Existing(tessaro);
    if (keyword == "BIN")
        return Existing(*tessaro + "\\Bin");
    if (keyword == "LASTPROJECT")
        return IniText(iniFile, "system", "lastproject");
    if (keyword == "PROJECTNAME") {
        Answer project = IniText(iniFile, "system", "lastproject");
        if (project)
            project->erase(0, project->find_last_of('\\') + 1);  // npos + 1 keeps it whole
        return project;
    }
    if (keyword == "KONDEX|DRIVER")
        return IniText(iniFile, "KONDEX", "Driver");
    if (keyword == "KONDEX|DEVICE")
        return IniText(iniFile, "KONDEX", "Device");
    if (keyword == "ICON.INI")
        return Existing(iniFile);
    if (keyword == "TEMP.Q")
        return Existing(*tessaro + "\\Temp\\Temp.q");
    return std::nullopt;
}

// The resource compiler lives in the suite's Bin folder or, in older layouts, in its Kalvio folder.
Answer RescompPath(const char* fileName)
{
    Answer install = InstallPath();
    if (!install)
        return std::nullopt;
    for (const char* folder : {"\\Bin\\", "\\Kalvio\\"}) {
        std::string path = *install + folder + fileName;
        if (Exists(path))
            return path;
    }
    return std::nullopt;
}

Answer TessaroIIAnswer(const std::string& keyword)
{
    if (keyword == "CURRENTDEVICE")
        return DeviceFolder();
    if (keyword == "DEVICENAME")
        return Value(kKalvioKey, "CurrentDevice");
    if (keyword == "RESCOMP.EXE")
        return RescompPath("Rescomp.exe");
    if (keyword == "RESCOMP4B.EXE")
        return RescompPath("Rescomp4b.exe");
    if (keyword == "PROJECTNAME")
        return Value(kKalvioKey, "ProjectName");
    if (keyword == "PROJECTPATH")
        return Value(kKalvioKey, "ProjectPath");
    if (keyword == "BITMAPS")
        return Joined(DeviceFolder(), "\\Bitmaps");
    if (IsOneOf(keyword, {"SCRIV", "SCRIVO"}))
        return Joined(DeviceFolder(), "\\Scrivo");
    if (keyword == "PROJECT.SET")
        return Joined(Value(kKalvioKey, "ProjectPath"), "\\Project.Set");
    if (IsOneOf(keyword, {"HARDWARE.SET", "DISPLAY.SET"}))
        return Joined(DeviceFolder(), "\\Hardware\\Hardware.set");
    if (keyword == "HARDWARE")
        return Joined(DeviceFolder(), "\\Hardware");
    if (keyword == "RESOURCE.RES")
        return Joined(DeviceFolder(), "\\Resource\\Resource.Res");
    if (keyword == "DEVICE.SET")
        return Joined(DeviceFolder(), "\\Device.Set");
    if (keyword == "FWBELOW152") {
        Answer settings = Joined(DeviceFolder(), "\\Device.Set");
        if (!settings)
            return std::nullopt;
        return GetPrivateProfileIntA("Config", "FWBelow152", 1, settings->c_str()) == 0 ? "0" : "1";
    }
    if (keyword == "TESSAROII")
        return Joined(InstallPath(), "\\Kalvio");
    if (keyword == "TESSARO")
        return Joined(DeviceFolder(), "\\Tessaro");
    if (IsOneOf(keyword, {"CCOLORS.DAT", "TIMES.DAT", "RESCOMP.SET"}))
        return Existing(Joined(InstallPath(), "\\Kalvio\\" + keyword));
    if (keyword == "RESCOMPDATA")
        return Value("SOFTWARE\\Brivane\\Settings", "RescompData");
    if (keyword == "TESSAROPROJECT")
        return Value(kKalvioKey, "TessaroProject");
    if (keyword == "DESIGNO|OLDENTRIES") {
        Answer root = Value("SOFTWARE\\Brivane-OldEntries", "Path");
        Answer designo = Value("SOFTWARE\\Brivane-OldEntries\\Designo", "Path");
        if (!root || !designo)
            return std::nullopt;
        return *root + "\\" + *designo;
    }
    if (keyword == "DPSELECT|LISTBOX|WIDTHS")
        return Value(kKalvioKey, "DPSelectWidths");
    if (keyword == "LANGUAGE")
        return Value(kKalvioKey, "sLanguage");
    if (keyword == "VERSION")
        return Value(kKalvioKey, "Version");
    return std::nullopt;
}

int LookUpString(Answer (*lookUp)(const std::string&), const char* keyword, char* buffer,
                 unsigned int size)
{
    if (keyword == nullptr || buffer == nullptr || size == 0)
        return 0;
    return ZeroOnException([&] { return CopyAnswer(lookUp(NormalizedName(keyword)), buffer, size); });
}

// The one-byte "LANGUAGE" setting of a tool.
int LanguageByte(const char* subKey, const char* keyword, unsigned char* value)
{
    if (keyword == nullptr || value == nullptr)
        return 0;
    return ZeroOnException([&] {
        BYTE language;
        if (NormalizedName(keyword) != "LANGUAGE" ||
            !Settings().ReadBinary(subKey, "Language", &language, sizeof(language)))
            return 0;
        *value = language;
        return 1;
    });
}

// A tool's folder below the installation path; a tool counts as installed only when its
// "LANGUAGE" byte is set.
int ToolFolder(int(__cdecl* languageByte)(const char*, unsigned char*), std::initializer_list<const char*> folders,
               const char* keyword, char* buffer, unsigned int size)
{
    unsigned char language;
    if (keyword == nullptr || buffer == nullptr || size == 0 || !languageByte("LANGUAGE", &language))
        return 0;
    return ZeroOnException([&] {
        if (NormalizedName(keyword) != "PATH")
            return 0;
        Answer install = InstallPath();
        if (!install)
            return 0;
        for (const char* folder : folders) {
            Answer path = Existing(*install + "\\" + folder);
            if (path)
                return CopyAnswer(path, buffer, size);
        }
        return 0;
    });
}

}  // namespace
}  // namespace flipdeck

using namespace flipdeck;

extern "C" {

int __cdecl GetRegistryBrivaneString(const char* keyword, char* buffer, unsigned int size)
{
    return LookUpString(BrivaneAnswer, keyword, buffer, size);
}

int __cdecl GetRegistryTessaroString(const char* keyword, char* buffer, unsigned int size)
{
    return LookUpString(TessaroAnswer, keyword, buffer, size);
}

int __cdecl GetRegistryTessaroIIString(const char* keyword, char* buffer, unsigned int size)
{
    return LookUpString(TessaroIIAnswer, keyword, buffer, size);
}

int __cdecl GetRegistryScrivoString(const char* keyword, char* buffer, unsigned int size)
{
    return ToolFolder(GetRegistryScrivoBin, {"Scrivo", "Scriv"}, keyword, buffer, size);
}

int __cdecl GetRegistryTaragoString(const char* keyword, char* buffer, unsigned int size)
{
    return ToolFolder(GetRegistryTaragoBin, {"Tarago"}, keyword, buffer, size);
}

int __cdecl GetRegistryBusflashString(const char* keyword, char* buffer, unsigned int size)
{
    return ToolFolder(GetRegistryBusflashBin, {"Bus_flash"}, keyword, buffer, size);
}

int __cdecl GetRegistryTessaroDW(const char* keyword, unsigned long* value)
{
    if (keyword == nullptr || value == nullptr)
        return 0;
    return ZeroOnException([&] {
        DWORD polltime;
        if (NormalizedName(keyword) != "POLLTIME" ||
            !Settings().ReadDword("SOFTWARE\\Brivane\\Tessaro", "Polltime", polltime))
            return 0;
        *value = polltime;
        return 1;
    });
}

int __cdecl GetRegistryTessaroIIBin(const char* keyword, unsigned char* value)
{
    return LanguageByte(kKalvioKey, keyword, value);
}

int __cdecl GetRegistryBrivaneBin(const char* keyword, unsigned char* value)
{
    return LanguageByte("SOFTWARE\\BRIVANE\\KONDEX", keyword, value);
}

int __cdecl GetRegistryScrivoBin(const char* keyword, unsigned char* value)
{
    return LanguageByte("SOFTWARE\\BRIVANE\\Scrivo", keyword, value);
}

int __cdecl GetRegistryTaragoBin(const char* keyword, unsigned char* value)
{
    return LanguageByte("SOFTWARE\\BRIVANE\\Tarago", keyword, value);
}

int __cdecl GetRegistryBusflashBin(const char* keyword, unsigned char* value)
{
    return LanguageByte("SOFTWARE\\Brivane\\Kalvio\\BUSFLASH", keyword, value);
}

int __cdecl SetRegistryTessaroIIString(const char* keyword, const char* text)
{
    if (keyword == nullptr || text == nullptr)
        return 0;
    return ZeroOnException([&] {
        if (NormalizedName(keyword) != "LANGUAGE")
            return 1;
        return Settings().WriteString(kKalvioKey, "sLanguage", text) ? 1 : 0;
    });
}

int __cdecl GetRegistryRegistryToolsString(const char* subKey, const char* valueName, char* buffer,
                                           unsigned int size)
{
    if (subKey == nullptr || valueName == nullptr || buffer == nullptr || size == 0)
        return 0;
    return ZeroOnException([&] {
        return CopyAnswer(Value(std::string(kBrivaneKey) + "\\" + NormalizedName(subKey),
                                NormalizedName(valueName).c_str()),
                          buffer, size);
    });
}

int __cdecl GetRegistryRegistryToolsDW(const char* subKey, const char* valueName, unsigned long* value)
{
    if (value == nullptr)
        return 0;
    *value = 0;
    if (subKey == nullptr || valueName == nullptr)
        return 0;
    return ZeroOnException([&] {
        DWORD number;
        if (!Settings().ReadDword(std::string(kBrivaneKey) + "\\" + NormalizedName(subKey),
                                  NormalizedName(valueName), number))
            return 0;
        *value = number;
        return 1;
    });
}

// Nothing in this product fills the name tables, so every index lies outside them.
int __cdecl GetRegistryToolName(int, char*, int) { return 0; }
int __cdecl GetRegistryVersionName(int, char*, int) { return 0; }
int __cdecl GetRegistryAppParaName(int, char*, int) { return 0; }

}  // extern "C"
