// What "/verify" prints: the findings as text for a technician or as one JSON document for a script.
#pragma once

#include <string>
#include <vector>

#include "steps/Finding.h"

namespace flipdeck {

// One block per finding (code, product and entry; place; what to do), or one line saying that
// nothing was found.
std::string FindingsText(const std::vector<Finding>& findings);
// { "schemaVersion": 1, "findings": [ { "code", "product", "entry", "place", "message" }, ... ] }
std::string FindingsJson(const std::vector<Finding>& findings);

}  // namespace flipdeck
