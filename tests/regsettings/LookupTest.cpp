// The keyword lookups of regsettings.dll, called through the loaded library against registry
// values and files each test prepares.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Registry.h"
#include "tests/regsettings/RegSettingsDll.h"
#include "tests/TestSupport.h"

using namespace flipdeck;
using namespace flipdeck::test;

namespace {

using Expected = std::optional<std::string>;  // nullopt: the lookup fails
const Expected kFails;

const char kBrivane[] = "SOFTWARE\\Brivane";
const char kKalvio[] = "SOFTWARE\\Brivane\\Kalvio";
const char* const kRootValues[] = {"BITMAP", "FONT", "CODESYS", "HTML", "TTFFONT", "HTTP", "KEYPAD", "XML"};

// Checks a text lookup and the buffer rule: a failure leaves the buffer untouched, an answer
// fits a buffer one longer than itself and no smaller one.
void ExpectText(const std::function<int(char*, unsigned int)>& lookUp, const Expected& expected)
{
    GuardedBuffer tooShort(expected ? expected->size() : MAX_PATH);
    EXPECT_EQ(lookUp(tooShort.Data(), static_cast<unsigned int>(tooShort.size)), 0);
    EXPECT_TRUE(tooShort.Untouched());
    if (!expected)
        return;
    GuardedBuffer exact(expected->size() + 1);
    EXPECT_EQ(lookUp(exact.Data(), static_cast<unsigned int>(exact.size)), 1);
    EXPECT_EQ(exact.Text(), *expected);
    EXPECT_TRUE(exact.GuardsIntact());
}

using TextLookup = int(__cdecl*)(const char*, char*, unsigned int);
struct Row {
    const char* keyword;
    Expected expected;
};

void ExpectRows(TextLookup lookUp, const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("keyword \"") + row.keyword + "\"");
        ExpectText([&](char* buffer, unsigned int size) { return lookUp(row.keyword, buffer, size); },
                   row.expected);
    }
}

void SetString(HKEY root, const std::string& subKey, const std::string& name, const std::string& text)
{
    ASSERT_TRUE(WriteRegString(root, subKey, name, text));
}

void MakeFile(const std::string& path, const std::string& bytes = "")
{
    MakeDirs(path.substr(0, path.find_last_of('\\')));
    WriteFileBytes(path, bytes);
}

// Values at the root of HKEY_CURRENT_USER, removed before and after the test like a scratch key.
class ScratchRootValues {
public:
    ScratchRootValues() { Delete(); }
    ~ScratchRootValues() { Delete(); }

private:
    static void Delete()
    {
        for (const char* name : kRootValues)
            RegDeleteValueA(HKEY_CURRENT_USER, name);
    }
};

// Every key the lookups read, clean in both hives, and an installation folder whose path is
// the current user's `Path`; the machine has a `Path` of its own that the user's overrides.
class RegSettingsLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetString(HKEY_LOCAL_MACHINE, kBrivane, "Path", "C:\\Machine\\Brivane");
        SetString(HKEY_CURRENT_USER, kBrivane, "Path", install.Path());
    }

    const RegSettingsDll& dll = RegSettingsDll::Get();
    ScratchKey userKeys{HKEY_CURRENT_USER, kBrivane};
    ScratchKey machineKeys{HKEY_LOCAL_MACHINE, kBrivane};
    ScratchKey userOldEntries{HKEY_CURRENT_USER, "SOFTWARE\\Brivane-OldEntries"};
    ScratchKey machineOldEntries{HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane-OldEntries"};
    ScratchRootValues rootValues;
    ScratchDir install;
};

}  // namespace

