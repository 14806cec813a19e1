#include "steps/Journal.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <utility>

#include "base/ActivityLog.h"
#include "base/LocalizedString.h"
#include "base/Text.h"
#include "catalogue/CatalogueHive.h"
#include "catalogue/Naming.h"
#include "steps/JournalPlace.h"

namespace flipdeck {

namespace {

const char kMagic[] = "FLIPDECK-JOURNAL";
const char kFormat[] = "2";
const char kFormatOne[] = "1";  // earlier versions: no writer, trees and the PATH in the system code page
const char* const kKindNames[] = {"Note",        "MoveFolder",  "MoveFile",      "CreateFolder", "MoveTree",
                                  "CreateKey",   "WriteValues", "SetSystemPath", "Register"};
// Full control for the system and administrators, reading for users; nothing inherited from
// %ProgramData%, where every user may create files. The MSI makes the folder the same way
// (installer/MsiLockPermissionsEx.idt).
const char kFolderSecurity[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

}  // namespace

// Creates the folder for administrators and the system. One that is there already is used only when
// nobody else could have written it; otherwise it is moved aside and made anew.
bool PrepareFolder(const std::string& folder)
{
    if (PathExists(folder)) {
        std::string owner;
        const std::string problem = TrustProblem(folder, owner);
        if (problem.empty())
            return true;
        const std::string aside = SetAside(folder);
        WriteLog("Journal folder not trusted (" + problem + ", owner " + owner + "), moved to " +
                 (aside.empty() ? std::string("nowhere") : aside) + ": " + folder);
        if (aside.empty())
            return false;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kFolderSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    UniqueLocalMemory owned(descriptor);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    return CreateDirectoryA(folder.c_str(), &attributes) != FALSE;
}

namespace {

uint32_t Fnv1a(const std::string& text)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

std::string HashText(const std::string& line)
{
    char hex[9];
    std::snprintf(hex, sizeof(hex), "%08x", static_cast<unsigned>(Fnv1a(line)));
    return hex;
}

}  // namespace

std::string Escape(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        case '\n': escaped += "\\n"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

bool Unescape(const std::string& field, std::string& text)
{
    text.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size())
            return false;
        switch (field[i]) {
        case '\\': text += '\\'; break;
        case 't': text += '\t'; break;
        case 'r': text += '\r'; break;
        case 'n': text += '\n'; break;
        default: return false;
        }
    }
    return true;
}

namespace {

std::string RootField(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_USERS)
        return "HKU";
    return "HKCU";
}

// A key as the journal names it. A key of the current user goes under HKU with the SID of the hive
// it is in (`userHive`): the recovery may run as another user, or as one that borrows nobody's
// hive, and must put it back where the switch changed it.
std::pair<HKEY, std::string> JournalKey(HKEY root, const std::string& key, const std::string& userHive)
{
    if (root == HKEY_CURRENT_USER && !userHive.empty())
        return {HKEY_USERS, userHive + "\\" + key};
    return {root, key};
}

bool ParseRoot(const std::string& field, HKEY& root)
{
    if (field == "HKLM")
        root = HKEY_LOCAL_MACHINE;
    else if (field == "HKCU")
        root = HKEY_CURRENT_USER;
    else if (field == "HKU")
        root = HKEY_USERS;
    else
        return false;
    return true;
}

std::string Hex(const std::vector<BYTE>& data)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(data.size() * 2);
    for (BYTE b : data) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unhex(const std::string& hex, std::vector<BYTE>& data)
{
    if (hex.size() % 2 != 0)
        return false;
    data.clear();
    data.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        data.push_back(static_cast<BYTE>(high << 4 | low));
    }
    return true;
}

std::string Flag(bool flag) { return flag ? "1" : "0"; }

std::string ValueField(const std::optional<RegValue>& value)
{
    return value ? std::to_string(value->type) + ":" + Hex(value->data) : "-";
}

template <typename Integer>
bool ParseNumber(const std::string& field, Integer& number)
{
    if (field.empty() || field.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = static_cast<Integer>(std::strtoull(field.c_str(), nullptr, 10));
    return true;
}

ULONGLONG FileTimeNumber(const FILETIME& time) { return static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

bool ParseValue(const std::string& field, std::optional<RegValue>& value)
{
    value.reset();
    if (field == "-")
        return true;
    const size_t colon = field.find(':');
    unsigned long type = 0;
    RegValue parsed;
    if (colon == std::string::npos || !ParseNumber(field.substr(0, colon), type) || !Unhex(field.substr(colon + 1), parsed.data))
        return false;
    parsed.type = type;
    value = std::move(parsed);
    return true;
}

// Text in the data of a value read through the ANSI functions, as the wide functions read it.
RegValue WidenedValue(RegValue value)
{
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)
        value.data = WideBytes(ToWide(std::string(value.data.begin(), value.data.end())));
    return value;
}

void TreeFields(const RegistryTree& tree, std::vector<std::string>& fields)
{
    for (const RegistryTree::Value& value : tree.values) {
        fields.push_back("v");
        fields.push_back(Escape(FromWide(value.name, CP_UTF8)));
        fields.push_back(ValueField(RegValue{value.type, value.data}));
    }
    for (const RegistryTree::SubKey& sub : tree.subKeys) {
        fields.push_back("k");
        fields.push_back(Escape(FromWide(sub.name, CP_UTF8)));
        TreeFields(sub.tree, fields);
        fields.push_back("u");
    }
}

// Reads the fields of one record, field by field.
class FieldReader {
public:
    // `ansi`: a journal of version 1.
    FieldReader(std::vector<std::string> fields, bool ansi) : fields_(std::move(fields)), ansi_(ansi) {}

    bool AtEnd() const { return next_ == fields_.size(); }
    bool Raw(std::string& field)
    {
        if (AtEnd())
            return false;
        field = fields_[next_++];
        return true;
    }
    bool Text(std::string& text)
    {
        std::string field;
        return Raw(field) && Unescape(field, text);
    }
    template <typename Integer>
    bool Number(Integer& number)
    {
        std::string field;
        return Raw(field) && ParseNumber(field, number);
    }
    bool Flag(bool& flag)
    {
        std::string field;
        if (!Raw(field) || (field != "0" && field != "1"))
            return false;
        flag = field == "1";
        return true;
    }
    bool Root(HKEY& root)
    {
        std::string field;
        return Raw(field) && ParseRoot(field, root);
    }
    bool Value(std::optional<RegValue>& value)
    {
        std::string field;
        return Raw(field) && ParseValue(field, value);
    }
    // A value as the wide functions read it.
    bool WideValue(std::optional<RegValue>& value)
    {
        if (!Value(value))
            return false;
        if (ansi_ && value)
            value = WidenedValue(*value);
        return true;
    }
    bool Name(std::wstring& name)
    {
        std::string text;
        if (!Text(text))
            return false;
        name = ToWide(text, ansi_ ? CP_ACP : CP_UTF8);
        return true;
    }
    // The new PATH: a value, or in version 1 its text.
    bool Path(RegValue& path)
    {
        std::optional<RegValue> value;
        if (ansi_) {
            std::string text;
            if (!Text(text))
                return false;
            value = WidenedValue(TextValue(text, REG_EXPAND_SZ));
        } else if (!Value(value) || !value) {
            return false;
        }
        path = std::move(*value);
        return true;
    }
    // A tree ends at the end of the record or, for a sub-key, at its "u".
    bool Tree(RegistryTree& tree, bool subKey)
    {
        for (std::string marker; Raw(marker);) {
            if (marker == "u")
                return subKey;
            if (marker == "v") {
                RegistryTree::Value value;
                std::optional<RegValue> data;
                if (!Name(value.name) || !WideValue(data) || !data)
                    return false;
                value.type = data->type;
                value.data = std::move(data->data);
                tree.values.push_back(std::move(value));
            } else if (marker == "k") {
                RegistryTree::SubKey sub;
                if (!Name(sub.name) || !Tree(sub.tree, true))
                    return false;
                tree.subKeys.push_back(std::move(sub));
            } else {
                return false;
            }
        }
        return !subKey;
    }

private:
    std::vector<std::string> fields_;
    bool ansi_;
    size_t next_ = 0;
};

std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(line.substr(start, at - start));
    parts.push_back(line.substr(start));
    return parts;
}

bool ParseStep(FieldReader& reader, JournalRecord& record)
{
    unsigned long index = 0, changes = 0;
    std::string kind, flags;
    Step& step = record.step;
    if (!reader.Number(index) || !reader.Raw(kind) || !reader.Raw(flags) || !reader.Text(step.description))
        return false;
    record.index = index;
    auto known = std::find(std::begin(kKindNames), std::end(kKindNames), kind);
    if (known == std::end(kKindNames) || known == std::begin(kKindNames))
        return false;
    step.kind = static_cast<StepKind>(known - std::begin(kKindNames));
    step.logged = flags.find('L') != std::string::npos;
    step.mayFail = flags.find('F') != std::string::npos;
    step.lasting = flags.find('K') != std::string::npos;
    bool ok = false;
    switch (step.kind) {
    case StepKind::MoveFolder:
    case StepKind::MoveFile:
        ok = reader.Text(step.source) && reader.Text(step.target) && reader.Flag(record.undo.existedBefore);
        break;
    case StepKind::CreateFolder:
        ok = reader.Text(step.source) && reader.Flag(record.undo.existedBefore);
        break;
    case StepKind::Register:
        ok = reader.Text(step.source);
        break;
    case StepKind::MoveTree:
        ok = reader.Root(step.root) && reader.Text(step.source) && reader.Text(step.target) &&
             reader.Flag(record.undo.existedBefore) && reader.Tree(record.undo.tree, false);
        break;
    case StepKind::CreateKey:
        ok = reader.Root(step.root) && reader.Text(step.source) && reader.Flag(record.undo.existedBefore);
        break;
    case StepKind::WriteValues:
        ok = reader.Number(changes);
        for (unsigned long i = 0; ok && i < changes; ++i) {
            ValueChange change;
            std::optional<RegValue> old;
            bool existed = false;
            ok = reader.Root(change.root) && reader.Text(change.key) && reader.Text(change.name) &&
                 reader.Flag(existed) && reader.Value(change.value) && reader.Value(old);
            step.changes.push_back(std::move(change));
            record.undo.oldValues.push_back(std::move(old));
            record.undo.keysExisted.push_back(existed);
        }
        break;
    case StepKind::SetSystemPath:
        ok = reader.Path(step.path) && reader.WideValue(record.undo.oldPath);
        break;
    case StepKind::Note:
        break;
    }
    return ok && reader.AtEnd();
}

}  // namespace

