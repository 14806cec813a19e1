// Checks JSON documents against a JSON Schema (draft 2020-12), for the keywords the schema of the
// program's output uses: type, properties, required, additionalProperties false, items, enum,
// const, oneOf, $ref to "#/$defs/NAME" and minimum; $schema, $id, $defs, $comment, title and
// description only annotate. A schema with any other keyword is refused, so that it never says
// more than the tests check.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/JsonReader.h"

namespace flipdeck::test {

class JsonSchema {
public:
    // Throws std::runtime_error when the schema uses a keyword outside that subset, or a $ref that
    // leads nowhere.
    explicit JsonSchema(JsonValue schema);

    // Where and how `document` breaks the schema, one line each ("/findings/0: lacks member
    // \"place\""); empty when it matches.
    std::vector<std::string> Problems(const JsonValue& document) const;

private:
    void Vet(const JsonValue& schema, const std::string& where) const;
    const JsonValue& Resolve(const JsonValue& reference) const;
    void Check(const JsonValue& schema, const JsonValue& value, const std::string& where,
               std::vector<std::string>& problems) const;

    JsonValue root_;
};

// The schema in a file; throws when it cannot be read or is refused.
JsonSchema LoadJsonSchema(const std::string& path);

}  // namespace flipdeck::test