TEST_F(RegSettingsLookup, BrivaneKeywordsPreferTheUserAndIgnoreCaseAndOuterBlanks)
{
    const std::string path = install.Path();
    SetString(HKEY_LOCAL_MACHINE, kBrivane, "GALERIE", "C:\\Galerie");
    SetString(HKEY_CURRENT_USER, kBrivane, "Helpfile", "C:\\Help\\Kalvio.chm");
    SetString(HKEY_LOCAL_MACHINE, std::string(kBrivane) + "\\Modem", "Path", "C:\\Modem");
    for (const char* name : kRootValues)
        SetString(HKEY_CURRENT_USER, "", name, std::string("root ") + name);

    ExpectRows(dll.GetRegistryBrivaneString,
               {{"PATH", path}, {"path", path}, {" PATH", path}, {"\tPath  ", path}, {"PA TH", kFails},
                {"GALERIE", "C:\\Galerie"}, {"bitmap", "root BITMAP"}, {"FONT", "root FONT"},
                {"CODESYS", "root CODESYS"}, {"HTML", "root HTML"}, {"TTFFONT", "root TTFFONT"},
                {"HTTP", "root HTTP"}, {"KEYPAD", "root KEYPAD"}, {"XML", "root XML"},
                {"PROJEKT", path + "\\Kalvio"}, {"TEMPLATES", path + "\\Kalvio\\Default\\Keypads"},
                {"DRIVER", path + "\\Driver"}, {"DEVICE", path + "\\Device"}, {"BIN", path + "\\Bin"},
                {"HELPFILE", "C:\\Help\\Kalvio.chm"}, {"MODEMPATH", "C:\\Modem"}, {"PATHS", kFails},
                {"", kFails}});

    ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, kBrivane, "Path"), ERROR_SUCCESS);
    ExpectRows(dll.GetRegistryBrivaneString, {{"PATH", "C:\\Machine\\Brivane"}, {"BIN", "C:\\Machine\\Brivane\\Bin"}});
}

TEST_F(RegSettingsLookup, TessaroKeywordsNeedTheirFilesAndSetIniValues)
{
    const std::string tessaro = install / "Tessaro";
    const std::string ini = tessaro + "\\Bin\\icon.ini";
    MakeFile(tessaro + "\\Temp\\Temp.q");
    MakeDirs(tessaro + "\\Bin");
    struct IniCase {
        const char* contents;
        Expected lastProject, projectName, driver, device;
    } cases[] = {
        {"[system]\r\nlastproject = C:\\Projects\\Line 4\\Press.prj \r\n[KONDEX]\r\nDriver=\tkdrv.sys\r\n"
         "Device=Panel7\r\n",
         "C:\\Projects\\Line 4\\Press.prj", "Press.prj", "kdrv.sys", "Panel7"},
        // The INI default "#" and an empty text both count as "not set".
        {"[system]\r\nlastproject=\r\n[KONDEX]\r\nDevice= # \r\n", kFails, kFails, kFails, kFails},
        {"[system]\r\nlastproject=Press.prj\r\n", "Press.prj", "Press.prj", kFails, kFails},
    };
    for (const IniCase& c : cases) {
        SCOPED_TRACE(c.contents);
        WriteFileBytes(ini, c.contents);
        ExpectRows(dll.GetRegistryTessaroString,
                   {{"PATH", tessaro}, {"bin", tessaro + "\\Bin"}, {"LASTPROJECT", c.lastProject},
                    {" projectname", c.projectName}, {"KONDEX|DRIVER", c.driver}, {"KONDEX|DEVICE", c.device},
                    {"ICON.INI", ini}, {"TEMP.Q", tessaro + "\\Temp\\Temp.q"}, {"KONDEX", kFails}});
    }

    RemoveTree(tessaro);
    ExpectRows(dll.GetRegistryTessaroString, {{"PATH", kFails}, {"BIN", kFails}, {"LASTPROJECT", kFails},
                                              {"ICON.INI", kFails}, {"TEMP.Q", kFails}});
}

