#include "codesys/RegistryTransfer.h"

#include <vector>

#include "app/ActivityLog.h"
#include "app/LocalizedString.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Registry.h"

namespace flipdeck {

namespace {

struct Tree {
    HKEY root;
    const char* rootName;
    const char* live;
};
// Parked and activated in this order.
const Tree kTrees[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "software\\3S-Smart Software Solutions GmbH"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "software\\AutomationAlliance"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "software\\3S-Smart Software Solutions GmbH"},
};

std::string Parked(const Tree& tree, const std::string& version) { return std::string(tree.live) + " " + version; }

bool MoveTreeToFreeName(HKEY root, const std::string& from, const std::string& to)
{
    return !KeyExists(root, to) && MoveRegistryKey(root, from, to);
}

}  // namespace

std::string ParkedMachineTree(const std::string& version) { return Parked(kTrees[0], version); }

bool TransferCodesysTrees(const std::string* currentVersion, const std::string* newVersion, UserInterface& ui)
{
    struct Move {
        HKEY root;
        std::string from;
        std::string to;
    };
    std::vector<Move> done;
    auto fail = [&](const Tree& tree, const std::string& key) {
        const std::string message =
            FormatLocalized(IDS_REGISTRY_RENAME_FAILED, {std::string(tree.rootName) + "\\" + key});
        WriteLog(message);
        ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
        // The user's tree goes back too: the restored version would otherwise run without its settings.
        for (auto move = done.rbegin(); move != done.rend(); ++move) {
            if (!MoveTreeToFreeName(move->root, move->to, move->from))
                WriteLog("Registry move back FAILED: " + move->to + " TO " + move->from);
        }
        return false;
    };
    if (currentVersion != nullptr) {
        for (const Tree& tree : kTrees) {
            const std::string parked = Parked(tree, *currentVersion);
            // A version without this tree gets an empty parked one, so that activating it later
            // finds a tree to move. The machine tree has no such exception.
            if (&tree != &kTrees[0] && !KeyExists(tree.root, tree.live)) {
                if (KeyExists(tree.root, parked))
                    continue;
                UniqueHKey created;
                if (CreateRegKey(tree.root, parked, KEY_ALL_ACCESS, created) != ERROR_SUCCESS)
                    return fail(tree, tree.live);
            } else if (!MoveTreeToFreeName(tree.root, tree.live, parked)) {
                return fail(tree, tree.live);
            }
            done.push_back({tree.root, tree.live, parked});
        }
    }
    if (newVersion != nullptr) {
        for (const Tree& tree : kTrees) {
            const std::string parked = Parked(tree, *newVersion);
            if (!MoveTreeToFreeName(tree.root, parked, tree.live))
                return fail(tree, parked);
            done.push_back({tree.root, parked, tree.live});
        }
    }
    return true;
}

}  // namespace flipdeck
