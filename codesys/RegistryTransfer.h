// The three registry trees of CoDeSys: only one version's trees are live, every other version's
// are parked beside them under the live name, a blank and the version's parking text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/UserInterface.h"
#include "codesys/StrandedMove.h"

namespace flipdeck {

// Parks the current version's trees (unless `currentVersion` is null: the neutral entry is
// current) and activates the new version's (unless `newVersion` is null). On a failed move it
// shows and logs 10063 naming the key that blocks (a target that exists, else the tree that
// failed), moves back every tree already moved, the latest first, adds each tree that cannot go
// back to `stranded`, and answers false. A move never lands on an existing key, so that it cannot
// mix two versions' trees: it fails instead, leaving both where they are.
// The user tree is this Windows user's own: where the incoming version has no parked user tree in
// this user's hive (it was parked while another user was signed in), there is nothing to move.
bool TransferCodesysTrees(const std::string* currentVersion, const std::string* newVersion, UserInterface& ui,
                          std::vector<StrandedMove>& stranded);

// The parked name of the 3S machine tree of a version.
std::string ParkedMachineTree(const std::string& version);

}  // namespace flipdeck