TEST_F(RegSettingsLookup, TessaroIIKeywordsBuildOnTheProjectAndTheInstallation)
{
    const std::string path = install.Path();
    const std::string projects = install / "Projects";
    const std::string device = projects + "\\Line4";
    SetString(HKEY_CURRENT_USER, kKalvio, "ProjectPath", projects);
    SetString(HKEY_LOCAL_MACHINE, kKalvio, "CurrentDevice", "Line4");
    for (const char* name : {"ProjectName", "TessaroProject", "DPSelectWidths", "sLanguage", "Version"})
        SetString(HKEY_CURRENT_USER, kKalvio, name, std::string("my ") + name);
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane\\Settings", "RescompData", "C:\\Data");
    SetString(HKEY_CURRENT_USER, "SOFTWARE\\Brivane-OldEntries", "Path", "C:\\Old");
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane-OldEntries\\Designo", "Path", "Designo 1.2");
    MakeFile(install / "Bin\\Rescomp.exe");
    MakeFile(install / "Kalvio\\Rescomp.exe");
    MakeFile(install / "Kalvio\\Rescomp4b.exe");
    MakeFile(install / "Kalvio\\CColors.dat");
    MakeFile(install / "Kalvio\\Times.dat");
    MakeFile(device + "\\Device.Set", "[Config]\r\nFWBelow152=0\r\n");

    ExpectRows(dll.GetRegistryTessaroIIString,
               {{"CURRENTDEVICE", device}, {"DEVICENAME", "Line4"}, {"RESCOMP.EXE", path + "\\Bin\\Rescomp.exe"},
                {"rescomp4b.exe", path + "\\Kalvio\\Rescomp4b.exe"}, {"PROJECTNAME", "my ProjectName"},
                {"PROJECTPATH", projects}, {"BITMAPS", device + "\\Bitmaps"}, {"SCRIV", device + "\\Scrivo"},
                {"SCRIVO", device + "\\Scrivo"}, {"PROJECT.SET", projects + "\\Project.Set"},
                {"HARDWARE.SET", device + "\\Hardware\\Hardware.set"},
                {"DISPLAY.SET", device + "\\Hardware\\Hardware.set"}, {"HARDWARE", device + "\\Hardware"},
                {"RESOURCE.RES", device + "\\Resource\\Resource.Res"}, {"DEVICE.SET", device + "\\Device.Set"},
                {"FWBELOW152", "0"}, {"TESSAROII", path + "\\Kalvio"}, {"TESSARO", device + "\\Tessaro"},
                {" ccolors.dat", path + "\\Kalvio\\CCOLORS.DAT"}, {"TIMES.DAT", path + "\\Kalvio\\TIMES.DAT"},
                {"RESCOMP.SET", kFails}, {"RESCOMPDATA", "C:\\Data"}, {"TESSAROPROJECT", "my TessaroProject"},
                {"DESIGNO|OLDENTRIES", "C:\\Old\\Designo 1.2"}, {"DPSELECT|LISTBOX|WIDTHS", "my DPSelectWidths"},
                {"LANGUAGE", "my sLanguage"}, {"VERSION", "my Version"}, {"DESIGNO", kFails}});

    // Without its settings file the firmware flag defaults to 1; any other number also reads 1.
    RemoveTree(device + "\\Device.Set");
    ExpectRows(dll.GetRegistryTessaroIIString, {{"FWBELOW152", "1"}});
    WriteFileBytes(device + "\\Device.Set", "[Config]\r\nFWBelow152=7\r\n");
    ExpectRows(dll.GetRegistryTessaroIIString, {{"FWBELOW152", "1"}});

    // Rows that need a missing part fail; the resource compiler falls back to the Kalvio folder.
    RemoveTree(install / "Bin");
    ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, kKalvio, "ProjectPath"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, "SOFTWARE\\Brivane-OldEntries", "Path"), ERROR_SUCCESS);
    ExpectRows(dll.GetRegistryTessaroIIString,
               {{"RESCOMP.EXE", path + "\\Kalvio\\Rescomp.exe"}, {"DEVICENAME", "Line4"}, {"CURRENTDEVICE", kFails},
                {"PROJECT.SET", kFails}, {"HARDWARE", kFails}, {"FWBELOW152", kFails}, {"DESIGNO|OLDENTRIES", kFails}});
    RemoveTree(install / "Kalvio");
    ExpectRows(dll.GetRegistryTessaroIIString, {{"RESCOMP.EXE", kFails}, {"RESCOMP4B.EXE", kFails},
                                                {"TIMES.DAT", kFails}, {"TESSAROII", path + "\\Kalvio"}});

    // The installation path reaches these lookups through a MAX_PATH buffer.
    const std::string longPath = "C:\\" + std::string(MAX_PATH, 'x');
    SetString(HKEY_CURRENT_USER, kBrivane, "Path", longPath);
    ExpectRows(dll.GetRegistryBrivaneString, {{"PATH", longPath}});
    ExpectRows(dll.GetRegistryTessaroIIString, {{"TESSAROII", kFails}});
}

