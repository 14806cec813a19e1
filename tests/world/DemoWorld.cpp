#include "tests/world/DemoWorld.h"

#include <windows.h>
#include <shlobj.h>

#include <stdexcept>

#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "steps/Environment.h"
#include "tests/TestSupport.h"

namespace flipdeck::world {

const char kKalvioInstall[] = "C:\\Brivane";
const char kMeridanInstall[] = "C:\\MERIDAN";
const char kCodesysRoot[] = "C:\\Programme\\3S Software";

namespace {

const char k3sTree[] = "software\\3S-Smart Software Solutions GmbH";
const char kAllianceTree[] = "software\\AutomationAlliance";
const char kSetupInfo[] = "\\CoDeSys SetupInfo\\V2.3.0";
const char kCodesysCatalogue[] = "SOFTWARE\\BRIVANE\\Flipdeck\\CS";

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error("demo world: " + what);
}

using test::MakeDirs;
using test::RemoveTree;

void WriteText(const std::string& path, const std::string& text)
{
    MakeDirs(path.substr(0, path.find_last_of('\\')));
    test::WriteFileBytes(path, text);
}

void CopyProgram(const std::string& from, const std::string& to)
{
    MakeDirs(to.substr(0, to.find_last_of('\\')));
    Check(CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE, "copy " + from);
}

void Set(HKEY root, const std::string& key, const std::string& name, const std::string& value)
{
    Check(WriteRegString(root, key, name, value), "write " + key + "\\" + name);
}

void SetByte(HKEY root, const std::string& key, const std::string& name, BYTE value)
{
    Check(WriteRegByte(root, key, name, value), "write " + key + "\\" + name);
}

std::string Documents()
{
    char path[MAX_PATH] = {};
    Check(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)), "documents");
    return path;
}

struct CodesysVersion {
    const char* version;
    const char* standIn;
};
const CodesysVersion kLiveCodesys{"2.3.9.5", "codesys_2_3_9_5"};
const CodesysVersion kParkedCodesys{"2.3.8.1", "codesys_2_3_8_1"};
const CodesysVersion kWholeCodesys{"2.3.7.0", "codesys_2_3_7_0"};

struct Component {
    const char* setupValue;
    const char* folder;
    const char* parkedFolderPrefix;  // the park path is this + " " + version
    const char* catalogueSuffix;
};
const Component kComponents[] = {
    {"Targetdir_CODESYS", "CoDeSys V2.3", "CoDeSys V2.3", ""},
    {"Targetdir_ENI", "CoDeSys ENI Server", "CoDeSys ENI Server", "_ENI"},
    {"Targetdir_OPC", "CoDeSysOPC", "CoDeSysOPC", "_OPC"},
    {"Targetdir_PLCWINNT", "CoDeSys SP PLCWinNT", "CoDeSys SP PLCWinNT", "_PLCWINNT"},
};

std::string Root() { return kCodesysRoot; }

// The component folders of one version in `root`, at `suffix` (empty for the live places).
void MakeCodesysFolders(const std::string& standIns, const CodesysVersion& codesys, const std::string& root,
                        const std::string& suffix)
{
    const std::string main = root + "\\CoDeSys V2.3" + suffix;
    CopyProgram(standIns + "\\" + codesys.standIn + "\\CoDeSys.exe", main + "\\CoDeSys.exe");
    WriteText(main + "\\Library\\Standard.lib", std::string("library of ") + codesys.version);
    WriteText(root + "\\CoDeSys ENI Server" + suffix + "\\ENIServer.exe", std::string("ENI ") + codesys.version);
    WriteText(root + "\\CoDeSysOPC" + suffix + "\\CoDeSysOPC.exe", std::string("OPC ") + codesys.version);
    WriteText(root + "\\CoDeSys SP PLCWinNT" + suffix + "\\PLCWinNT.exe", std::string("PLC ") + codesys.version);
}

// The three registry trees of one version under the given key names (live or parked).
void MakeCodesysTrees(const CodesysVersion& codesys, const std::string& suffix)
{
    const std::string machine = k3sTree + suffix;
    const std::string setup = machine + kSetupInfo;
    Set(HKEY_LOCAL_MACHINE, setup, "Targetdir", Root());
    for (const Component& component : kComponents)
        Set(HKEY_LOCAL_MACHINE, setup, component.setupValue, Root() + "\\" + component.folder);
    Set(HKEY_LOCAL_MACHINE, machine + "\\CoDeSys V2.3", "Version", codesys.version);
    Check(WriteRegExpandString(HKEY_LOCAL_MACHINE, machine + "\\Gateway", "Path", "%SystemRoot%\\SysWOW64"),
          "gateway path");
    Set(HKEY_LOCAL_MACHINE, kAllianceTree + suffix + "\\OPC", "Server", std::string("CoDeSys.OPC.") + codesys.version);
    Set(HKEY_CURRENT_USER, k3sTree + suffix + "\\CoDeSys V2.3\\Recent", "File1", std::string("C:\\Projekte\\Anlage ") + codesys.version + ".pro");
    SetByte(HKEY_CURRENT_USER, k3sTree + suffix + "\\CoDeSys V2.3\\Options", "AutoSave", 1);
}

