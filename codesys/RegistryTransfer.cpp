#include "codesys/RegistryTransfer.h"

#include "catalogue/CatalogueStore.h"

namespace flipdeck {

namespace {

struct Tree {
    HKEY root;
    const char* live;
};
// Parked and activated in this order; the first is the machine's 3S tree, the last the user's.
const Tree kTrees[] = {
    {HKEY_LOCAL_MACHINE, "software\\3S-Smart Software Solutions GmbH"},
    {HKEY_LOCAL_MACHINE, "software\\AutomationAlliance"},
    {HKEY_CURRENT_USER, "software\\3S-Smart Software Solutions GmbH"},
};
const Tree& kMachineTree = kTrees[0];
const Tree& kUserTree = kTrees[2];

std::string Parked(const Tree& tree, const std::string& version) { return std::string(tree.live) + " " + version; }

}  // namespace

std::string ParkedMachineTree(const std::string& version) { return Parked(kMachineTree, version); }

std::string ParkedSetupKey(const std::string& version) { return ParkedMachineTree(version) + "\\CoDeSys SetupInfo\\V2.3.0"; }

std::vector<ParkedTree> ParkedTrees(const std::string& version)
{
    std::vector<ParkedTree> trees;
    for (const Tree& tree : kTrees)
        trees.push_back({tree.root, Parked(tree, version), &tree != &kUserTree});
    return trees;
}

bool LiveTreesExist()
{
    for (const Tree& tree : kTrees) {
        if (KeyExists(tree.root, tree.live))
            return true;
    }
    return false;
}

std::vector<Step> TreeTransferSteps(const std::string* currentParking, const std::string* newParking)
{
    std::vector<Step> steps;
    if (currentParking != nullptr) {
        for (const Tree& tree : kTrees) {
            const std::string parked = Parked(tree, *currentParking);
            if (&tree == &kMachineTree || KeyExists(tree.root, tree.live))
                steps.push_back(MoveTreeStep(tree.root, tree.live, parked));
            else if (!KeyExists(tree.root, parked))
                steps.push_back(CreateKeyStep(tree.root, parked));
        }
    }
    if (newParking != nullptr) {
        for (const Tree& tree : kTrees) {
            const std::string parked = Parked(tree, *newParking);
            if (&tree != &kUserTree || KeyExists(tree.root, parked))
                steps.push_back(MoveTreeStep(tree.root, parked, tree.live));
        }
    }
    return steps;
}

std::string BlockingTreeName(const Step& step)
{
    if (step.kind == StepKind::MoveTree && KeyExists(step.root, step.target))
        return KeyName(step.root, step.target);
    return KeyName(step.root, step.source);
}

}  // namespace flipdeck