TEST_F(RegSettingsLookup, ToolFoldersNeedTheirLanguageByte)
{
    struct Tool {
        TextLookup folder;
        const char* languageKey;
        std::vector<const char*> folders;  // in the order they are preferred
    } tools[] = {
        {dll.GetRegistryScrivoString, "SOFTWARE\\BRIVANE\\Scrivo", {"Scrivo", "Scriv"}},
        {dll.GetRegistryTaragoString, "SOFTWARE\\BRIVANE\\Tarago", {"Tarago"}},
        {dll.GetRegistryBusflashString, "SOFTWARE\\Brivane\\Kalvio\\BUSFLASH", {"Bus_flash"}},
    };
    for (const Tool& tool : tools) {
        SCOPED_TRACE(tool.languageKey);
        for (const char* folder : tool.folders)
            MakeDirs(install / folder);
        ExpectRows(tool.folder, {{"PATH", kFails}});
        ASSERT_TRUE(WriteRegByte(HKEY_LOCAL_MACHINE, tool.languageKey, "Language", 9));
        for (const char* folder : tool.folders) {
            ExpectRows(tool.folder, {{" path", install / folder}, {"BIN", kFails}});
            RemoveTree(install / folder);
        }
        ExpectRows(tool.folder, {{"PATH", kFails}});
    }
}

TEST_F(RegSettingsLookup, ByteDwordAndToolsValuesAreWrittenOnlyOnSuccess)
{
    using ByteLookup = int(__cdecl*)(const char*, unsigned char*);
    const std::pair<ByteLookup, const char*> bytes[] = {
        {dll.GetRegistryTessaroIIBin, kKalvio},
        {dll.GetRegistryBrivaneBin, "SOFTWARE\\BRIVANE\\KONDEX"},
        {dll.GetRegistryScrivoBin, "SOFTWARE\\BRIVANE\\Scrivo"},
        {dll.GetRegistryTaragoBin, "SOFTWARE\\BRIVANE\\Tarago"},
        {dll.GetRegistryBusflashBin, "SOFTWARE\\Brivane\\Kalvio\\BUSFLASH"},
    };
    for (const auto& [lookUp, key] : bytes) {
        SCOPED_TRACE(key);
        unsigned char value = 0xAA;
        const unsigned char twoBytes[] = {1, 2};
        SetRegValue(HKEY_CURRENT_USER, key, "Language", REG_BINARY, twoBytes, sizeof(twoBytes));
        EXPECT_EQ(lookUp("LANGUAGE", &value), 0);  // exactly one byte or nothing
        EXPECT_EQ(value, 0xAA);
        ASSERT_TRUE(WriteRegByte(HKEY_LOCAL_MACHINE, key, "Language", 7));
        EXPECT_EQ(lookUp("language ", &value), 1);
        EXPECT_EQ(value, 7);
        ASSERT_TRUE(WriteRegByte(HKEY_CURRENT_USER, key, "Language", 3));
        EXPECT_EQ(lookUp("LANGUAGE", &value), 1);
        EXPECT_EQ(value, 3);
        EXPECT_EQ(lookUp("LANG", &value), 0);
        EXPECT_EQ(lookUp("LANGUAGE", nullptr), 0);
        EXPECT_EQ(value, 3);
    }

    unsigned long number = 0xDEADBEEF;
    const DWORD polltime = 250;
    EXPECT_EQ(dll.GetRegistryTessaroDW("POLLTIME", &number), 0);
    EXPECT_EQ(number, 0xDEADBEEF);
    SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane\\Tessaro", "Polltime", REG_DWORD, &polltime, sizeof(polltime));
    EXPECT_EQ(dll.GetRegistryTessaroDW(" polltime", &number), 1);
    EXPECT_EQ(number, 250u);

    // The tools lookups read SOFTWARE\Brivane\<sub-key>; the DWORD one clears its result first.
    SetRegValue(HKEY_CURRENT_USER, "SOFTWARE\\Brivane\\KONDEX", "Timeout", REG_DWORD, &polltime, sizeof(polltime));
    SetString(HKEY_CURRENT_USER, "SOFTWARE\\Brivane\\KONDEX", "Driver", "kdrv.sys");
    EXPECT_EQ(dll.GetRegistryRegistryToolsDW(" kondex ", "timeout", &number), 1);
    EXPECT_EQ(number, 250u);
    EXPECT_EQ(dll.GetRegistryRegistryToolsDW("KONDEX", "Driver", &number), 0);
    EXPECT_EQ(number, 0u);
    number = 1;
    EXPECT_EQ(dll.GetRegistryRegistryToolsDW("KONDEX", nullptr, &number), 0);
    EXPECT_EQ(number, 0u);
    const struct {
        const char* subKey;
        const char* value;
        Expected expected;
    } toolsTexts[] = {{" kondex", "DRIVER ", "kdrv.sys"}, {"KONDEX", "Timeout", kFails}, {"KON DEX", "Driver", kFails}};
    for (const auto& row : toolsTexts)
        ExpectText([&](char* buffer, unsigned int size) {
            return dll.GetRegistryRegistryToolsString(row.subKey, row.value, buffer, size);
        }, row.expected);
}

