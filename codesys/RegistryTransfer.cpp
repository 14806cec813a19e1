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
// Parked and activated in this order; the last is the user tree.
const Tree kTrees[] = {
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "software\\3S-Smart Software Solutions GmbH"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "software\\AutomationAlliance"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "software\\3S-Smart Software Solutions GmbH"},
};
const Tree& kUserTree = kTrees[2];

std::string Parked(const Tree& tree, const std::string& version) { return std::string(tree.live) + " " + version; }

std::string FullName(const Tree& tree, const std::string& key) { return std::string(tree.rootName) + "\\" + key; }

bool MoveTreeToFreeName(HKEY root, const std::string& from, const std::string& to)
{
    return !KeyExists(root, to) && MoveRegistryKey(root, from, to);
}

}  // namespace

std::string ParkedMachineTree(const std::string& version) { return Parked(kTrees[0], version); }

bool TransferCodesysTrees(const std::string* currentVersion, const std::string* newVersion, UserInterface& ui,
                          std::vector<StrandedMove>& stranded)
{
    struct Move {
        const Tree* tree;
        std::string from;
        std::string to;
    };
    std::vector<Move> done;
    auto fail = [&](const Tree& tree, const std::string& key) {
        const std::string message = FormatLocalized(IDS_REGISTRY_RENAME_FAILED, {FullName(tree, key)});
        WriteLog(message);
        ui.ShowMessage(message, MB_ICONWARNING | MB_OK);
        // The user's tree goes back too: the restored version would otherwise run without its settings.
        for (auto move = done.rbegin(); move != done.rend(); ++move) {
            if (!MoveTreeToFreeName(move->tree->root, move->to, move->from)) {
                WriteLog("Registry move back FAILED: " + move->to + " TO " + move->from);
                stranded.push_back({FullName(*move->tree, move->to), FullName(*move->tree, move->from)});
            }
        }
        return false;
    };
    // The key that keeps a move from happening: its target when that exists, else its source.
    auto blocking = [](const Tree& tree, const std::string& from, const std::string& to) {
        return KeyExists(tree.root, to) ? to : from;
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
                return fail(tree, blocking(tree, tree.live, parked));
            }
            done.push_back({&tree, tree.live, parked});
        }
    }
    if (newVersion != nullptr) {
        for (const Tree& tree : kTrees) {
            const std::string parked = Parked(tree, *newVersion);
            // Parked while another Windows user was signed in: this user has no tree of it to move.
            if (&tree == &kUserTree && !KeyExists(tree.root, parked))
                continue;
            if (!MoveTreeToFreeName(tree.root, parked, tree.live))
                return fail(tree, blocking(tree, parked, tree.live));
            done.push_back({&tree, parked, tree.live});
        }
    }
    return true;
}

}  // namespace flipdeck
