#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/e2e/JsonSchema.h"

using namespace flipdeck::test;

namespace {

const JsonSchema& OutputSchema()
{
    static const JsonSchema schema = LoadJsonSchema(FLIPDECK_OUTPUT_SCHEMA);
    return schema;
}

std::string ProblemsOf(const std::string& document)
{
    std::string problems;
    for (const std::string& problem : OutputSchema().Problems(ParseJson(document)))
        problems += problem + "\n";
    return problems;
}

const char kFinding[] = R"({"code": "suite-folder-missing", "product": "suite", "entry": "MDN 3.0.2.7", )"
                        R"("place": "C:\\MERIDAN V3.0.2.7", "message": "fehlt")";

std::string Findings(const std::string& finding) { return R"({"schemaVersion": 1, "findings": [)" + finding + "]}"; }

std::string Steps(const std::string& step)
{
    return R"({"schemaVersion": 1, "product": "codesys", "from": "CoDeSys 2.3.9.5", "to": "<neu>", "steps": [)" + step + "]}";
}

}  // namespace

TEST(JsonSchema, TheOutputSchemaRejectsWhatNoCommandWrites)
{
    EXPECT_EQ(ProblemsOf(Findings(std::string(kFinding) + "}")), "");
    EXPECT_EQ(ProblemsOf(R"({"schemaVersion": 1, "suite": {"current": "", "versions": []},
                             "codesys": {"current": "<neu>", "versions": []}})"),
              "");
    EXPECT_EQ(ProblemsOf(Steps(R"({"kind": "moveTree", "source": "HKEY_LOCAL_MACHINE\\A", "target": "HKEY_LOCAL_MACHINE\\B", "description": "d"},
                                  {"kind": "register", "source": "C:\\x.dll", "description": "d"},
                                  {"kind": "setSystemPath", "description": "d"})")),
              "");

    const struct {
        const char* what;
        std::string document;
        const char* problem;  // part of what the validator says
    } broken[] = {
        {"a required member missing", Findings(R"({"code": "x", "product": "suite", "entry": "", "place": ""})"),
         "/findings/0: lacks member \"message\""},
        {"a member of the wrong type", Findings(std::string(kFinding) + R"(, "entry": 3})"), "/findings/0/entry: is integer, not string"},
        {"a member no shape has", Findings(std::string(kFinding) + R"(, "severity": "high"})"),
         "/findings/0: member \"severity\" is not allowed"},
        {"a value outside the enumeration", Findings(R"({"code": "x", "product": "kalvio", "entry": "", "place": "", "message": ""})"),
         "/findings/0/product: is none of the values allowed (\"kalvio\")"},
        {"another schema version", R"({"schemaVersion": 2, "findings": []})", "/schemaVersion: is not the one value allowed"},
        {"the schema version as text", R"({"schemaVersion": "1", "findings": []})", "/schemaVersion: is string, not integer"},
        {"no document at all", "[]", "/: is array, not object"},
        {"a move without its target", Steps(R"({"kind": "moveFolder", "source": "C:\\A", "description": "d"})"),
         "/steps/0: matches none of its alternatives"},
        {"a registration with a target", Steps(R"({"kind": "register", "source": "x", "target": "y", "description": "d"})"),
         "/steps/0: matches none of its alternatives"},
        {"a kind no step has", Steps(R"({"kind": "deleteFolder", "source": "C:\\A", "description": "d"})"),
         "/steps/0/kind: is none of the values allowed (\"deleteFolder\")"},
        {"a negative count",
         R"({"schemaVersion": 1, "records": [{"time": "", "machine": "", "account": "", "user": "", "product": "suite", "action": "switch",
             "from": "", "to": "", "outcome": "done", "exitCode": -1, "steps": 0, "durationMs": 0}]})",
         "/records/0/exitCode: is below 0"},
    };
    for (const auto& document : broken) {
        SCOPED_TRACE(document.what);
        const std::string problems = ProblemsOf(document.document);
        EXPECT_NE(problems.find(document.problem), std::string::npos) << problems;
    }
}

TEST(JsonSchema, RefusesASchemaThatSaysMoreThanItChecks)
{
    EXPECT_THROW(JsonSchema(ParseJson(R"({"type": "string", "pattern": "^a"})")), std::runtime_error);
    EXPECT_THROW(JsonSchema(ParseJson(R"({"$defs": {"a": {"maxLength": 3}}})")), std::runtime_error);
    EXPECT_THROW(JsonSchema(ParseJson(R"({"$ref": "#/$defs/missing", "$defs": {}})")), std::runtime_error);
    EXPECT_THROW(JsonSchema(ParseJson(R"({"type": "object", "additionalProperties": true})")), std::runtime_error);
    EXPECT_THROW(JsonSchema(ParseJson(R"({"type": "float"})")), std::runtime_error);
    // Each alternative that fails says why, so that a failing document shows what it lacks.
    const JsonSchema either(ParseJson(R"({"oneOf": [{"type": "string"}, {"enum": [1, 2]}]})"));
    EXPECT_TRUE(either.Problems(ParseJson("2")).empty());
    const std::vector<std::string> problems = either.Problems(ParseJson("3"));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "/: matches none of its alternatives:\n    0: /: is integer, not string\n    1: /: is none of the values allowed");
    EXPECT_EQ(JsonSchema(ParseJson(R"({"oneOf": [{"type": "integer"}, {"minimum": 0}]})")).Problems(ParseJson("1")),
              std::vector<std::string>{"/: matches 2 alternatives, not one"});
}