void MakeGatewayFiles(const std::string& folder, const CodesysVersion& codesys)
{
    for (const std::string& file : GatewayFiles())
        WriteText(folder + file, file + " of CoDeSys " + codesys.version);
}

// A sub-folder entry parks each component folder beside the live one; a whole-folder entry parks
// the root folder and has no component park paths.
void CatalogueCodesys(int n, const CodesysVersion& codesys, bool wholeFolder = false)
{
    const std::string index = std::to_string(n);
    const std::string blankVersion = std::string(" ") + codesys.version;
    Set(HKEY_CURRENT_USER, kCodesysCatalogue, "Name" + index, std::string("CoDeSys ") + codesys.version);
    Set(HKEY_CURRENT_USER, kCodesysCatalogue, "Version" + index, codesys.version);
    for (const Component& component : kComponents) {
        std::string park = Root() + "\\" + component.parkedFolderPrefix + blankVersion;
        if (wholeFolder)
            park = component.catalogueSuffix[0] == '\0' ? Root() + blankVersion : "";
        Set(HKEY_CURRENT_USER, kCodesysCatalogue, "Path" + index + component.catalogueSuffix, park);
    }
    SetByte(HKEY_CURRENT_USER, kCodesysCatalogue, "RenameSubDir" + index, wholeFolder ? 0 : 1);
}

// Removes every file and folder that matches a wildcard pattern.
void RemoveMatching(const std::string& pattern)
{
    const std::string folder = pattern.substr(0, pattern.find_last_of('\\') + 1);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> doomed;
    do
        doomed.push_back(folder + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    for (const std::string& path : doomed)
        RemoveTree(path);
}

// Removes what the CoDeSys versions of the world and their parking places left: trees and folders
// by their prefixes, so that versions installed by a test go too.
void RemoveCodesys()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        std::vector<std::string> doomed;
        UniqueHKey software;
        if (OpenRegKey(root, "Software", KEY_READ, software) == ERROR_SUCCESS) {
            char name[256];
            DWORD length = sizeof(name);
            for (DWORD index = 0; RegEnumKeyExA(software.get(), index, name, &length, nullptr, nullptr, nullptr,
                                                nullptr) == ERROR_SUCCESS;
                 ++index, length = sizeof(name)) {
                const std::string key(name);
                if (key.rfind("3S-Smart Software Solutions GmbH", 0) == 0 || key.rfind("AutomationAlliance", 0) == 0)
                    doomed.push_back("Software\\" + key);
            }
        }
        for (const std::string& key : doomed)
            DeleteRegistryTree(root, key);
    }
    const std::string system = ProductSystemDirectory();
    for (const std::string& file : GatewayFiles())
        DeleteFileA((system + file).c_str());
    RemoveMatching(std::string(kCodesysRoot) + "*");
    RemoveMatching(system + "CoDeSys *");
}

const char* const kRegistryKeys[][2] = {
    {"HKLM", "SOFTWARE\\Brivane"},
    {"HKCU", "SOFTWARE\\Brivane"},
    {"HKLM", "SOFTWARE\\Harlund Software"},
    {"HKCU", "SOFTWARE\\Harlund Software"},
    {"HKLM", "SOFTWARE\\BRIVANE\\Flipdeck"},
};

}  // namespace

const std::vector<SuiteVersion>& SuiteVersions()
{
    static const std::vector<SuiteVersion> versions = {
        {"Kalvio 2.14.0.310", "C:\\Brivane V2.14.0.310", "C:\\Brivane", "2.14.0.310", "kalvio_2_14", "Kalvio"},
        {"Kalvio 2.15.1.20", "C:\\Brivane V2.15.1.20", "C:\\Brivane", "2.15.1.20", "kalvio_2_15", "Kalvio"},
        {"MDN 3.0.2.7", "C:\\MERIDAN V3.0.2.7", "C:\\MERIDAN", "3.0.2.7", "meridan_3_0", "program"},
    };
    return versions;
}

