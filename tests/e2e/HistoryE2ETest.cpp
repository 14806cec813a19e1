#include <gtest/gtest.h>

#include "steps/History.h"
#include "steps/Journal.h"
#include "steps/StepActions.h"
#include "tests/TestSupport.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/e2e/JsonReader.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::test;

TEST(HistoryE2E, ASwitchARefusalAndARecoveryAreListedNewestFirstAsTextAndAsJson)
{
    world::ApplyLastingSwitchEffects();
    SavedSystemPath path;
    ScopedDemoWorld world;
    ScratchLogFolder log;
    RecordingRegsvr32 regsvr32;
    DeleteFileA(HistoryPath().c_str());

    CommandRun run = RunFlipdeckCommand("/history");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(Lines(run.out), std::vector<std::string>{"Die Chronik ist leer."});

    EXPECT_EQ(RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"").exitCode, 0u);
    EXPECT_EQ(RunFlipdeckCommand("/switch \"Kalvio 2.15.1.20\"").exitCode, 3u);
    // A switch back whose process died after its first folder move: the next start recovers it.
    ASSERT_TRUE(DieAfterFirstFolderMove("Kalvio 2.15.1.20", "Kalvio 2.14.0.310", "C:\\Brivane V2.15.1.20"));
    EXPECT_EQ(RunFlipdeckCommand("/recover").exitCode, 0u);

    run = RunFlipdeckCommand("/history");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.error, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_NE(lines[0].find("  suite recovery: 'Kalvio 2.15.1.20' -> 'Kalvio 2.14.0.310', recovered (Exitcode 0), 1 Schritte"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("  suite switch: 'Kalvio 2.15.1.20' -> 'Kalvio 2.15.1.20', alreadyActive (Exitcode 3), 0 Schritte"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find("  suite switch: 'Kalvio 2.14.0.310' -> 'Kalvio 2.15.1.20', done (Exitcode 0), "), std::string::npos)
        << lines[2];

    run = RunFlipdeckCommand("/history /JSON");
    EXPECT_EQ(run.exitCode, 0u);
    const JsonValue document = ParseJson(run.out);
    EXPECT_EQ(document["schemaVersion"].number, 1u);
    const JsonValue& records = document["records"];
    ASSERT_EQ(records.items.size(), 3u);
    const struct {
        const char* action;
        const char* from;
        const char* to;
        const char* outcome;
        unsigned exitCode;
    } expected[] = {{"recovery", "Kalvio 2.15.1.20", "Kalvio 2.14.0.310", "recovered", 0},
                    {"switch", "Kalvio 2.15.1.20", "Kalvio 2.15.1.20", "alreadyActive", 3},
                    {"switch", "Kalvio 2.14.0.310", "Kalvio 2.15.1.20", "done", 0}};
    for (size_t i = 0; i < 3; ++i) {
        const JsonValue& record = records[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(record["product"].text, "suite");
        EXPECT_EQ(record["action"].text, expected[i].action);
        EXPECT_EQ(record["from"].text, expected[i].from);
        EXPECT_EQ(record["to"].text, expected[i].to);
        EXPECT_EQ(record["outcome"].text, expected[i].outcome);
        EXPECT_EQ(record["exitCode"].number, expected[i].exitCode);
        EXPECT_EQ(record["exitCode"].kind, JsonValue::Kind::Number);
        EXPECT_EQ(record["durationMs"].kind, JsonValue::Kind::Number);
        EXPECT_EQ(record["time"].text.size(), 20u);
        EXPECT_FALSE(record["machine"].text.empty() || record["account"].text.empty() || record["user"].text.empty());
    }
    EXPECT_GT(records[2]["steps"].number, 5u);
    EXPECT_EQ(records[0]["steps"].number, 1u);
    DeleteFileA(HistoryPath().c_str());
}
