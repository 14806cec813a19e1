#include "steps/Switching.h"

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Text.h"
#include "steps/Journal.h"
#include "steps/Recovery.h"

namespace flipdeck {

Refusal Refusal::Logged(const std::string& message, UINT type) { return Refusal{message, {message}, type}; }

void Refuse(const Refusal& refusal, UserInterface& ui, bool log)
{
    if (log) {
        for (const std::string& line : refusal.logLines)
            WriteLog(line);
    }
    ui.ShowMessage(refusal.message, refusal.type);
}

bool RefuseActive(const std::string& current, const std::string& chosen, UserInterface& ui)
{
    if (!EqualsIgnoringCase(current, chosen))
        return false;
    ui.ShowMessage(LoadLocalizedString(IDS_ALREADY_ACTIVE), MB_ICONINFORMATION | MB_OK);
    return true;
}

bool RefuseWhileJournalWaits(UserInterface& ui)
{
    if (!JournalExists())
        return false;
    ui.ShowMessage(PendingJournalMessage(), MB_ICONWARNING | MB_OK);
    return true;
}

std::optional<RunOutcome> RunPlan(const SwitchPlan& plan, UserInterface& ui,
                                  const std::function<void(const RunOutcome& stopped)>& failing)
{
    RunOutcome run;
    ui.RunWithProgress([&](SwitchProgress& progress) { run = RunSteps(plan, progress, failing); });
    if (run.result != RunOutcome::Result::NotStarted)
        return run;
    Refuse(Refusal::Logged(JournalFailureMessage(run)), ui, true);
    return std::nullopt;
}

void TellStranded(const SwitchPlan& plan, const RunOutcome& run, UserInterface& ui)
{
    Refuse(Refusal::Logged(FormatLocalized(IDS_RESTORE_INCOMPLETE, {NotUndoneMoves(plan, run)})), ui, true);
}

void ShowPreview(const SwitchPlan& plan, const std::string& notice, UserInterface& ui)
{
    std::string heading = FormatLocalized(IDS_PREVIEW_HEADING, {plan.fromName, plan.toName});
    if (!notice.empty())
        heading = notice + "\n\n" + heading;
    ui.ShowSteps(heading, plan.MachineStepDescriptions());
}

}  // namespace flipdeck
