// The suite's part of a verify: the catalogue of the suite's versions compared with the folders, the
// machine PATH and the components' registrations, changing nothing.
#pragma once

#include <vector>

#include "catalogue/RunState.h"
#include "steps/Finding.h"

namespace flipdeck {

extern const char kClassesKey[];  // HKLM "SOFTWARE\Classes\CLSID", read in the products' view

// What does not agree: an entry's folder neither live nor parked, or both; a live or parked folder
// holding another version than its entry; a folder with a parked name beside a program path that
// no entry accounts for; the machine PATH without the live version's bin folder or with a parked
// one's; components registered from a parked folder or from a file that is gone.
std::vector<Finding> VerifySuite(const RunState& state, VerifyDepth depth = VerifyDepth::Whole);

}  // namespace flipdeck
