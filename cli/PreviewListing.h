// What "/switch NAME /preview" and "/codesys NAME /preview" print: the steps the change would make,
// as text for a technician or as one JSON document for a script.
#pragma once

#include <string>

#include "catalogue/UserInterface.h"

namespace flipdeck {

// The notice and the heading, then the steps numbered from 1.
std::string PreviewText(const SwitchPreview& preview);
// { "schemaVersion": 1, "product", "from", "to", "steps": [ { "kind", "source", "target",
// "description" }, ... ] }; a step has "source" and "target" only where its kind has them.
std::string PreviewJson(const SwitchPreview& preview);

}  // namespace flipdeck
