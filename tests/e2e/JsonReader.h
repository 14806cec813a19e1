// A strict reader of one JSON document, for tests that read what the program writes for scripts.
// It knows what the program writes: objects, arrays, strings, true or false and whole numbers.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace flipdeck::test {

struct JsonValue {
    enum class Kind { Boolean, String, Array, Object, Number };
    Kind kind = Kind::Boolean;
    bool boolean = false;
    unsigned long long number = 0;
    std::string text;  // a string, in UTF-8
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member of that name, or the item at that index; throws when there is none.
    const JsonValue& operator[](const std::string& name) const;
    const JsonValue& operator[](size_t index) const { return items.at(index); }
};

// Reads UTF-8 text that must hold exactly one JSON value: no raw control characters in strings,
// nothing but white space after the value. Throws std::runtime_error, naming the offset.
JsonValue ParseJson(const std::string& text);

}  // namespace flipdeck::test