std::string JournalFolder()
{
    char data[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, data)))
        return std::string();
    return std::string(data) + "\\Flipdeck";
}

std::string JournalPath()
{
    const std::string folder = JournalFolder();
    return folder.empty() ? std::string() : folder + "\\switch.journal";
}

bool JournalExists()
{
    const std::string path = JournalPath();
    return !path.empty() && PathExists(path);
}

ProcessIdentity CurrentProcessIdentity()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return {GetCurrentProcessId(), FileTimeNumber(created)};
}

bool IsStillRunning(const ProcessIdentity& process)
{
    UniqueHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.id));
    // A process that exists but may not be asked could be the writer: its switch is left alone.
    if (!handle)
        return GetLastError() == ERROR_ACCESS_DENIED;
    FILETIME created{}, exited{}, kernel{}, user{};
    DWORD exitCode = 0;
    if (!GetProcessTimes(handle.get(), &created, &exited, &kernel, &user) || !GetExitCodeProcess(handle.get(), &exitCode))
        return true;
    return FileTimeNumber(created) == process.created && exitCode == STILL_ACTIVE;
}

namespace seams {
std::function<std::unique_ptr<StepJournal>()> OpenStepJournal = [] { return std::make_unique<JournalWriter>(); };
std::function<ProcessIdentity()> JournalWriterProcess = CurrentProcessIdentity;
std::function<bool(HANDLE, const std::string&)> WriteJournalLine = [](HANDLE file, const std::string& line) {
    DWORD written = 0;
    return WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) && written == line.size() &&
           FlushFileBuffers(file);
};
}  // namespace seams

