// Makes one real switch on this machine as the main dialog would, and just before its step k
// starts tells the test that started it and waits to be ended from outside, as a process dies
// when the power goes or the task is ended:
//   dying_switch.exe suite|codesys <row> <k> <event name>
// With k = 0 the switch runs to its end. Exit code 0 when it ended by itself.
//   dying_switch.exe recover 0 <k> <event name>
// makes only the start, whose recovery of an unfinished switch is held the same way before its
// own step k (each step undone, then the registration of the components again).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/Startup.h"
#include "codesys/CodesysChange.h"
#include "codesys/CodesysList.h"
#include "steps/Recovery.h"
#include "steps/StepRunner.h"
#include "suite/SuiteChange.h"
#include "tests/TestSupport.h"

using namespace flipdeck;

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const std::string product = argv[1];
    const int row = std::atoi(argv[2]);
    const size_t dying = static_cast<size_t>(std::atoll(argv[3]));
    HANDLE reached = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);

    size_t started = 0;
    const auto hold = [&] {
        if (++started != dying)
            return;
        SetEvent(reached);
        Sleep(INFINITE);
    };
    seams::StepStarting = [&](size_t) { hold(); };
    seams::RecoveryStepStarting = hold;

    RunState state;
    test::ScriptedUi ui;
    ui.autoStartChecked = false;
    PrepareRun(state);
    CheckAdministrator(state);
    LoadAtStartup(state, ui, "1.0.0.1");
    LoadCodesysAtStartup(state, ui);
    if (product == "recover")
        return 0;
    if (product == "suite") {
        ui.selectedSuiteRows = {row};
        SwitchSuite(state, ui);
    } else {
        ui.selectedCodesysRows = {row};
        SwitchCodesys(state, ui);
    }
    return 0;
}
