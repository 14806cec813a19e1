// The course every switch takes, whatever it moves: refusing what it must not start, running its
// planned steps with the journal and the progress line, telling what a roll-back left, and the
// preview. The suite and CoDeSys switches add only their own planning.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "catalogue/UserInterface.h"
#include "steps/Step.h"
#include "steps/StepRunner.h"

namespace flipdeck {

// Why an operation must not start: the message for the user and the lines for the activity log.
// Operations answer it, or nothing when they may go on.
struct Refusal {
    std::string message;
    std::vector<std::string> logLines;
    UINT type = MB_ICONWARNING | MB_OK;

    // A refusal whose message is also its one log line.
    static Refusal Logged(const std::string& message, UINT type = MB_ICONWARNING | MB_OK);
};

// Shows the refusal, after writing its log lines when `log` is set (a preview logs nothing).
void Refuse(const Refusal& refusal, UserInterface& ui, bool log);

// True, after saying so, when the chosen version is the live one.
bool RefuseActive(const std::string& current, const std::string& chosen, UserInterface& ui);

// True, after saying so, when the journal of an unfinished switch waits: no switch may start then.
bool RefuseWhileJournalWaits(UserInterface& ui);

// Runs the plan's steps while the user sees the progress line; `failing` as for RunSteps. Nothing,
// after refusing with the journal's message, when the journal could not be started.
std::optional<RunOutcome> RunPlan(const SwitchPlan& plan, UserInterface& ui,
                                  const std::function<void(const RunOutcome& stopped)>& failing = nullptr);

// Logs and shows the moves a roll-back could not undo.
void TellStranded(const SwitchPlan& plan, const RunOutcome& run, UserInterface& ui);

// Shows the steps of the plan that change the machine under the preview heading, `notice` (when
// not empty) above it.
void ShowPreview(const SwitchPlan& plan, const std::string& notice, UserInterface& ui);

}  // namespace flipdeck