bool JournalWriter::Begin(const SwitchPlan& plan)
{
    const std::string path = JournalPath();
    if (path.empty() || !PrepareFolder(JournalFolder()))
        return false;
    file_.reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_)
        return false;
    userHive_ = CurrentUserHive();
    const ProcessIdentity writer = seams::JournalWriterProcess();
    bool ok = WriteLine({kMagic, kFormat, plan.product == SwitchPlan::Product::Codesys ? "codesys" : "suite",
                         Escape(plan.fromName), Escape(plan.toName), std::to_string(writer.id),
                         std::to_string(writer.created)});
    for (const std::string& component : plan.reregister)
        ok = ok && WriteLine({"REGISTER", Escape(component)});
    if (!ok) {
        file_.reset();
        DeleteFileA(path.c_str());
    }
    return ok;
}

bool JournalWriter::Append(size_t index, const Step& step, const UndoData& undo)
{
    std::string flags = std::string(step.logged ? "L" : "") + (step.mayFail ? "F" : "") + (step.lasting ? "K" : "");
    std::vector<std::string> fields = {"STEP", std::to_string(index), kKindNames[static_cast<int>(step.kind)],
                                       flags.empty() ? "-" : flags, Escape(step.description)};
    switch (step.kind) {
    case StepKind::MoveFolder:
    case StepKind::MoveFile:
        fields.insert(fields.end(), {Escape(step.source), Escape(step.target), Flag(undo.existedBefore)});
        break;
    case StepKind::CreateFolder:
        fields.insert(fields.end(), {Escape(step.source), Flag(undo.existedBefore)});
        break;
    case StepKind::Register:
        fields.push_back(Escape(step.source));
        break;
    case StepKind::MoveTree: {
        const auto [root, source] = JournalKey(step.root, step.source, userHive_);
        fields.insert(fields.end(), {RootField(root), Escape(source), Escape(JournalKey(step.root, step.target, userHive_).second),
                                     Flag(undo.existedBefore)});
        TreeFields(undo.tree, fields);
        break;
    }
    case StepKind::CreateKey: {
        const auto [root, key] = JournalKey(step.root, step.source, userHive_);
        fields.insert(fields.end(), {RootField(root), Escape(key), Flag(undo.existedBefore)});
        break;
    }
    case StepKind::WriteValues:
        fields.push_back(std::to_string(step.changes.size()));
        for (size_t i = 0; i < step.changes.size(); ++i) {
            const ValueChange& change = step.changes[i];
            const auto [root, key] = JournalKey(change.root, change.key, userHive_);
            fields.insert(fields.end(), {RootField(root), Escape(key), Escape(change.name), Flag(undo.keysExisted[i]),
                                         ValueField(change.value), ValueField(undo.oldValues[i])});
        }
        break;
    case StepKind::SetSystemPath:
        fields.insert(fields.end(), {ValueField(step.path), ValueField(undo.oldPath)});
        break;
    case StepKind::Note:
        return true;
    }
    return WriteLine(fields);
}

