#include "steps/Switching.h"

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Text.h"
#include "steps/Finding.h"
#include "steps/Journal.h"
#include "steps/Recovery.h"

namespace flipdeck {

namespace {

// A step as the preview shows it: registry keys named with their root, as a technician reads them.
PreviewStep Previewed(const Step& step)
{
    PreviewStep previewed{StepKindName(step.kind), step.source, step.target, step.description};
    if (step.root != nullptr) {
        previewed.source = KeyName(step.root, step.source);
        if (!step.target.empty())
            previewed.target = KeyName(step.root, step.target);
    }
    return previewed;
}

}  // namespace

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
    SwitchPreview preview;
    preview.product = plan.product == SwitchPlan::Product::Codesys ? kCodesysProduct : kSuiteProduct;
    preview.fromName = plan.fromName;
    preview.toName = plan.toName;
    preview.notice = notice;
    preview.heading = FormatLocalized(IDS_PREVIEW_HEADING, {plan.fromName, plan.toName});
    for (const Step& step : plan.steps) {
        if (step.ChangesMachine())
            preview.steps.push_back(Previewed(step));
    }
    ui.ShowSteps(preview);
}

}  // namespace flipdeck
