// What undoing an interrupted CoDeSys change costs, against the change itself.
//
// The live 3S machine tree of the demo world is given 2,500 keys. Each round times the real change
// from CoDeSys 2.3.9.5 to 2.3.8.1 whole (and changes back), then makes the change again and lets it
// die just after the big tree was moved, as a process ended at that point would leave it, and times
// the recovery that the next start makes. The recovery must not cost more than the whole change;
// its ratio to the change until it died is printed too. Both move the big tree once, read it once
// (the change before its move, the recovery to check that what stands at the parked name is still
// the tree moved) and write it once: the two differ by the journal's record written or read.
#include <windows.h>

#include <cstdio>

#include "catalogue/CatalogueStore.h"
#include "steps/Journal.h"
#include "steps/Recovery.h"
#include "steps/StepRunner.h"
#include "tests/bench/BenchSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::bench;

namespace {

const int kRounds = 7;

// Thrown from the step seam: the change "dies" there, leaving the machine and its journal as they are.
struct Died {};

}  // namespace

int main()
{
    test::ScopedDemoWorld world;
    test::ScratchLogFolder log;
    // Names a writer that has ended, so that the recovery takes the journal up.
    test::ScratchJournal journal;
    Require(WriteRegistryTree(HKEY_LOCAL_MACHINE, kAddedKey, CodesysTargets(2500)) == ERROR_SUCCESS,
            "cannot write the big tree");
    const RegistryTree bigTree = LiveTree();
    size_t keys = 0, values = 0;
    CountKeys(bigTree, keys, values);

    std::vector<double> whole, untilDeath, recovery, reading, checking;
    for (int round = 0; round < kRounds; ++round) {
        {
            CodesysSwitcher codesys;
            whole.push_back(Milliseconds([&] { codesys.Switch(k2381); }));
            codesys.Switch(k2395);
        }
        CodesysSwitcher codesys;
        {
            test::SeamOverride<void(size_t)> death(seams::StepStarting, [](size_t) {
                if (!KeyExists(HKEY_LOCAL_MACHINE, kLiveTree))
                    throw Died{};
            });
            untilDeath.push_back(Milliseconds([&] {
                try {
                    codesys.Switch(k2381);
                    Require(false, "the change did not die after moving the big tree");
                } catch (const Died&) {
                }
            }));
        }
        // The parts a recovery adds to undoing the steps: the journal read and the parked tree read
        // to check that it is still the one moved.
        reading.push_back(Milliseconds([&] {
            JournalContents contents;
            std::string problem;
            Require(ReadJournal(JournalPath(), contents, problem) == JournalState::Read, "cannot read the journal");
        }));
        checking.push_back(Milliseconds([&] {
            RegistryTree parked;
            Require(CaptureRegistryTree(HKEY_LOCAL_MACHINE, std::string(kLiveTree) + " 2.3.9.5", parked) == ERROR_SUCCESS,
                    "the parked tree is missing");
        }));
        RecoveryReport report;
        recovery.push_back(Milliseconds([&] { report = RecoverUnfinishedSwitch(); }));
        Require(report.result == RecoveryReport::Result::Recovered, "the recovery did not put everything back");
        Require(LiveTree() == bigTree, "the big tree did not come back as it was");
    }

    const double ratio = Median(recovery) / Median(whole);
    std::printf("live machine tree: %zu keys below it, %zu values\n", keys, values);
    std::printf("CoDeSys change, whole:                        %s\n", Figures(whole).c_str());
    std::printf("CoDeSys change until it died after the tree:  %s\n", Figures(untilDeath).c_str());
    std::printf("recovery of that change:                      %s\n", Figures(recovery).c_str());
    std::printf("of it: reading the journal %.1f ms, reading the parked tree %.1f ms\n", Median(reading), Median(checking));
    std::printf("ratio recovery / change until it died: %.2f\n", Median(recovery) / Median(untilDeath));
    std::printf("ratio recovery / whole change: %.2f (must not exceed 1)\n", ratio);
    return ratio <= 1 ? 0 : 1;
}
