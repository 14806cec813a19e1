// CoDeSys' part of a verify: the catalogue of the CoDeSys versions compared with the live
// installation, the parked folders, registry trees and gateway backup folders, changing nothing.
#pragma once

#include <vector>

#include "catalogue/RunState.h"
#include "steps/Finding.h"

namespace flipdeck {

// What does not agree: the live version's folder missing, parked as well, or holding another
// version; a parked version's main folder, registry trees or gateway backup folder missing or
// incomplete; the live version's trees parked as well; a folder with a parked name beside the live
// places that holds a version no entry names.
std::vector<Finding> VerifyCodesys(const RunState& state);

}  // namespace flipdeck
