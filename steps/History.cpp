#include "steps/History.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/Account.h"
#include "base/ActivityLog.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "catalogue/CatalogueHive.h"
#include "steps/Journal.h"
#include "steps/JournalPlace.h"

namespace flipdeck {

namespace {

const char kRecordFormat[] = "1";
constexpr size_t kFields = 13;

struct EventSourceTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE source) { DeregisterEventSource(source); }
};
using UniqueEventSource = UniqueAny<EventSourceTraits>;

bool ReportToEventLog(WORD type, DWORD eventId, const std::vector<std::wstring>& inserts)
{
    UniqueEventSource source(RegisterEventSourceW(nullptr, L"Flipdeck"));
    if (!source)
        return false;
    std::vector<LPCWSTR> strings;
    for (const std::wstring& insert : inserts)
        strings.push_back(insert.c_str());
    return ReportEventW(source.get(), type, 0, eventId, nullptr, static_cast<WORD>(strings.size()), 0, strings.data(),
                        nullptr) != FALSE;
}

std::string UtcNow()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

std::string MachineName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof(name);
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string ProcessAccount()
{
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
        return std::string();
    return TokenUserName(token.get());
}

std::vector<std::string> SplitFields(const std::string& line)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool ReadWholeFile(const std::string& path, std::string& text)
{
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    text.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    return true;
}

// Keeps the newer half of the lines of a history grown past the limit: written anew beside it and
// put in its place, so that a failure leaves the whole old file.
bool TrimHistory(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text))
        return false;
    const size_t cut = text.find('\n', text.size() / 2);
    const std::string kept = cut == std::string::npos ? std::string() : text.substr(cut + 1);
    const std::string fresh = path + ".new";
    {
        UniqueFileHandle file(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                          nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), kept.data(), static_cast<DWORD>(kept.size()), &written, nullptr) ||
            written != kept.size())
            return false;
    }
    return MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool AppendHistory(const HistoryRecord& record)
{
    const std::string path = HistoryPath();
    if (path.empty() || !PrepareFolder(JournalFolder()))
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        ((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) > kHistoryLimit && !TrimHistory(path))
        WriteLog("History not shortened: " + path);
    UniqueFileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::string line = HistoryLine(record) + "\r\n";
    DWORD written = 0;
    return WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size();
}

}  // namespace

const char kRecovered[] = "recovered";

// In the order of ChangeOutcome, then the recovery.
const HistoryEvent kHistoryEvents[8] = {
    {"done", 1000, EVENTLOG_INFORMATION_TYPE},         {"nothingChosen", 1001, EVENTLOG_WARNING_TYPE},
    {"alreadyActive", 1002, EVENTLOG_INFORMATION_TYPE}, {"programsRunning", 1003, EVENTLOG_WARNING_TYPE},
    {"refused", 1004, EVENTLOG_WARNING_TYPE},          {"rolledBack", 1005, EVENTLOG_WARNING_TYPE},
    {"needsHand", 1006, EVENTLOG_ERROR_TYPE},          {kRecovered, 1007, EVENTLOG_INFORMATION_TYPE},
};

const char* HistoryOutcomeName(ChangeOutcome outcome)
{
    return kHistoryEvents[static_cast<size_t>(outcome)].outcome;
}

const HistoryEvent& HistoryEventOf(const std::string& outcome)
{
    for (const HistoryEvent& event : kHistoryEvents) {
        if (outcome == event.outcome)
            return event;
    }
    return kHistoryEvents[static_cast<size_t>(ChangeOutcome::NeedsHand)];
}

std::vector<std::wstring> HistoryEventInserts(const HistoryRecord& r)
{
    std::vector<std::wstring> inserts;
    for (const std::string& field : {r.action, r.product, r.from, r.to, r.account, r.user, r.machine,
                                     std::to_string(r.exitCode), std::to_string(r.steps), std::to_string(r.durationMs), r.time})
        inserts.push_back(ToWide(field));
    return inserts;
}

std::string HistoryPath()
{
    const std::string folder = JournalFolder();
    return folder.empty() ? std::string() : folder + "\\history.log";
}

