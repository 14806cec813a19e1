// What "/history" prints: the machine's history of switches, recoveries and catalogue changes,
// newest first; as text for a technician or as one JSON document for a script.
#pragma once

#include <string>
#include <vector>

#include "steps/History.h"

namespace flipdeck {

// One line per record; a line that says the history is empty when there is none.
std::string HistoryListingText(const std::vector<HistoryRecord>& newestFirst);

// { "schemaVersion": 1, "records": [ { "time", "machine", "account", "user", "product", "action",
// "from", "to", "outcome", "exitCode", "steps", "durationMs" }, ... ] }
std::string HistoryListingJson(const std::vector<HistoryRecord>& newestFirst);

}  // namespace flipdeck
