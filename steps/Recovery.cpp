#include "steps/Recovery.h"

#include <optional>
#include <set>

#include "base/ActivityLog.h"
#include "base/Account.h"
#include "base/LocalizedString.h"
#include "base/Text.h"
#include "catalogue/CatalogueHive.h"
#include "catalogue/CatalogueStore.h"
#include "catalogue/Naming.h"
#include "steps/History.h"
#include "steps/Journal.h"
#include "steps/JournalPlace.h"
#include "steps/StepActions.h"

namespace flipdeck {

namespace {

// A message box shows this many steps; the log has them all.
constexpr size_t kShownSteps = 20;

std::string StepList(const std::vector<std::string>& descriptions)
{
    std::string list;
    for (size_t i = 0; i < descriptions.size() && i < kShownSteps; ++i)
        list += "\t" + descriptions[i] + "\n";
    if (descriptions.size() > kShownSteps)
        list += "\t" + FormatLocalized(IDS_RECOVERY_MORE_STEPS, {std::to_string(descriptions.size() - kShownSteps)}) + "\n";
    return list;
}

// A journal folder or journal that somebody else than the administrators and the system could have
// written is never read: it goes aside, so that it blocks nothing. Nothing when both may be read.
std::optional<RecoveryReport> SetAsideUntrusted(RecoveryReport report)
{
    for (const std::string& path : {JournalFolder(), report.journalPath}) {
        if (!PathExists(path))
            return std::nullopt;
        report.problem = TrustProblem(path, report.owner);
        if (report.problem.empty())
            continue;
        report.journalPath = path;
        report.setAside = SetAside(path);
        report.result = report.setAside.empty() ? RecoveryReport::Result::Untrusted : RecoveryReport::Result::SetAside;
        WriteLog("Journal not trusted (" + report.problem + ", owner " + report.owner + "), moved to " +
                 (report.setAside.empty() ? std::string("nowhere") : report.setAside) + ": " + path);
        return report;
    }
    return std::nullopt;
}

// The user hives (sub-keys of HKEY_USERS) whose keys the records still to be undone name.
std::set<std::string> UserHivesToUndo(const JournalContents& journal)
{
    std::set<std::string> hives;
    const auto add = [&hives](HKEY root, const std::string& key) {
        if (root == HKEY_USERS)
            hives.insert(ToUpper(key.substr(0, key.find('\\'))));
    };
    for (const JournalRecord& record : journal.records) {
        if (record.settled)
            continue;
        if (record.step.kind == StepKind::MoveTree || record.step.kind == StepKind::CreateKey)
            add(record.step.root, record.step.source);
        for (const ValueChange& change : record.step.changes)
            add(change.root, change.key);
    }
    return hives;
}

}  // namespace

namespace seams {
std::function<void()> RecoveryStepStarting = [] {};
}  // namespace seams

RecoveryReport RecoverUnfinishedSwitch()
{
    RecoveryReport report;
    report.journalPath = JournalPath();
    if (std::optional<RecoveryReport> untrusted = SetAsideUntrusted(report))
        return *untrusted;
    JournalContents journal;
    switch (ReadJournal(report.journalPath, journal, report.problem)) {
    case JournalState::Missing:
        return report;
    case JournalState::Damaged:
        report.result = RecoveryReport::Result::Damaged;
        WriteLog("Unfinished switch found, journal damaged (" + report.problem + "): " + report.journalPath);
        return report;
    case JournalState::Read:
        break;
    }
    if (journal.writer && IsStillRunning(*journal.writer)) {
        report.result = RecoveryReport::Result::Running;
        report.writer = journal.writer->id;
        WriteLog("Unfinished switch found, its process " + std::to_string(report.writer) +
                 " still runs; journal left alone: " + report.journalPath);
        return report;
    }
    if (journal.ended) {
        // The switch ended; only its journal stayed behind.
        DeleteFileA(report.journalPath.c_str());
        return report;
    }
    report.product = journal.product;
    report.fromName = journal.fromName;
    report.toName = journal.toName;
    // The hive of a user who has signed out since is loaded for the recovery; without it, undoing
    // only the rest would leave the user's catalogue naming what is no longer live.
    std::vector<UserHiveLoad> loaded;
    for (const std::string& hive : UserHivesToUndo(journal)) {
        if (KeyExists(HKEY_USERS, hive) || loaded.emplace_back().Load(hive))
            continue;
        report.result = RecoveryReport::Result::HiveMissing;
        report.userHive = hive;
        report.user = AccountNameOfSid(hive);
        WriteLog("Unfinished switch found, the registry hive of " + report.user + " (" + hive +
                 ") cannot be loaded; journal left alone: " + report.journalPath);
        return report;
    }
    WriteLog("Recovery of an unfinished switch from " + journal.fromName + " to " + journal.toName);
    HistoryEntry history(journal.product == SwitchPlan::Product::Suite ? "suite" : "codesys", "recovery");
    history.Record().from = journal.fromName;
    history.Record().to = journal.toName;
    // The switch acted for the user whose hive holds its keys, whoever recovers it.
    const std::set<std::string> hives = UserHivesToUndo(journal);
    if (!hives.empty())
        history.Record().user = AccountNameOfSid(*hives.begin());
    if (journal.lastLineCut)
        WriteLog("The journal's last line was cut short as it was written; its step never started.");
    bool registered = false;
    {
        // Each step back as before is recorded at once: undone a second time, after an earlier step
        // was put back in its place, it would move that step's folder or tree instead.
        JournalWriter progress;
        bool recording = progress.Resume();
        for (auto record = journal.records.rbegin(); record != journal.records.rend(); ++record) {
            registered = registered || record->step.kind == StepKind::Register;
            if (record->settled)
                continue;
            seams::RecoveryStepStarting();
            const UndoOutcome outcome = UndoStep(record->step, record->undo);
            switch (outcome) {
            case UndoOutcome::Undone:
                WriteLog("Undone: " + record->step.description);
                report.undone.push_back(record->step.description);
                break;
            case UndoOutcome::Failed:
                WriteLog("Could not be undone: " + record->step.description);
                report.notRestored.push_back(record->step.description);
                break;
            case UndoOutcome::NotMade:
            case UndoOutcome::Kept:
                break;
            }
            if (outcome != UndoOutcome::Failed && recording && !progress.MarkSettled(record->index)) {
                // The machine still goes back; only a recovery ended before it is through may then
                // stop at a step it finds put back.
                WriteLog("Recovery progress not recorded: " + report.journalPath);
                recording = false;
            }
        }
    }
    history.Record().steps = report.undone.size();
    if (!report.notRestored.empty()) {
        report.result = RecoveryReport::Result::NeedsHand;
        WriteLog("Recovery incomplete, journal kept: " + report.journalPath);
        history.Write(ChangeOutcome::NeedsHand);
        return report;
    }
    // The components were registered from the new version's folders: they must point back.
    seams::RecoveryStepStarting();
    for (const std::string& component : journal.reregister) {
        if (registered && PathExists(component))
            MakeStep(RegisterStep(component), UndoData());
    }
    DeleteFileA(report.journalPath.c_str());
    WriteLog("Recovery done.");
    report.result = RecoveryReport::Result::Recovered;
    history.Write(kRecovered, ExitCode::Done);
    return report;
}

std::string RecoveryMessage(const RecoveryReport& report)
{
    switch (report.result) {
    case RecoveryReport::Result::NothingToDo:
        return std::string();
    case RecoveryReport::Result::Recovered:
        return FormatLocalized(IDS_RECOVERED, {report.fromName, report.toName, StepList(report.undone)});
    case RecoveryReport::Result::NeedsHand:
        return FormatLocalized(IDS_RECOVERY_NEEDS_HAND,
                               {report.fromName, report.toName, StepList(report.notRestored), report.journalPath});
    case RecoveryReport::Result::Damaged:
        return FormatLocalized(IDS_JOURNAL_DAMAGED, {report.journalPath, report.problem});
    case RecoveryReport::Result::SetAside:
        return FormatLocalized(IDS_JOURNAL_SET_ASIDE, {report.journalPath, report.owner, report.problem, report.setAside});
    case RecoveryReport::Result::Untrusted:
        return FormatLocalized(IDS_JOURNAL_UNTRUSTED, {report.journalPath, report.owner, report.problem});
    case RecoveryReport::Result::Running:
        return FormatLocalized(IDS_SWITCH_STILL_RUNNING, {std::to_string(report.writer), report.journalPath});
    case RecoveryReport::Result::HiveMissing:
        return FormatLocalized(IDS_JOURNAL_HIVE_MISSING,
                               {report.fromName, report.toName, report.user, report.userHive, report.journalPath});
    }
    return std::string();
}

std::string PendingJournalMessage() { return FormatLocalized(IDS_JOURNAL_PENDING, {JournalPath()}); }

}  // namespace flipdeck
