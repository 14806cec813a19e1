// The places where the system changes the outside world in ways a test must be able to break.
// Each seam is the real call by default; a test swaps in a function that fails on its k-th call
// (or does part of the work and then fails) and checks that nothing was lost.
#pragma once

#include <windows.h>

#include <functional>

namespace flipdeck::seams {

// Copies the tree below `source` into `target` (both open keys in the right registry view).
extern std::function<LSTATUS(HKEY source, HKEY target)> CopyRegistryTree;
// Deletes `subKey` of `parent` with everything below it.
extern std::function<LSTATUS(HKEY parent, const char* subKey)> DeleteRegistryTree;

// Renames or moves a file or folder (MoveFileExA with its flags).
extern std::function<BOOL(const char* source, const char* target, DWORD flags)> MovePath;

}  // namespace flipdeck::seams
