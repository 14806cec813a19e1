// What a big registry tree adds to a CoDeSys change, against reg.exe moving the same tree.
//
// The live 3S machine tree of the demo world is given 2,000 more keys holding 10,000 values, and
// the real change from CoDeSys 2.3.9.5 to 2.3.8.1 and back is timed with it and with the world's
// small tree. The change moves the live tree to its parked name and back, each time journaled with
// the whole tree. The extra cost of the big tree must not exceed what "reg copy /s" followed by
// "reg delete /f" of the same tree costs in the same prefix.
#include <windows.h>

#include <cstdio>

#include "base/Registry.h"
#include "base/RegistryTree.h"
#include "base/Text.h"
#include "catalogue/CatalogueStore.h"
#include "steps/Journal.h"
#include "steps/StepActions.h"
#include "tests/bench/BenchSupport.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::bench;

namespace {

const int kRounds = 7;
// The same trees as reg.exe, a 64-bit program, names them: the products' keys lie in the 32-bit view.
const char kLiveTreeForReg[] = "HKLM\\Software\\Wow6432Node\\3S-Smart Software Solutions GmbH";
const char kRegCopyForReg[] = "HKLM\\Software\\Wow6432Node\\FlipdeckBenchmark reg move";
const char kRegCopy[] = "software\\FlipdeckBenchmark reg move";
const char kPartsCopy[] = "software\\FlipdeckBenchmark parts";

struct Timings {
    std::vector<double> capture, record, write, remove;  // the parts of one move of the big tree
    std::vector<double> regCopy, regDelete;
};

// A move as reg.exe makes it: a copy of the whole tree, then the source deleted.
double RegMove(const std::string& from, const std::string& to, Timings& timings)
{
    timings.regCopy.push_back(Milliseconds([&] { RunSystemProgram("reg.exe", "copy \"" + from + "\" \"" + to + "\" /s /f"); }));
    timings.regDelete.push_back(Milliseconds([&] { RunSystemProgram("reg.exe", "delete \"" + from + "\" /f"); }));
    return timings.regCopy.back() + timings.regDelete.back();
}

// The parts of a move step, each timed alone: the live tree read for the journal, its journal
// record, the copy written from memory and a tree of that size deleted.
void TimeParts(Timings& timings)
{
    const Step step = MoveTreeStep(HKEY_LOCAL_MACHINE, kLiveTree, kPartsCopy);
    UndoData undo;
    timings.capture.push_back(Milliseconds([&] { Require(CaptureUndo(step, undo), "cannot read the big tree"); }));
    SwitchPlan plan;
    plan.product = SwitchPlan::Product::Codesys;
    plan.steps = {step};
    JournalWriter journal;
    Require(journal.Begin(plan), "cannot start a journal");
    timings.record.push_back(Milliseconds([&] { Require(journal.Append(0, step, undo), "cannot write the journal"); }));
    journal.Finish();
    timings.write.push_back(Milliseconds([&] {
        Require(WriteRegistryTree(HKEY_LOCAL_MACHINE, kPartsCopy, undo.tree) == ERROR_SUCCESS, "cannot copy the big tree");
    }));
    timings.remove.push_back(Milliseconds([&] { DeleteRegistryTree(HKEY_LOCAL_MACHINE, kPartsCopy); }));
}

}  // namespace

int main()
{
    test::ScopedDemoWorld world;
    test::ScratchLogFolder log;
    test::ScratchKey regCopy(HKEY_LOCAL_MACHINE, kRegCopy);
    test::ScratchKey partsCopy(HKEY_LOCAL_MACHINE, kPartsCopy);
    test::ScratchJournal journal;
    CodesysSwitcher codesys;
    const RegistryTree added = CodesysTargets(2000);

    std::vector<double> small, big, reg, extraPerRound;
    Timings timings;
    size_t keys = 0, values = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double smallThere = Milliseconds([&] { codesys.Switch(k2381); });
        const double smallBack = Milliseconds([&] { codesys.Switch(k2395); });

        Require(WriteRegistryTree(HKEY_LOCAL_MACHINE, kAddedKey, added) == ERROR_SUCCESS, "cannot write the big tree");
        const RegistryTree bigTree = LiveTree();
        keys = values = 0;
        CountKeys(bigTree, keys, values);
        double bigThere = 0, bigBack = 0;
        auto timeChange = [&] {
            bigThere = Milliseconds([&] { codesys.Switch(k2381); });
            Require(KeyExists(HKEY_LOCAL_MACHINE, std::string(kLiveTree) + " 2.3.9.5\\Targets\\Target 1999"),
                    "the change did not park the big tree");
            bigBack = Milliseconds([&] { codesys.Switch(k2395); });
        };
        auto timeReg = [&] {
            reg.push_back(RegMove(kLiveTreeForReg, kRegCopyForReg, timings));
            Require(!KeyExists(HKEY_LOCAL_MACHINE, kLiveTree) && KeyExists(HKEY_LOCAL_MACHINE, kRegCopy),
                    "reg did not move the tree in the products' view");
            reg.push_back(RegMove(kRegCopyForReg, kLiveTreeForReg, timings));
        };
        // Alternated, so that neither always meets the machine's later load.
        if (round % 2 == 0) {
            timeChange();
            timeReg();
        } else {
            timeReg();
            timeChange();
        }
        Require(LiveTree() == bigTree, "the big tree did not come back as it was");
        TimeParts(timings);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAddedKey);

        small.insert(small.end(), {smallThere, smallBack});
        big.insert(big.end(), {bigThere, bigBack});
        extraPerRound.push_back((bigThere + bigBack - smallThere - smallBack) / 2);
    }

    const double extra = Median(big) - Median(small);
    const double ratio = extra / Median(reg);
    std::printf("CoDeSys change, small machine tree:            %s\n", Figures(small).c_str());
    std::printf("CoDeSys change, machine tree of %zu keys, %zu values: %s\n", keys, values, Figures(big).c_str());
    std::printf("extra cost of the big tree per change:        %7.1f ms (rounds: %s)\n", extra, Figures(extraPerRound).c_str());
    std::printf("reg copy /s + reg delete /f of the big tree:  %s\n", Figures(reg).c_str());
    std::printf("ratio extra / reg: %.2f (must not exceed 1)\n", ratio);
    std::printf("the parts of one move: reading %.1f ms, journal record %.1f ms, writing %.1f ms, deleting %.1f ms\n",
                Median(timings.capture), Median(timings.record), Median(timings.write), Median(timings.remove));
    std::printf("reg.exe: copy %.1f ms, delete %.1f ms\n", Median(timings.regCopy), Median(timings.regDelete));
    return ratio <= 1 ? 0 : 1;
}
