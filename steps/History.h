// The machine's history of what Flipdeck did: every switch, every recovery that did something and
// every change of a catalogue, one record each, in "%ProgramData%\Flipdeck\history.log" beside the
// journal, and each record also as an event of the source "Flipdeck" in the Application log.
//
// Format. Text in the system code page, one record per line ending in CR LF, its fields separated
// by tabs and escaped as the journal's are:
//   1  <time, UTC, ISO 8601>  <machine>  <account that ran Flipdeck>  <user whose catalogue it was>
//      <suite|codesys>  <switch|recovery|new|delete|edit|move>  <from>  <to>  <outcome>  <exit code>
//      <steps made>  <duration in milliseconds>
// A record is appended whole with one write to a file opened for appending only, so that records of
// writers at the same time never mix. Once the file has grown past kHistoryLimit, the older half of
// its lines goes before the next record is added. Lines that do not read as a record are passed over.
//
// A record that cannot be written, or an event that cannot be reported, never stops what it
// records: the activity log says so.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "steps/ChangeOutcome.h"
#include "steps/ExitCode.h"

namespace flipdeck {

struct HistoryRecord {
    std::string time;     // "2026-12-09T18:34:53Z"
    std::string machine;
    std::string account;  // who ran Flipdeck
    std::string user;     // whose catalogue it acted for
    std::string product;  // "suite" or "codesys"
    std::string action;   // "switch", "recovery", "new", "delete", "edit", "move"
    std::string from;     // switch, recovery: the version live before; delete, edit, move: the entry
    std::string to;       // switch, recovery: the version meant to be live; new, edit: the entry;
                          // move: the entry it changed places with
    std::string outcome;  // HistoryOutcomeName, or "recovered"
    int exitCode = 0;
    size_t steps = 0;
    ULONGLONG durationMs = 0;
};

// "done", "nothingChosen", "alreadyActive", "programsRunning", "refused", "rolledBack", "needsHand".
const char* HistoryOutcomeName(ChangeOutcome outcome);
extern const char kRecovered[];

// The event of each outcome: its ID in the message table and its type.
struct HistoryEvent {
    const char* outcome;
    DWORD id;
    WORD type;  // EVENTLOG_INFORMATION_TYPE, _WARNING_TYPE or _ERROR_TYPE
};
extern const HistoryEvent kHistoryEvents[8];
// The event of `outcome`; the needs-hand event for an outcome it does not know.
const HistoryEvent& HistoryEventOf(const std::string& outcome);
// The event's inserts %1 to %11: action, product, from, to, account, user, machine, exit code,
// steps, duration (ms), time.
std::vector<std::wstring> HistoryEventInserts(const HistoryRecord& record);

constexpr ULONGLONG kHistoryLimit = 1024 * 1024;

std::string HistoryPath();

std::string HistoryLine(const HistoryRecord& record);  // without its line end
bool ParseHistoryLine(const std::string& line, HistoryRecord& record);

// Stamps the record's time, machine, account and user where they are empty, appends it to the
// history and reports its event. Failures only reach the activity log.
void WriteHistory(HistoryRecord record);

// Runs a switch of `product` ("suite", "codesys") and records it; `change` fills in from, to and the
// steps. A switch that never began because no single row was chosen is not recorded.
ChangeOutcome RecordSwitch(const char* product, const std::function<ChangeOutcome(HistoryRecord& record)>& change);

// A change of a catalogue, done at once: no steps, no time to speak of.
void RecordCatalogueChange(const char* product, const char* action, const std::string& from, const std::string& to);

enum class HistoryState { Missing, Read, Untrusted };
// The records, newest first. Untrusted: the folder or the file could have been written by somebody
// other than the administrators or the system; `problem` says why, and nothing is read.
HistoryState ReadHistory(std::vector<HistoryRecord>& newestFirst, std::string& problem);

// A record for what starts now: the duration runs from here to Write.
class HistoryEntry {
public:
    HistoryEntry(const char* product, const char* action);
    HistoryRecord& Record() { return record_; }
    void Write(ChangeOutcome outcome);
    void Write(const std::string& outcome, ExitCode code);

private:
    HistoryRecord record_;
    ULONGLONG started_;
};

namespace seams {

// Reports one event of the source "Flipdeck" to the Application log; false when it could not.
// Wine only traces events: tests see here which go out.
extern std::function<bool(WORD type, DWORD eventId, const std::vector<std::wstring>& inserts)> ReportEvent;

}  // namespace seams

}  // namespace flipdeck
