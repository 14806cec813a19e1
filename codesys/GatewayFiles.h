// The CoDeSys gateway installs its files into the system directory, where every CoDeSys version
// expects its own copy: the active version's files live there, every other version's wait in a
// backup folder of their own beside them.
#pragma once

#include <string>
#include <vector>

#include "steps/Step.h"

namespace flipdeck {

// systemDirectory (with its trailing backslash) + "CoDeSys " + version.
std::string GatewayBackupFolder(const std::string& systemDirectory, const std::string& version);

// The first file that parking the live gateway files in `outgoingBackup` (null: none are parked)
// and bringing in those of `incomingBackup` (null: none come in) would overwrite; empty when none
// would. Folders end in a backslash.
std::string GatewayFileInTheWay(const std::string& systemDirectory, const std::string* outgoingBackup,
                                const std::string* incomingBackup);

// The required gateway files missing from `folder` (ending in a backslash), by name.
std::vector<std::string> MissingGatewayFiles(const std::string& folder);

// The moves of the gateway files from folder `from` to folder `to` (both ending in a backslash),
// in the order of the gateway table: every required file (a missing one fails its move, and with
// it the switch) and each optional file that is there, whose move may fail. A move never replaces
// a file.
std::vector<Step> GatewayFileMoves(const std::string& from, const std::string& to);

}  // namespace flipdeck
