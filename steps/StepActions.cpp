#include "steps/StepActions.h"

#include "base/ActivityLog.h"
#include "base/FileMove.h"
#include "base/RegistryTree.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"
#include "base/LocalizedString.h"
#include "steps/Environment.h"

namespace flipdeck {

namespace {

// Files may move between drives (copy, then delete the source); they never replace a file.
constexpr DWORD kFileMoveFlags = MOVEFILE_COPY_ALLOWED;

bool Move(const std::string& from, const std::string& to, DWORD flags)
{
    return seams::MovePath(from.c_str(), to.c_str(), flags) != FALSE;
}

bool KeyIsEmpty(HKEY root, const std::string& key)
{
    RegistryTree tree;
    return CaptureRegistryTree(root, key, tree) == ERROR_SUCCESS && tree.values.empty() && tree.subKeys.empty();
}

bool WriteChange(const ValueChange& change, const std::optional<RegValue>& value)
{
    return WriteRegValue(change.root, change.key, change.name, value);
}

// The bytes of a file; empty when it cannot be read.
std::string FileBytes(const std::string& path)
{
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char block[65536];
    DWORD read = 0;
    while (file && ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0)
        bytes.append(block, read);
    return bytes;
}

UndoOutcome UndoMove(const Step& step, const UndoData& undo)
{
    // A move never lands on what was there: with the target there before, or not there now, the
    // move did not happen.
    if (undo.existedBefore || !PathExists(step.target))
        return UndoOutcome::NotMade;
    const bool file = step.kind == StepKind::MoveFile;
    DWORD error = ERROR_ALREADY_EXISTS;  // something else has the old name
    if (!PathExists(step.source)) {
        if (Move(step.target, step.source, file ? kFileMoveFlags : 0))
            return UndoOutcome::Undone;
        error = GetLastError();
    } else if (file) {
        // A move between drives that died half-way: the copy goes when the source still holds all of it.
        const std::string copied = FileBytes(step.target);
        if (FileBytes(step.source).compare(0, copied.size(), copied) == 0) {
            if (DeleteFileA(step.target.c_str()))
                return UndoOutcome::NotMade;
            error = GetLastError();
        }
    }
    WriteLog("Rename FAILED: " + step.target + " TO " + step.source);
    WriteLog(SystemErrorText(error));
    return UndoOutcome::Failed;
}

UndoOutcome UndoTreeMove(const Step& step, const UndoData& undo)
{
    if (undo.existedBefore)
        return UndoOutcome::NotMade;
    auto failed = [&](LSTATUS status) {
        WriteLog("Registry move back FAILED: " + step.target + " TO " + step.source);
        WriteLog(SystemErrorText(status));
        return UndoOutcome::Failed;
    };
    RegistryTree atSource, atTarget;
    const bool source = CaptureRegistryTree(step.root, step.source, atSource) == ERROR_SUCCESS;
    const bool target = CaptureRegistryTree(step.root, step.target, atTarget) == ERROR_SUCCESS;
    // Whatever stands at either name must be a piece of the tree moved, or it is somebody else's.
    if ((source && !IsPartOf(atSource, undo.tree)) || (target && !IsPartOf(atTarget, undo.tree)))
        return failed(ERROR_ALREADY_EXISTS);
    // With the source whole, the move never got past writing the copy: only the copy goes.
    const bool sourceWhole = source && atSource == undo.tree;
    if (!sourceWhole) {
        // Whatever part of the tree stands at its old name is written over whole, through the
        // same seam as the move.
        UniqueHKey restoring;
        LSTATUS status = DeleteRegistryTree(step.root, step.source);
        if (status == ERROR_SUCCESS)
            status = CreateRegKey(step.root, step.source, KEY_ALL_ACCESS, restoring);
        if (status == ERROR_SUCCESS)
            status = seams::WriteRegistryTree(restoring.get(), undo.tree);
        if (status != ERROR_SUCCESS) {
            // What got written is part of the tree, which the journal keeps whole for another try.
            restoring.reset();
            DeleteRegistryTree(step.root, step.source);
            return failed(status);
        }
    }
    if (target) {
        if (const LSTATUS status = DeleteRegistryTree(step.root, step.target); status != ERROR_SUCCESS)
            return failed(status);
    }
    return sourceWhole ? UndoOutcome::NotMade : UndoOutcome::Undone;
}

UndoOutcome UndoValues(const Step& step, const UndoData& undo)
{
    UndoOutcome outcome = UndoOutcome::NotMade;
    for (size_t i = step.changes.size(); i-- > 0;) {
        const ValueChange& change = step.changes[i];
        const std::optional<RegValue>& old = undo.oldValues[i];
        const std::optional<RegValue> now = ReadRegValue(change.root, change.key, change.name);
        if (now == old)
            continue;
        // A value somebody else changed since is theirs.
        const bool ours = now == change.value;
        if (!ours || !WriteChange(change, old)) {
            const DWORD error = ours ? GetLastError() : ERROR_ALREADY_EXISTS;
            WriteLog("Registry value restore FAILED: " + KeyName(change.root, change.key) + "\\" + change.name);
            WriteLog(SystemErrorText(error));
            return UndoOutcome::Failed;
        }
        outcome = UndoOutcome::Undone;
        if (!undo.keysExisted[i] && KeyIsEmpty(change.root, change.key))
            DeleteRegistryTree(change.root, change.key);
    }
    return outcome;
}

}  // namespace

bool UndoData::operator==(const UndoData& other) const
{
    return existedBefore == other.existedBefore && oldValues == other.oldValues && keysExisted == other.keysExisted &&
           tree == other.tree && oldPath == other.oldPath;
}

bool CaptureUndo(const Step& step, UndoData& undo)
{
    undo = UndoData();
    switch (step.kind) {
    case StepKind::MoveFolder:
    case StepKind::MoveFile:
        undo.existedBefore = PathExists(step.target);
        return true;
    case StepKind::CreateFolder:
        undo.existedBefore = PathExists(step.source);
        return true;
    case StepKind::CreateKey:
        undo.existedBefore = KeyExists(step.root, step.source);
        return true;
    case StepKind::MoveTree: {
        undo.existedBefore = KeyExists(step.root, step.target);
        const LSTATUS status = CaptureRegistryTree(step.root, step.source, undo.tree);
        SetLastError(status);
        return status == ERROR_SUCCESS;
    }
    case StepKind::WriteValues:
        for (const ValueChange& change : step.changes) {
            undo.oldValues.push_back(ReadRegValue(change.root, change.key, change.name));
            undo.keysExisted.push_back(KeyExists(change.root, change.key));
        }
        return true;
    case StepKind::SetSystemPath: {
        PathReadFailure failure;
        undo.oldPath = ReadSystemPath(failure);
        return true;
    }
    default:
        return true;
    }
}

bool MakeStep(const Step& step, const UndoData& undo)
{
    switch (step.kind) {
    case StepKind::Note:
        WriteLog(step.text);
        return true;
    case StepKind::MoveFolder:
        return step.logged ? RenameWithLog(step.source, step.target) == 0 : Move(step.source, step.target, 0);
    case StepKind::MoveFile:
        if (PathExists(step.target)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        return Move(step.source, step.target, kFileMoveFlags);
    case StepKind::CreateFolder:
        return CreateDirectoryA(step.source.c_str(), nullptr) != FALSE;
    case StepKind::MoveTree:
        return MoveRegistryTree(step.root, step.source, undo.tree, step.target);
    case StepKind::CreateKey: {
        UniqueHKey key;
        const LSTATUS status =
            KeyExists(step.root, step.source) ? ERROR_ALREADY_EXISTS : CreateRegKey(step.root, step.source, KEY_ALL_ACCESS, key);
        SetLastError(status);
        return status == ERROR_SUCCESS;
    }
    case StepKind::WriteValues: {
        bool all = true;
        for (const ValueChange& change : step.changes)
            all = WriteChange(change, change.value) && all;
        return all;
    }
    case StepKind::SetSystemPath:
        return WriteSystemPath(step.path);
    case StepKind::Register:
        return RegisterComponent(step.source);
    }
    return false;
}

UndoOutcome UndoStep(const Step& step, const UndoData& undo)
{
    if (step.lasting)
        return UndoOutcome::Kept;
    switch (step.kind) {
    case StepKind::MoveFolder:
    case StepKind::MoveFile:
        return UndoMove(step, undo);
    case StepKind::CreateFolder:
        if (undo.existedBefore || !PathExists(step.source))
            return UndoOutcome::NotMade;
        return RemoveDirectoryA(step.source.c_str()) ? UndoOutcome::Undone : UndoOutcome::Failed;
    case StepKind::MoveTree:
        return UndoTreeMove(step, undo);
    case StepKind::CreateKey:
        if (undo.existedBefore || !KeyExists(step.root, step.source))
            return UndoOutcome::NotMade;
        return KeyIsEmpty(step.root, step.source) && DeleteRegistryTree(step.root, step.source) == ERROR_SUCCESS
                   ? UndoOutcome::Undone
                   : UndoOutcome::Failed;
    case StepKind::WriteValues:
        return UndoValues(step, undo);
    default:
        return UndoOutcome::NotMade;
    }
}

}  // namespace flipdeck