const std::vector<std::string>& GatewayFiles()
{
    static const std::vector<std::string> files = {
        "gdrvudp.dll", "commsym.dll", "commusr.dll", "gateway.exe", "gateway.hlp", "gateway.cnt", "gateway.chm",
        "gatewayDDE.exe", "gclient.dll", "gdrvbase.dll", "gdrvstd.dll", "ghandle.dll", "gsymbol.dll", "gutil.dll"};
    return files;
}

void Remove()
{
    for (const auto& key : kRegistryKeys)
        DeleteRegistryTree(std::string(key[0]) == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key[1]);
    // The suite's folders by their prefixes, so that versions parked or copied by a test go too.
    RemoveMatching("C:\\Brivane*");
    RemoveMatching("C:\\MERIDAN*");
    RemoveCodesys();
}

void InstallCodesys(const std::string& standIns, const std::string& version, std::string standIn)
{
    if (standIn.empty()) {
        standIn = "codesys_" + version;
        for (char& c : standIn) {
            if (c == '.')
                c = '_';
        }
    }
    const CodesysVersion codesys{version.c_str(), standIn.c_str()};
    MakeCodesysFolders(standIns, codesys, Root(), "");
    MakeCodesysTrees(codesys, "");
    MakeGatewayFiles(ProductSystemDirectory(), codesys);
}

void ListSuiteVersions(const std::vector<SuiteVersion>& versions)
{
    for (size_t i = 0; i < versions.size(); ++i) {
        const SuiteVersion& suite = versions[i];
        const std::string n = std::to_string(i + 1);
        for (const char* catalogue : {kSuiteCatalogueKey, kMeridanCatalogueKey}) {
            Set(HKEY_CURRENT_USER, catalogue, "Name" + n, suite.name);
            Set(HKEY_CURRENT_USER, catalogue, "Path" + n, suite.renamePath);
            Set(HKEY_CURRENT_USER, catalogue, "PrgPath" + n, suite.programPath);
            Set(HKEY_CURRENT_USER, catalogue, "Version" + n, suite.version);
            Set(HKEY_CURRENT_USER, catalogue, "HelpFile" + n, "");
        }
    }
}

void ApplyLastingSwitchEffects()
{
    DeleteRegValue(HKEY_CURRENT_USER, "SOFTWARE\\Brivane", "Path");
    DeleteRegValue(HKEY_CURRENT_USER, "SOFTWARE\\Harlund Software\\MERIDAN", "Path");
    Set(HKEY_CURRENT_USER, "Software\\brivane\\Kalvio", "Version", SuiteVersions()[0].version);
}

