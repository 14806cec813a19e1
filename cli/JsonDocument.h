// The JSON documents the command line prints for scripts. Each is one object whose first member,
// "schemaVersion", says which shape the rest has; docs/flipdeck-output.schema.json describes them
// all. A member added keeps the version; a member removed, renamed or given another meaning
// raises it.
#pragma once

#include <string>

namespace flipdeck {

constexpr int kJsonSchemaVersion = 1;

// A document up to its own members: the opening brace and the "schemaVersion" member with its
// comma. The command's members follow, each on a line of its own indented by two blanks, then "}\n".
std::string JsonDocumentStart();

// `text` (system code page) as a JSON string in plain ASCII: quotes, backslashes and control
// characters escaped, every character beyond ASCII as a \u escape, so that the document reads the
// same whatever encoding its reader decodes it with.
std::string JsonQuoted(const std::string& text);

}  // namespace flipdeck
