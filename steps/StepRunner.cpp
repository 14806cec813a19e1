#include "steps/StepRunner.h"

#include "base/LocalizedString.h"
#include "steps/Journal.h"
#include "steps/StepActions.h"

namespace flipdeck {

namespace seams {
std::function<void(size_t)> StepStarting = [](size_t) {};
}  // namespace seams

size_t StepsMade(const SwitchPlan& plan, const RunOutcome& outcome)
{
    const size_t end = outcome.Done() ? plan.steps.size() : outcome.failed;
    size_t made = 0;
    for (size_t i = 0; i < end; ++i)
        made += plan.steps[i].kind == StepKind::Note ? 0 : 1;
    return made;
}

std::string NotUndoneMoves(const SwitchPlan& plan, const RunOutcome& outcome)
{
    std::string list;
    for (size_t index : outcome.notUndone) {
        const Step& step = plan.steps[index];
        const bool tree = step.kind == StepKind::MoveTree;
        if (step.kind == StepKind::MoveFolder || step.kind == StepKind::MoveFile || tree)
            list += (list.empty() ? "" : "\n") + (tree ? KeyName(step.root, step.target) : step.target) + " -> " +
                    (tree ? KeyName(step.root, step.source) : step.source);
    }
    return list;
}

std::string JournalFailureMessage(const RunOutcome& outcome)
{
    return FormatLocalized(outcome.result == RunOutcome::Result::NotStarted ? IDS_JOURNAL_NOT_WRITTEN : IDS_JOURNAL_WRITE_FAILED,
                           {JournalPath()});
}

RunOutcome RunSteps(const SwitchPlan& plan, SwitchProgress& progress, const std::function<void(const RunOutcome&)>& failing)
{
    RunOutcome outcome;
    const std::unique_ptr<StepJournal> journal = seams::OpenStepJournal();
    if (!journal->Begin(plan)) {
        outcome.result = RunOutcome::Result::NotStarted;
        return outcome;
    }
    const size_t count = plan.MachineStepDescriptions().size();
    size_t number = 0;
    std::vector<std::pair<size_t, UndoData>> made;
    for (size_t index = 0; index < plan.steps.size(); ++index) {
        const Step& step = plan.steps[index];
        if (!step.ChangesMachine()) {
            MakeStep(step, UndoData());
            continue;
        }
        progress.StepStarting(++number, count, step.description);
        UndoData undo;
        const bool captured = CaptureUndo(step, undo);
        if (!captured)
            outcome.error = GetLastError();
        outcome.journalFailed = captured && !journal->Append(index, step, undo);
        if (captured && !outcome.journalFailed) {
            seams::StepStarting(index);
            made.emplace_back(index, std::move(undo));
            if (MakeStep(step, made.back().second))
                continue;
            outcome.error = GetLastError();
            if (step.mayFail) {
                outcome.passedOver.push_back(index);
                continue;
            }
        }
        outcome.failed = index;
        outcome.result = RunOutcome::Result::RolledBack;
        if (failing)
            failing(outcome);
        // The failing step is undone too: it may have got half-way.
        for (auto entry = made.rbegin(); entry != made.rend(); ++entry) {
            if (UndoStep(plan.steps[entry->first], entry->second) == UndoOutcome::Failed)
                outcome.notUndone.push_back(entry->first);
        }
        if (!outcome.notUndone.empty()) {
            // The next start tries again what could not be undone now.
            outcome.result = RunOutcome::Result::Mixed;
            return outcome;
        }
        break;
    }
    journal->Finish();
    return outcome;
}

}  // namespace flipdeck
