// The CoDeSys gateway installs its files into the system directory, where every CoDeSys version
// expects its own copy: the active version's files live there, every other version's wait in a
// backup folder of their own beside them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "codesys/StrandedMove.h"

namespace flipdeck {

// systemDirectory (with its trailing backslash) + "CoDeSys " + version.
std::string GatewayBackupFolder(const std::string& systemDirectory, const std::string& version);

// Creates the backup folder unless it exists. False when it cannot be created.
bool PrepareGatewayBackup(const std::string& folder);

// The first file that parking the live gateway files in `outgoingBackup` (null: none are parked)
// and bringing in those of `incomingBackup` (null: none come in) would overwrite; empty when none
// would. Folders end in a backslash.
std::string GatewayFileInTheWay(const std::string& systemDirectory, const std::string* outgoingBackup,
                                const std::string* incomingBackup);

// Moves of gateway files between the system directory and backup folders, kept so that they can
// be undone. A move never replaces an existing file.
class GatewayTransfer {
public:
    // Moves each file of the gateway table from folder `from` to folder `to` (both ending in a
    // backslash). Optional files that cannot be moved are passed over; at the first required one
    // the moves stop, its name goes to `failedFile` and the answer is false.
    bool Move(const std::string& from, const std::string& to, std::string& failedFile);

    // Moves every file moved so far back where it came from, the latest first. Each file that
    // cannot go back is logged and added to `stranded`.
    void Undo(std::vector<StrandedMove>& stranded);

private:
    std::vector<std::pair<std::string, std::string>> done_;
};

}  // namespace flipdeck
