// What a roll-back could not move back, for the user to put right by hand.
#pragma once

#include <string>

namespace flipdeck {

// A folder, file or registry tree that stays where a change moved it, and where it belongs.
struct StrandedMove {
    std::string at;
    std::string belongs;
};

}  // namespace flipdeck
