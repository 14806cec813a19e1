// Helpers shared by the benchmark programs: timing, medians, the demo world's switches as the
// dialog makes them, and other programs run as processes. A benchmark prints its figures and
// answers non-zero when its limit is missed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/RegistryTree.h"
#include "catalogue/RunState.h"
#include "tests/TestSupport.h"

namespace flipdeck::bench {

// Milliseconds `work` took.
double Milliseconds(const std::function<void()>& work);

double Median(std::vector<double> values);
// "median ms (min to max, n runs)".
std::string Figures(const std::vector<double>& values);

// Ends the benchmark with a message when something it relies on went wrong: a figure taken from
// a switch that failed would mean nothing.
void Require(bool ok, const std::string& what);

// The rows of the demo world's CoDeSys list.
enum CodesysRow { k2395 = 1, k2381 = 2 };

// The demo world's CoDeSys list as the dialog opens it, with every version's gateway backup
// folder made, so that switching there and back leaves the world as it was.
class CodesysSwitcher {
public:
    CodesysSwitcher();
    // Changes to the version in `row`; ends the benchmark unless the change succeeded.
    void Switch(int row);

private:
    RunState state_;
};

// The demo world's suite list as the dialog opens it, for changes to one row and back, with a
// recording regsvr32 standing in for the real one.
class SuiteSwitcher {
public:
    SuiteSwitcher();
    void Switch(int row);

private:
    test::RecordingRegsvr32 regsvr32_;
};

// The live 3S machine tree of the demo world's CoDeSys, and a key in it a benchmark fills.
constexpr char kLiveTree[] = "software\\3S-Smart Software Solutions GmbH";
constexpr char kAddedKey[] = "software\\3S-Smart Software Solutions GmbH\\Targets";
// The live tree as it is now; ends the benchmark when it is missing.
RegistryTree LiveTree();

// A tree as CoDeSys keeps its targets: the key itself and `keys` - 1 sub-keys below it, five
// values each (paths, a version, a number and a few bytes).
RegistryTree CodesysTargets(int keys);
// Adds the sub-keys below a tree's own key and the values in all of it.
void CountKeys(const RegistryTree& tree, size_t& keys, size_t& values);

// Runs a program of the system directory with `arguments`, its output going nowhere, and waits
// for it; ends the benchmark unless it answered 0.
void RunSystemProgram(const std::string& program, const std::string& arguments);

}  // namespace flipdeck::bench
