// Moving files and folders: the seam every move goes through, and the logged rename of a folder.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace flipdeck::seams {

// Renames or moves a file or folder (MoveFileExA with its flags). A test swaps in a function that
// fails on its k-th call and checks that nothing was lost.
extern std::function<BOOL(const char* source, const char* target, DWORD flags)> MovePath;

}  // namespace flipdeck::seams

namespace flipdeck {

// Moves source to target, logging a missing source, an existing target, and a failure with the
// system's reason.
// 0 on success, non-zero on failure.
int RenameWithLog(const std::string& source, const std::string& target);

}  // namespace flipdeck