bool JournalWriter::Resume()
{
    file_.reset(CreateFileA(JournalPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file_);
}

bool JournalWriter::MarkSettled(size_t index) { return WriteLine({"UNDONE", std::to_string(index)}); }

bool JournalWriter::Finish()
{
    // Marked ended first: a journal that cannot be removed must never be undone at the next start.
    const bool ended = WriteLine({"END"});
    file_.reset();
    return DeleteFileA(JournalPath().c_str()) != FALSE && ended;
}

bool JournalWriter::WriteLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "" : "\t") + field;
    line += "\t" + HashText(line) + "\r\n";
    return seams::WriteJournalLine(file_.get(), line);
}

JournalState ReadJournal(const std::string& path, JournalContents& contents, std::string& problem)
{
    contents = JournalContents();
    // Shared with the writer: a running switch holds its journal open.
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
            return JournalState::Missing;
        problem = LoadLocalizedString(IDS_JOURNAL_UNREADABLE);
        return JournalState::Damaged;
    }
    std::string text;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0)
        text.append(block, read);
    return ParseJournal(text, contents, problem);
}

JournalState ParseJournal(const std::string& text, JournalContents& contents, std::string& problem)
{
    contents = JournalContents();
    if (text.empty()) {
        problem = LoadLocalizedString(IDS_JOURNAL_EMPTY);
        return JournalState::Damaged;
    }
    // After the last line end: nothing, or a line cut short as it was written. That record's step
    // never started, since a step starts only once its record is on disk; the line is left out.
    std::vector<std::string> lines = Split(text, '\n');
    contents.lastLineCut = !lines.back().empty();
    lines.pop_back();
    if (lines.empty()) {
        problem = LoadLocalizedString(IDS_JOURNAL_CUT_SHORT);
        return JournalState::Damaged;
    }
    if (lines[0].rfind(std::string(kMagic) + "\t", 0) != 0) {
        problem = LoadLocalizedString(IDS_JOURNAL_FOREIGN);
        return JournalState::Damaged;
    }
    bool ansi = false;
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string& line = lines[n];
        const size_t tab = line.rfind('\t');
        if (line.empty() || line.back() != '\r' || tab == std::string::npos ||
            line.substr(tab + 1, line.size() - tab - 2) != HashText(line.substr(0, tab))) {
            problem = FormatLocalized(IDS_JOURNAL_GARBLED, {std::to_string(n + 1)});
            return JournalState::Damaged;
        }
        FieldReader reader(Split(line.substr(0, tab), '\t'), ansi);
        std::string type;
        reader.Raw(type);
        bool ok = false;
        if (n == 0) {
            std::string format, product;
            ok = type == kMagic && reader.Raw(format) && (format == kFormat || format == kFormatOne) &&
                 reader.Raw(product) && (product == "suite" || product == "codesys") &&
                 reader.Text(contents.fromName) && reader.Text(contents.toName);
            if (ok && format == kFormat) {
                ProcessIdentity writer;
                ok = reader.Number(writer.id) && reader.Number(writer.created);
                contents.writer = writer;
            }
            ok = ok && reader.AtEnd();
            ansi = format == kFormatOne;
            contents.product = product == "codesys" ? SwitchPlan::Product::Codesys : SwitchPlan::Product::Suite;
        } else if (type == "REGISTER") {
            std::string component;
            ok = reader.Text(component) && reader.AtEnd();
            contents.reregister.push_back(component);
        } else if (type == "END") {
            ok = reader.AtEnd() && n + 1 == lines.size();
            contents.ended = true;
        } else if (type == "STEP") {
            JournalRecord record;
            ok = ParseStep(reader, record);
            contents.records.push_back(std::move(record));
        } else if (type == "UNDONE") {
            // The newest record of that step: a step's number is written once.
            unsigned long index = 0;
            ok = reader.Number(index) && reader.AtEnd();
            const auto record = std::find_if(contents.records.rbegin(), contents.records.rend(),
                                             [&](const JournalRecord& known) { return known.index == index; });
            ok = ok && record != contents.records.rend();
            if (ok)
                record->settled = true;
        }
        if (!ok) {
            problem = FormatLocalized(IDS_JOURNAL_GARBLED, {std::to_string(n + 1)});
            return JournalState::Damaged;
        }
    }
    return JournalState::Read;
}

}  // namespace flipdeck
