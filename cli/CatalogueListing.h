// What "/list" prints: both catalogues with every entry's name, rename path, program path and
// version, and which entry is live; as text for a technician or as one JSON document for a script.
#pragma once

#include <string>
#include <vector>

#include "catalogue/RunState.h"

namespace flipdeck {

struct ListedVersion {
    std::string name;
    std::string renamePath;
    std::string programPath;  // where the version's folders are while it is live
    std::string version;
    bool current = false;
};

struct ListedCatalogue {
    std::string current;  // the current version name
    std::vector<ListedVersion> versions;
};

ListedCatalogue ListSuiteCatalogue(const RunState& state);
// The neutral entry is no version of its own: it is listed only as the current name.
ListedCatalogue ListCodesysCatalogue(const RunState& state);

std::string CatalogueListingText(const RunState& state);
// { "schemaVersion": 1, "suite": { "current": "...", "versions": [ { "name", "renamePath",
// "programPath", "version", "current" }, ... ] }, "codesys": { the same } }
std::string CatalogueListingJson(const RunState& state);

}  // namespace flipdeck
