// Making and undoing single steps. Undoing always checks first what the step did: a step that never
// happened is passed over, a half-made one is resolved to the state before it, and nothing that the
// step did not bring is ever removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/RegistryTree.h"
#include "steps/Step.h"

namespace flipdeck {

// What undoing a step needs besides the step itself, taken just before the step is made.
struct UndoData {
    bool existedBefore = false;  // moves: the target; creations: the folder or key. Never removed.
    std::vector<std::optional<RegValue>> oldValues;  // WriteValues: the value each change replaces
    std::vector<bool> keysExisted;                   // WriteValues: whether each change's key was there
    RegistryTree tree;                               // MoveTree: the tree moved
    std::optional<RegValue> oldPath;                 // SetSystemPath: the PATH value replaced, in UTF-16

    bool operator==(const UndoData& other) const;
};

// Takes what undoing `step` will need. False when it cannot (a tree that cannot be read, the reason
// in GetLastError): the step must then not be made.
bool CaptureUndo(const Step& step, UndoData& undo);

// Makes the step; false when it failed, with the system's reason (if any) in GetLastError. A step that
// fails part-way leaves what it did for UndoStep.
bool MakeStep(const Step& step, const UndoData& undo);

enum class UndoOutcome {
    Undone,   // the machine is as before the step
    NotMade,  // the step had changed nothing (or its half-made change was resolved)
    Kept,     // a lasting step: it stays
    Failed,   // something stands in the way; nothing was removed
};

UndoOutcome UndoStep(const Step& step, const UndoData& undo);

}  // namespace flipdeck
