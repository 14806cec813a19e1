// The three registry trees of CoDeSys: only one version's trees are live, every other version's
// are parked beside them under the live name, a blank and the version's parking text.
#pragma once

#include <string>
#include <vector>

#include "steps/Step.h"

namespace flipdeck {

// The steps that park the current version's trees under `currentParking` (none when it is null:
// the neutral entry is current) and then bring in the trees parked under `newParking` (none when
// it is null). A tree never moves onto an existing key, which would mix two versions' trees: that
// move fails instead.
// A tree other than the machine's 3S tree that is not live is parked as an empty key, so that a
// later activation finds a tree to move. The user tree is this Windows user's own: where the
// incoming version has no parked user tree in this user's hive (it was parked while another user
// was signed in), there is nothing to move.
std::vector<Step> TreeTransferSteps(const std::string* currentParking, const std::string* newParking);

// One of a version's parked trees; `required`: activating the version moves it, so that it must be
// there (the user tree is this Windows user's own and may be missing).
struct ParkedTree {
    HKEY root;
    std::string key;
    bool required;
};
// The parked trees of the version parked under `version`, in the order they are activated.
std::vector<ParkedTree> ParkedTrees(const std::string& version);

// True when any of the live trees exists.
bool LiveTreesExist();

// The key a failed tree step names to the user: its target when that exists and so blocks the
// move, else the tree that failed.
std::string BlockingTreeName(const Step& step);

// The parked name of the 3S machine tree of a version.
std::string ParkedMachineTree(const std::string& version);

// The setup information a version parked under `version` carries in its parked machine tree: where
// its folders go when it is activated.
std::string ParkedSetupKey(const std::string& version);

}  // namespace flipdeck
