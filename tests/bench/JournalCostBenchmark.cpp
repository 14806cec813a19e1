// What the journal adds to a switch: the real suite change and a CoDeSys change on the demo world,
// each there and back, with the journal and with one that keeps nothing, alternated in one run.
#include <cstdio>
#include <optional>

#include "steps/Journal.h"
#include "tests/bench/BenchSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::bench;

namespace {

const int kRounds = 15;

class NoJournal final : public StepJournal {
public:
    bool Begin(const SwitchPlan&) override { return true; }
    bool Append(size_t, const Step&, const UndoData&) override { return true; }
    bool Finish() override { return true; }
};

struct Timings {
    std::vector<double> journaled;
    std::vector<double> unjournaled;
};

void Print(const char* what, const Timings& timings)
{
    const double with = Median(timings.journaled), without = Median(timings.unjournaled);
    std::printf("%s with the journal:    %s\n", what, Figures(timings.journaled).c_str());
    std::printf("%s without the journal: %s\n", what, Figures(timings.unjournaled).c_str());
    std::printf("%s cost of the journal: %.1f ms per change (%.1f%%)\n", what, with - without,
                100 * (with - without) / without);
}

}  // namespace

int main()
{
    test::SavedSystemPath path;
    test::ScopedDemoWorld world;
    test::ScratchLogFolder log;
    SuiteSwitcher suite;
    CodesysSwitcher codesys;

    Timings suiteTimes, codesysTimes;
    for (int round = 0; round < 2 * kRounds; ++round) {
        // Alternated, so that neither always meets the machine's later load.
        const bool journaled = (round + round / 2) % 2 == 0;
        std::optional<test::SeamOverride<std::unique_ptr<StepJournal>()>> keepNothing;
        if (!journaled)
            keepNothing.emplace(seams::OpenStepJournal, [] { return std::make_unique<NoJournal>(); });
        std::vector<double>& suiteRuns = journaled ? suiteTimes.journaled : suiteTimes.unjournaled;
        std::vector<double>& codesysRuns = journaled ? codesysTimes.journaled : codesysTimes.unjournaled;
        suiteRuns.push_back(Milliseconds([&] { suite.Switch(1); }));
        suiteRuns.push_back(Milliseconds([&] { suite.Switch(0); }));
        codesysRuns.push_back(Milliseconds([&] { codesys.Switch(k2381); }));
        codesysRuns.push_back(Milliseconds([&] { codesys.Switch(k2395); }));
    }
    Print("suite change:  ", suiteTimes);
    Print("CoDeSys change:", codesysTimes);
    return 0;
}