TEST_F(RegSettingsLookup, WritesOnlyTheLanguageAndNameTablesAreEmpty)
{
    EXPECT_EQ(dll.SetRegistryTessaroIIString("VERSION", "9.9"), 1);
    EXPECT_EQ(dll.SetRegistryTessaroIIString("LANGUAGE", nullptr), 0);
    EXPECT_EQ(dll.SetRegistryTessaroIIString(" language", "ENG"), 1);
    ExpectRows(dll.GetRegistryTessaroIIString, {{"VERSION", kFails}, {"LANGUAGE", "ENG"}});
    char text[8] = {};
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kKalvio, "sLanguage", text, sizeof(text)));
    EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kKalvio, "sLanguage", text, sizeof(text)));

    for (auto lookUp : {dll.GetRegistryToolName, dll.GetRegistryVersionName, dll.GetRegistryAppParaName})
        for (int index : {-1, 0, 1, 1000})
            for (int flag : {0, 1}) {
                GuardedBuffer buffer(MAX_PATH);
                EXPECT_EQ(lookUp(index, buffer.Data(), flag), 0);
                EXPECT_TRUE(buffer.Untouched());
            }
}

TEST_F(RegSettingsLookup, MissingArgumentsFail)
{
    char buffer[MAX_PATH] = "untouched";
    for (TextLookup lookUp : {dll.GetRegistryBrivaneString, dll.GetRegistryTessaroString,
                              dll.GetRegistryTessaroIIString, dll.GetRegistryScrivoString,
                              dll.GetRegistryTaragoString, dll.GetRegistryBusflashString}) {
        EXPECT_EQ(lookUp(nullptr, buffer, sizeof(buffer)), 0);
        EXPECT_EQ(lookUp("PATH", nullptr, sizeof(buffer)), 0);
        EXPECT_EQ(lookUp("PATH", buffer, 0), 0);
    }
    EXPECT_EQ(dll.GetRegistryRegistryToolsString(nullptr, "Path", buffer, sizeof(buffer)), 0);
    EXPECT_EQ(dll.GetRegistryRegistryToolsString("", nullptr, buffer, sizeof(buffer)), 0);
    EXPECT_EQ(dll.GetRegistryTessaroDW(nullptr, nullptr), 0);
    EXPECT_EQ(dll.GetRegistryTessaroIIBin(nullptr, nullptr), 0);
    EXPECT_EQ(dll.SetRegistryTessaroIIString(nullptr, "ENG"), 0);
    EXPECT_STREQ(buffer, "untouched");
}