void Build(const std::string& standIns)
{
    Remove();

    // The suite: installation paths, the live and parked version folders and the catalogue.
    Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane", "Path", kKalvioInstall);
    Set(HKEY_CURRENT_USER, "SOFTWARE\\Brivane", "Path", kKalvioInstall);
    Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harlund Software\\MERIDAN", "Path", kMeridanInstall);
    Set(HKEY_CURRENT_USER, "SOFTWARE\\Harlund Software\\MERIDAN", "Path", kMeridanInstall);
    Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane\\Kalvio", "sLanguage", "DEU");
    Set(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brivane\\Kalvio", "Version", SuiteVersions()[0].version);

    // The first version is live, the others are parked.
    for (size_t i = 0; i < SuiteVersions().size(); ++i) {
        const SuiteVersion& suite = SuiteVersions()[i];
        const std::string folder = i == 0 ? suite.programPath : suite.renamePath;
        CopyProgram(standIns + "\\" + suite.standIn + "\\workbench.exe",
                    folder + "\\" + suite.layout + "\\workbench.exe");
        WriteText(folder + "\\bin\\readme.txt", std::string("bin of ") + suite.name);
        // Some of the suite's COM components, which a switch registers.
        for (const std::string& component : {std::string(suite.layout) + "\\UiControls.dll",
                                             std::string(suite.layout) + "\\CxForms.dll", std::string("bin\\RemotePanel.dll")})
            WriteText(folder + "\\" + component, component + " of " + suite.name);
    }
    // Earlier runs saved the catalogue to the suite's key and to the MERIDAN edition's mirror.
    ListSuiteVersions(SuiteVersions());
    for (const char* catalogue : {kSuiteCatalogueKey, kMeridanCatalogueKey}) {
        Set(HKEY_CURRENT_USER, catalogue, "CurrentVersionName", SuiteVersions()[0].name);
        SetByte(HKEY_CURRENT_USER, catalogue, "AutoStart", 0);
    }

    // CoDeSys: 2.3.9.5 live, 2.3.8.1 parked component by component, 2.3.7.0 parked with its whole
    // root folder. Each parked version's trees and gateway files wait under its version.
    InstallCodesys(standIns, kLiveCodesys.version);
    MakeCodesysFolders(standIns, kParkedCodesys, Root(), std::string(" ") + kParkedCodesys.version);
    MakeCodesysFolders(standIns, kWholeCodesys, Root() + " " + kWholeCodesys.version, "");
    const std::string system = ProductSystemDirectory();
    for (const CodesysVersion& parked : {kParkedCodesys, kWholeCodesys}) {
        MakeCodesysTrees(parked, std::string(" ") + parked.version);
        MakeGatewayFiles(system + "CoDeSys " + parked.version + "\\", parked);
    }
    CatalogueCodesys(1, kLiveCodesys);
    CatalogueCodesys(2, kParkedCodesys);
    CatalogueCodesys(3, kWholeCodesys, true);
    Set(HKEY_CURRENT_USER, kCodesysCatalogue, "CurrentVersionName", std::string("CoDeSys ") + kLiveCodesys.version);
    Set(HKEY_CURRENT_USER, kCodesysCatalogue, "NewVersionPath", Root() + " NewVersions");

    // The activity log goes to Documents\Brivane, which the suite's setup creates.
    MakeDirs(Documents() + "\\Brivane");
}

namespace {

void ReadOneFile(const std::string& path, std::map<std::string, std::string>& files)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string contents(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, contents.data(), static_cast<DWORD>(contents.size()), &read, nullptr);
    CloseHandle(file);
    files[ToUpper(path)] = contents;
}


// Top-level folders of `parent` whose names start with one of the prefixes.
void ReadMatching(const std::string& parent, std::initializer_list<const char*> prefixes,
                  std::map<std::string, std::string>& files)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((parent + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        for (const char* prefix : prefixes) {
            if (ToUpper(name).rfind(ToUpper(prefix), 0) != 0)
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                files[ToUpper(parent + name)] = "<dir>";
                ReadTree(parent + name, files);
            }
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void ReadKeys(HKEY root, const char* rootName, std::map<std::string, RegistryTree>& keys)
{
    UniqueHKey software;
    if (OpenRegKey(root, "Software", KEY_READ, software) != ERROR_SUCCESS)
        return;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(software.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        for (const char* prefix : {"BRIVANE", "HARLUND", "3S-SMART", "AUTOMATIONALLIANCE"}) {
            if (ToUpper(name).rfind(prefix, 0) == 0)
                CaptureRegistryTree(root, std::string("Software\\") + name, keys[std::string(rootName) + "\\" + ToUpper(name)]);
        }
    }
}

}  // namespace

void ReadTree(const std::string& path, std::map<std::string, std::string>& files)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string child = path + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[ToUpper(child)] = "<dir>";
            ReadTree(child, files);
        } else {
            ReadOneFile(child, files);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

Snapshot Snapshot::Take()
{
    Snapshot snapshot;
    ReadMatching("C:\\", {"Brivane", "MERIDAN"}, snapshot.files);
    ReadMatching("C:\\Programme\\", {"3S Software"}, snapshot.files);
    const std::string system = ProductSystemDirectory();
    ReadMatching(system, {"CoDeSys "}, snapshot.files);
    for (const std::string& file : GatewayFiles())
        ReadOneFile(system + file, snapshot.files);
    ReadKeys(HKEY_LOCAL_MACHINE, "HKLM", snapshot.keys);
    ReadKeys(HKEY_CURRENT_USER, "HKCU", snapshot.keys);
    snapshot.machinePath = ReadRegText(HKEY_LOCAL_MACHINE, kEnvironmentKey, "Path").value_or("");
    return snapshot;
}

std::string Snapshot::Differences(const Snapshot& other) const
{
    std::string differences;
    for (const auto& [path, contents] : files) {
        auto found = other.files.find(path);
        if (found == other.files.end())
            differences += "gone: " + path + "\n";
        else if (found->second != contents)
            differences += "changed: " + path + "\n";
    }
    for (const auto& [path, contents] : other.files) {
        if (files.count(path) == 0)
            differences += "new: " + path + "\n";
    }
    for (const auto& [key, tree] : keys) {
        auto found = other.keys.find(key);
        if (found == other.keys.end())
            differences += "key gone: " + key + "\n";
        else if (found->second != tree)
            differences += "key changed: " + key + "\n";
    }
    for (const auto& [key, tree] : other.keys) {
        if (keys.count(key) == 0)
            differences += "new key: " + key + "\n";
    }
    if (machinePath != other.machinePath)
        differences += "machine PATH changed\n";
    return differences;
}

}  // namespace flipdeck::world
