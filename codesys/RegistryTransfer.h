// The three registry trees of CoDeSys: only one version's trees are live, every other version's
// are parked beside them under the live name, a blank and the version text.
#pragma once

#include <windows.h>

#include <string>

#include "app/UserInterface.h"

namespace flipdeck {

// Parks the current version's trees (unless `currentVersion` is null: the neutral entry is
// current) and activates the new version's (unless `newVersion` is null). On a failed move it
// shows and logs 10063 naming the tree, moves back every tree already moved, the latest first,
// and answers false. A move never lands on an existing key, so that it cannot mix two versions'
// trees: it fails instead, leaving both where they are.
bool TransferCodesysTrees(const std::string* currentVersion, const std::string* newVersion, UserInterface& ui);

// The parked name of the 3S machine tree of a version.
std::string ParkedMachineTree(const std::string& version);

}  // namespace flipdeck
