// A workstation as the products' installers and earlier runs of Flipdeck leave it: two versions of
// the Kalvio edition (one live, one parked), one MERIDAN version (parked), CoDeSys 2.3.9.5 installed
// with its setup key, registry trees and gateway files, CoDeSys 2.3.8.1 parked component by
// component and CoDeSys 2.3.7.0 parked with its whole root folder.
// The demo and the end-to-end tests build the same world.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/RegistryTree.h"

namespace flipdeck::world {

// Names and places of the demo world.
extern const char kKalvioInstall[];   // C:\Brivane
extern const char kMeridanInstall[];  // C:\MERIDAN
extern const char kCodesysRoot[];     // C:\Programme\3S Software

struct SuiteVersion {
    const char* name;
    const char* renamePath;
    const char* programPath;
    const char* version;
    const char* standIn;  // stand-in target under bin\standins
    const char* layout;   // "Kalvio" or "program"
};
const std::vector<SuiteVersion>& SuiteVersions();  // the first is live

// Writes the suite catalogue (and its MERIDAN mirror) as an earlier save leaves it: these versions
// at indexes 1, 2, ... Folders are not touched.
void ListSuiteVersions(const std::vector<SuiteVersion>& versions);

// Removes every trace of an earlier world and builds it anew. `standIns` is the folder of the
// stand-in programs (bin\standins). Throws std::runtime_error when a step fails.
void Build(const std::string& standIns);

// What every suite switch changes for good: the per-user installation paths are deleted and the
// Kalvio edition's version is recorded. Applied to a fresh world, a round trip restores everything.
void ApplyLastingSwitchEffects();

// Removes the world's folders, files and registry keys.
void Remove();

// What CoDeSys' setup leaves when it installs `version` into the free live places: the component
// folders in the root folder, the setup key and the other live registry trees, and the gateway
// files in the system directory. The program is the stand-in `standIn`, by default
// codesys_<version with underscores>.
void InstallCodesys(const std::string& standIns, const std::string& version, std::string standIn = std::string());

// The gateway files CoDeSys installs into the system directory.
const std::vector<std::string>& GatewayFiles();

// Every file and folder below `path`, by upper-case path: a file maps to its contents, a folder to "<dir>".
void ReadTree(const std::string& path, std::map<std::string, std::string>& files);

// Everything of the world a switch may touch: the contents of its folders and gateway files, its
// registry trees (products' view) and the machine PATH. Compared before and after round trips.
struct Snapshot {
    std::map<std::string, std::string> files;  // path (upper case) -> contents; folders map to "<dir>"
    std::map<std::string, RegistryTree> keys;  // "HKLM\name" or "HKCU\name" -> tree
    std::string machinePath;

    static Snapshot Take();
    // A readable list of what differs, empty when nothing does.
    std::string Differences(const Snapshot& other) const;
};

}  // namespace flipdeck::world
