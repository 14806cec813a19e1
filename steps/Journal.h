// The journal of a switch: "%ProgramData%\Flipdeck\switch.journal", in a folder only
// administrators and the system can write.
//
// A switch writes it before it changes anything and removes it when it ends, done or rolled back.
// Found at a start, it tells that a switch died half-way and what to undo.
//
// Format. Text in the system code page, one record per line, each line ending in CR LF. A record is
// fields separated by a tab; its last field is the FNV-1a hash (eight hexadecimal digits) of the
// line before that last tab, so that a line cut short or garbled is never taken for a record. In
// fields, a backslash, tab, CR and LF are written as \\, \t, \r and \n. A registry value is "-" when
// absent, else "<type>:<data as hexadecimal digits>".
// What a switch only carries is kept whatever characters it holds: the names in a moved tree are
// UTF-8, and the data of a tree's values and of the PATH are the bytes the wide registry functions
// read (text in UTF-16). The values of WriteValues are the catalogue's, in the system code page.
//
//   FLIPDECK-JOURNAL  2  <suite|codesys>  <name of the version live before>  <name of the new version>
//                     <writer's process id>  <writer's creation time, FILETIME as a decimal number>
//   REGISTER  <component>          once per component to register again after the switch is undone
//   STEP  <n>  <kind>  <flags>  <description>  <fields of the kind>
//   END                            the last line, once the switch has ended (done or rolled back)
//   UNDONE  <n>                    written by a recovery once step n is back as before (or was never
//                                  made): a recovery that is itself ended half-way never undoes it again
//
// A STEP record is written whole and flushed to disk before step n starts. Its flags are "-" or the
// letters L (logged folder move), F (may fail), K (kept when undone). The fields of each kind:
//   MoveFolder, MoveFile   <source> <target> <target there before: 0|1>
//   CreateFolder           <folder> <there before: 0|1>
//   MoveTree               <root> <source key> <target key> <target there before: 0|1> <tree>, the tree
//                          moved as a run of fields: "v" <name> <value> for a value, "k" <name> ... "u" for
//                          a sub-key and its contents
//   CreateKey              <root> <key> <there before: 0|1>
//   WriteValues            <count>, then per change: <root> <key> <name> <key existed 0|1> <new value> <old value>
//   SetSystemPath          <new PATH value> <old PATH value>
//   Register               <component>
// Roots are HKLM, HKCU and HKU; keys are in the products' (32-bit) view. A key of the user the switch
// acts for is written under HKU, its first name the SID of that user's hive, so that a recovery run
// by anybody puts it back into that hive. HKCU, which earlier versions wrote, is the current user's.
//
// A last line without its line end was cut short as it was written (the power failed): what it
// records never began, since a step starts only once its record is on disk, and it is left out. A
// line cut short anywhere else, or a header cut short, makes the journal damaged.
//
// Format 1, written by earlier versions, has the same records and a header without the writer: its
// writer counts as ended, and its tree names and the text in the data of tree values and of the old
// PATH are in the system code page, and the new PATH is its text. The id and the creation time
// together name the writing process even after its id has gone to another process; while that
// process runs, its switch may still run and the journal is never undone.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "steps/Step.h"
#include "steps/StepActions.h"

namespace flipdeck {

// "%ProgramData%\Flipdeck" and the journal in it; empty when %ProgramData% is unknown.
std::string JournalFolder();
std::string JournalPath();
bool JournalExists();

// Creates the journal's folder for administrators and the system; one that is there already is
// used only when nobody else could have written it, otherwise it is moved aside and made anew.
// False when the folder cannot be made.
bool PrepareFolder(const std::string& folder);

// A field of a journal line: backslash, tab, CR and LF as \\, \t, \r and \n. Unescape is false for
// a field that holds any other escape or ends in a lone backslash.
std::string Escape(const std::string& text);
bool Unescape(const std::string& field, std::string& text);

// A process, named so that a later process with the same id is not taken for it.
struct ProcessIdentity {
    DWORD id = 0;
    ULONGLONG created = 0;  // its creation time (FILETIME)
};

ProcessIdentity CurrentProcessIdentity();
// True while that process runs, and also when it exists but cannot be asked when it began.
bool IsStillRunning(const ProcessIdentity& process);

// A step as the journal holds it.
struct JournalRecord {
    size_t index = 0;
    Step step;
    UndoData undo;
    bool settled = false;  // an earlier recovery put it back already
};

struct JournalContents {
    SwitchPlan::Product product = SwitchPlan::Product::Suite;
    std::string fromName;
    std::string toName;
    std::vector<std::string> reregister;
    std::vector<JournalRecord> records;
    bool ended = false;  // the switch ended; only the journal's removal failed
    std::optional<ProcessIdentity> writer;  // none in a journal of format 1
    bool lastLineCut = false;               // a last line cut short was left out
};

// What a running switch writes ahead of its steps.
class StepJournal {
public:
    virtual ~StepJournal() = default;
    // Starts the journal with the plan's header. False when it cannot: nothing may then be changed.
    virtual bool Begin(const SwitchPlan& plan) = 0;
    // Adds step `index` with what undoing it needs, before the step is made.
    virtual bool Append(size_t index, const Step& step, const UndoData& undo) = 0;
    // The switch has ended: the journal goes.
    virtual bool Finish() = 0;
};

// The journal file. Each call is on disk before it returns.
class JournalWriter final : public StepJournal {
public:
    // False also when a journal exists already. A journal this call created but could not write
    // whole (a full disk) is removed again: it must not stop the next switch.
    bool Begin(const SwitchPlan& plan) override;
    bool Append(size_t index, const Step& step, const UndoData& undo) override;
    bool Finish() override;

    // For a recovery: opens the existing journal to add UNDONE records. False when it cannot.
    bool Resume();
    // Records that step `index` is back as before.
    bool MarkSettled(size_t index);

private:
    bool WriteLine(const std::vector<std::string>& fields);

    UniqueFileHandle file_;
    std::string userHive_;  // the sub-key of HKEY_USERS that HKEY_CURRENT_USER is while the switch runs
};

enum class JournalState { Missing, Read, Damaged };

// Reads the journal at `path`. Damaged: empty, cut short before its last line, garbled or of
// another format; `problem` then says what is wrong with it.
JournalState ReadJournal(const std::string& path, JournalContents& contents, std::string& problem);
// The same for the journal's text.
JournalState ParseJournal(const std::string& text, JournalContents& contents, std::string& problem);

namespace seams {

// The journal a switch writes as it runs, a new JournalWriter for each switch. The journal cost
// benchmark swaps in one that keeps nothing.
extern std::function<std::unique_ptr<StepJournal>()> OpenStepJournal;

// The process a journal names as its writer: this one, CurrentProcessIdentity. Tests that let a
// switch die by an exception, their own process running on, name one that has ended.
extern std::function<ProcessIdentity()> JournalWriterProcess;

// Writes one line to the journal file and flushes it to disk; true when all of it is there. Tests
// make it fail as a full disk does.
extern std::function<bool(HANDLE file, const std::string& line)> WriteJournalLine;

}  // namespace seams

}  // namespace flipdeck
