#include "tests/e2e/JsonSchema.h"

#include <algorithm>
#include <stdexcept>

#include "tests/TestSupport.h"

namespace flipdeck::test {

namespace {

const char* const kAnnotations[] = {"$schema", "$id", "$defs", "$comment", "title", "description"};
const char* const kAssertions[] = {"type",  "properties", "required", "additionalProperties", "items",
                                   "enum", "const",      "oneOf",    "$ref",                 "minimum"};
const char kDefsPrefix[] = "#/$defs/";

template <size_t N>
bool IsIn(const std::string& name, const char* const (&names)[N])
{
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

[[noreturn]] void Refuse(const std::string& where, const std::string& what)
{
    throw std::runtime_error("JSON Schema at " + (where.empty() ? std::string("/") : where) + ": " + what);
}

const JsonValue* Member(const JsonValue& object, const std::string& name)
{
    for (const auto& member : object.members) {
        if (member.first == name)
            return &member.second;
    }
    return nullptr;
}

bool Equal(const JsonValue& a, const JsonValue& b)
{
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case JsonValue::Kind::Null:
        return true;
    case JsonValue::Kind::Boolean:
        return a.boolean == b.boolean;
    case JsonValue::Kind::Number:
        return a.number == b.number;
    case JsonValue::Kind::String:
        return a.text == b.text;
    case JsonValue::Kind::Array:
        return a.items.size() == b.items.size() && std::equal(a.items.begin(), a.items.end(), b.items.begin(), Equal);
    case JsonValue::Kind::Object:
        return a.members.size() == b.members.size() &&
               std::all_of(a.members.begin(), a.members.end(), [&](const auto& member) {
                   const JsonValue* other = Member(b, member.first);
                   return other != nullptr && Equal(member.second, *other);
               });
    }
    return false;
}

const char* KindName(JsonValue::Kind kind)
{
    switch (kind) {
    case JsonValue::Kind::Null:
        return "null";
    case JsonValue::Kind::Boolean:
        return "boolean";
    case JsonValue::Kind::Number:
        return "integer";
    case JsonValue::Kind::String:
        return "string";
    case JsonValue::Kind::Array:
        return "array";
    case JsonValue::Kind::Object:
        return "object";
    }
    return "?";
}

// The reader knows whole numbers only: "number" and "integer" are the same here.
bool HasType(const JsonValue& value, const std::string& type)
{
    return type == KindName(value.kind) || (type == "number" && value.kind == JsonValue::Kind::Number);
}

bool KnownType(const std::string& type)
{
    for (const char* name : {"null", "boolean", "integer", "number", "string", "array", "object"}) {
        if (type == name)
            return true;
    }
    return false;
}

std::vector<std::string> TypesOf(const JsonValue& type)
{
    std::vector<std::string> types;
    if (type.kind == JsonValue::Kind::String)
        types.push_back(type.text);
    for (const JsonValue& item : type.items)
        types.push_back(item.text);
    return types;
}

std::string Place(const std::string& where) { return where.empty() ? "/" : where; }

}  // namespace

JsonSchema::JsonSchema(JsonValue schema) : root_(std::move(schema)) { Vet(root_, ""); }

void JsonSchema::Vet(const JsonValue& schema, const std::string& where) const
{
    if (schema.kind != JsonValue::Kind::Object)
        Refuse(where, "a schema must be an object");
    for (const auto& [name, value] : schema.members) {
        const std::string at = where + "/" + name;
        if (name == "$defs") {
            for (const auto& definition : value.members)
                Vet(definition.second, at + "/" + definition.first);
        } else if (IsIn(name, kAnnotations)) {
            continue;
        } else if (!IsIn(name, kAssertions)) {
            Refuse(where, "keyword " + name + " is not supported");
        } else if (name == "type") {
            const std::vector<std::string> types = TypesOf(value);
            if (types.empty() || !std::all_of(types.begin(), types.end(), KnownType))
                Refuse(at, "unknown type");
        } else if (name == "properties") {
            for (const auto& property : value.members)
                Vet(property.second, at + "/" + property.first);
        } else if (name == "required") {
            for (const JsonValue& required : value.items) {
                if (required.kind != JsonValue::Kind::String)
                    Refuse(at, "names must be strings");
            }
        } else if (name == "additionalProperties") {
            if (value.kind != JsonValue::Kind::Boolean || value.boolean)
                Refuse(at, "only false is supported");
        } else if (name == "items") {
            Vet(value, at);
        } else if (name == "enum" || name == "oneOf") {
            if (value.kind != JsonValue::Kind::Array || value.items.empty())
                Refuse(at, "must be a non-empty array");
            for (size_t i = 0; name == "oneOf" && i < value.items.size(); ++i)
                Vet(value.items[i], at + "/" + std::to_string(i));
        } else if (name == "$ref") {
            Resolve(value);
        } else if (name == "minimum" && value.kind != JsonValue::Kind::Number) {
            Refuse(at, "must be a number");
        }
    }
}

const JsonValue& JsonSchema::Resolve(const JsonValue& reference) const
{
    const std::string& ref = reference.text;
    const JsonValue* defs = Member(root_, "$defs");
    const JsonValue* target = nullptr;
    if (reference.kind == JsonValue::Kind::String && ref.compare(0, sizeof(kDefsPrefix) - 1, kDefsPrefix) == 0 &&
        defs != nullptr)
        target = Member(*defs, ref.substr(sizeof(kDefsPrefix) - 1));
    if (target == nullptr)
        Refuse("$ref " + ref, "leads nowhere (only " + std::string(kDefsPrefix) + "NAME is supported)");
    return *target;
}

void JsonSchema::Check(const JsonValue& schema, const JsonValue& value, const std::string& where,
                       std::vector<std::string>& problems) const
{
    if (const JsonValue* reference = Member(schema, "$ref"))
        Check(Resolve(*reference), value, where, problems);
    if (const JsonValue* type = Member(schema, "type")) {
        const std::vector<std::string> types = TypesOf(*type);
        if (std::none_of(types.begin(), types.end(), [&](const std::string& name) { return HasType(value, name); })) {
            problems.push_back(Place(where) + ": is " + KindName(value.kind) + ", not " + types.front());
            return;  // nothing else about it means anything
        }
    }
    if (const JsonValue* constant = Member(schema, "const"); constant != nullptr && !Equal(*constant, value))
        problems.push_back(Place(where) + ": is not the one value allowed");
    if (const JsonValue* allowed = Member(schema, "enum")) {
        if (std::none_of(allowed->items.begin(), allowed->items.end(), [&](const JsonValue& item) { return Equal(item, value); }))
            problems.push_back(Place(where) + ": is none of the values allowed" +
                               (value.kind == JsonValue::Kind::String ? " (\"" + value.text + "\")" : std::string()));
    }
    if (const JsonValue* minimum = Member(schema, "minimum");
        minimum != nullptr && value.kind == JsonValue::Kind::Number && value.number < minimum->number)
        problems.push_back(Place(where) + ": is below " + std::to_string(minimum->number));
    if (value.kind == JsonValue::Kind::Object) {
        if (const JsonValue* required = Member(schema, "required")) {
            for (const JsonValue& name : required->items) {
                if (Member(value, name.text) == nullptr)
                    problems.push_back(Place(where) + ": lacks member \"" + name.text + "\"");
            }
        }
        const JsonValue* properties = Member(schema, "properties");
        const bool closed = Member(schema, "additionalProperties") != nullptr;
        for (const auto& [name, member] : value.members) {
            const JsonValue* property = properties == nullptr ? nullptr : Member(*properties, name);
            if (property != nullptr)
                Check(*property, member, where + "/" + name, problems);
            else if (closed)
                problems.push_back(Place(where) + ": member \"" + name + "\" is not allowed");
        }
    }
    if (const JsonValue* items = Member(schema, "items"); items != nullptr && value.kind == JsonValue::Kind::Array) {
        for (size_t i = 0; i < value.items.size(); ++i)
            Check(*items, value.items[i], where + "/" + std::to_string(i), problems);
    }
    if (const JsonValue* oneOf = Member(schema, "oneOf")) {
        // Says why each alternative failed: for a document, the one meant is among them.
        std::string reasons;
        size_t matching = 0;
        for (size_t i = 0; i < oneOf->items.size(); ++i) {
            std::vector<std::string> branch;
            Check(oneOf->items[i], value, where, branch);
            if (branch.empty())
                ++matching;
            else
                reasons += "\n    " + std::to_string(i) + ": " + branch.front();
        }
        if (matching == 0)
            problems.push_back(Place(where) + ": matches none of its alternatives:" + reasons);
        else if (matching > 1)
            problems.push_back(Place(where) + ": matches " + std::to_string(matching) + " alternatives, not one");
    }
}

std::vector<std::string> JsonSchema::Problems(const JsonValue& document) const
{
    std::vector<std::string> problems;
    Check(root_, document, "", problems);
    return problems;
}

JsonSchema LoadJsonSchema(const std::string& path)
{
    const std::string text = ReadFileBytes(path);
    if (text.empty())
        throw std::runtime_error("JSON Schema: cannot read " + path);
    return JsonSchema(ParseJson(text));
}

}  // namespace flipdeck::test