std::string HistoryLine(const HistoryRecord& r)
{
    std::string line = kRecordFormat;
    for (const std::string& field : {r.time, r.machine, r.account, r.user, r.product, r.action, r.from, r.to, r.outcome,
                                     std::to_string(r.exitCode), std::to_string(r.steps), std::to_string(r.durationMs)})
        line += "\t" + Escape(field);
    return line;
}

bool ParseHistoryLine(const std::string& line, HistoryRecord& record)
{
    const std::vector<std::string> fields = SplitFields(line);
    if (fields.size() != kFields || fields[0] != kRecordFormat)
        return false;
    std::string text[kFields];
    for (size_t i = 1; i < kFields; ++i) {
        if (!Unescape(fields[i], text[i]))
            return false;
    }
    for (size_t i = 10; i < kFields; ++i) {
        if (text[i].empty() || text[i].find_first_not_of("0123456789") != std::string::npos)
            return false;
    }
    record = {text[1], text[2], text[3], text[4], text[5], text[6], text[7], text[8], text[9],
              std::atoi(text[10].c_str()), static_cast<size_t>(std::strtoull(text[11].c_str(), nullptr, 10)),
              std::strtoull(text[12].c_str(), nullptr, 10)};
    return true;
}

void WriteHistory(HistoryRecord record)
{
    if (record.time.empty())
        record.time = UtcNow();
    if (record.machine.empty())
        record.machine = MachineName();
    if (record.account.empty())
        record.account = ProcessAccount();
    if (record.user.empty()) {
        const std::string hive = CurrentUserHive();
        record.user = hive.empty() ? std::string() : AccountNameOfSid(hive);
    }
    if (!AppendHistory(record))
        WriteLog("History not written (error " + std::to_string(GetLastError()) + "): " + HistoryPath());
    const HistoryEvent& event = HistoryEventOf(record.outcome);
    if (!seams::ReportEvent(event.type, event.id, HistoryEventInserts(record)))
        WriteLog("Event " + std::to_string(event.id) + " not reported to the Application log (error " +
                 std::to_string(GetLastError()) + ")");
}

ChangeOutcome RecordSwitch(const char* product, const std::function<ChangeOutcome(HistoryRecord& record)>& change)
{
    HistoryEntry history(product, "switch");
    const ChangeOutcome outcome = change(history.Record());
    if (outcome != ChangeOutcome::NothingChosen)
        history.Write(outcome);
    return outcome;
}

void RecordCatalogueChange(const char* product, const char* action, const std::string& from, const std::string& to)
{
    HistoryEntry history(product, action);
    history.Record().from = from;
    history.Record().to = to;
    history.Write(ChangeOutcome::Done);
}

HistoryState ReadHistory(std::vector<HistoryRecord>& newestFirst, std::string& problem)
{
    newestFirst.clear();
    const std::string path = HistoryPath();
    if (path.empty() || !PathExists(path))
        return HistoryState::Missing;
    for (const std::string& place : {JournalFolder(), path}) {
        std::string owner;
        problem = TrustProblem(place, owner);
        if (!problem.empty()) {
            problem = place + ": " + problem + ", owner " + owner;
            return HistoryState::Untrusted;
        }
    }
    std::string text;
    if (!ReadWholeFile(path, text))
        return HistoryState::Missing;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        HistoryRecord record;
        if (ParseHistoryLine(line, record))
            newestFirst.push_back(std::move(record));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    std::reverse(newestFirst.begin(), newestFirst.end());
    return HistoryState::Read;
}

HistoryEntry::HistoryEntry(const char* product, const char* action) : started_(GetTickCount64())
{
    record_.product = product;
    record_.action = action;
}

void HistoryEntry::Write(ChangeOutcome outcome) { Write(HistoryOutcomeName(outcome), ExitCodeFor(outcome)); }

void HistoryEntry::Write(const std::string& outcome, ExitCode code)
{
    record_.outcome = outcome;
    record_.exitCode = static_cast<int>(code);
    record_.durationMs = GetTickCount64() - started_;
    WriteHistory(record_);
}

namespace seams {
std::function<bool(WORD, DWORD, const std::vector<std::wstring>&)> ReportEvent = ReportToEventLog;
}  // namespace seams

}  // namespace flipdeck
