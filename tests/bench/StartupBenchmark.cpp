// How long the real Flipdeck.exe takes from its start to its main window with a suite catalogue
// of one entry and of fifty. Every entry has a parked folder holding a workbench stand-in, since
// loading drops an entry without one. Fifty entries may take at most 1.5 times as long as one.
#include <windows.h>

#include <cstdio>
#include <optional>

#include "base/Registry.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/SuiteCatalogue.h"
#include "resource.h"
#include "tests/bench/BenchSupport.h"
#include "tests/e2e/FlipdeckProcess.h"
#include "tests/world/DemoWorld.h"

using namespace flipdeck;
using namespace flipdeck::bench;

namespace {

const int kRounds = 21;

// The demo world's versions, then parked copies of its first up to a full catalogue.
class FullCatalogue {
public:
    FullCatalogue()
    {
        versions_ = world::SuiteVersions();
        const world::SuiteVersion first = versions_.front();
        for (int n = static_cast<int>(versions_.size()) + 1; n <= kMaxCatalogueEntries; ++n) {
            const std::string version = "2.14.0." + std::to_string(n);
            names_.push_back("Kalvio " + version);
            folders_.push_back(std::string(world::kKalvioInstall) + " V" + version);
            numbers_.push_back(version);
        }
        for (size_t i = 0; i < names_.size(); ++i) {
            versions_.push_back({names_[i].c_str(), folders_[i].c_str(), first.programPath, numbers_[i].c_str(),
                                 first.standIn, first.layout});
            const std::string workbench = folders_[i] + "\\" + first.layout + "\\workbench.exe";
            test::MakeDirs(folders_[i] + "\\" + first.layout);
            Require(CopyFileA(test::StandInPath(first.standIn, "workbench.exe").c_str(), workbench.c_str(), FALSE) != FALSE,
                    "cannot copy the workbench stand-in to " + workbench);
        }
    }

    // The catalogue holds the first `count` versions and nothing beyond them.
    void Keep(int count) const
    {
        world::ListSuiteVersions(std::vector<world::SuiteVersion>(versions_.begin(), versions_.begin() + count));
        for (int n = count + 1; n <= kMaxCatalogueEntries; ++n) {
            for (const char* key : {kSuiteCatalogueKey, kMeridanCatalogueKey}) {
                for (const char* name : {"Name", "Path", "PrgPath", "Version", "HelpFile"})
                    DeleteRegValue(HKEY_CURRENT_USER, key, Numbered(name, n));
            }
        }
    }

private:
    std::vector<world::SuiteVersion> versions_;
    std::vector<std::string> names_, folders_, numbers_;
};

// From the process start to the main dialog, found as the end-to-end tests find it.
double StartToMainWindow()
{
    std::optional<test::FlipdeckProcess> flipdeck;
    const double ms = Milliseconds([&] {
        flipdeck.emplace();
        const ULONGLONG deadline = GetTickCount64() + 60000;
        for (;;) {
            for (HWND window : test::DialogWindowsOf(flipdeck->Id())) {
                if (GetDlgItem(window, IDC_KALVIO_LIST) != nullptr)
                    return;
            }
            Require(GetTickCount64() < deadline, "the main window did not appear");
            Sleep(5);
        }
    });
    return ms;
}

}  // namespace

int main()
{
    test::ScopedDemoWorld world;
    test::ScratchLogFolder log;
    const FullCatalogue catalogue;

    catalogue.Keep(1);
    StartToMainWindow();  // the first start of a session pays for loading Wine's libraries
    std::vector<double> one, fifty;
    for (int round = 0; round < kRounds; ++round) {
        // Alternated, so that neither always meets the machine's later load.
        for (int count : round % 2 == 0 ? std::vector<int>{1, kMaxCatalogueEntries} : std::vector<int>{kMaxCatalogueEntries, 1}) {
            catalogue.Keep(count);
            (count == 1 ? one : fifty).push_back(StartToMainWindow());
        }
    }
    const double ratio = Median(fifty) / Median(one);
    std::printf("start to main window,  1 catalogue entry:   %s\n", Figures(one).c_str());
    std::printf("start to main window, 50 catalogue entries: %s\n", Figures(fifty).c_str());
    std::printf("ratio 50/1: %.2f (must not exceed 1.5)\n", ratio);
    return ratio <= 1.5 ? 0 : 1;
}
