// The activity log: one time-stamped line per step, appended to "<documents>\Brivane\flipdeck.log".
// It is the technician's only record of what a switch did; the program never reads it back.
#pragma once

#include <ctime>
#include <string>

namespace flipdeck {

// The log file's path, or empty while the documents folder is unknown.
std::string ActivityLogPath();

// From now on the log lives under `documents`, the documents folder of the user a run acts for:
// a run by the system account for a user keeps that user's log.
void UseDocumentsFolder(const std::string& documents);

// "dd.mm.yyyy hh:mm:ss text" for the given local time; without local time the date fields
// print as 0 and the time fields as -1.
std::string FormatLogLine(const std::tm* localTime, const std::string& text);

// Appends one line. False when the documents folder is unknown or the file cannot be opened,
// for instance because the "Brivane" folder does not exist: the log folder is never created.
bool WriteLog(const std::string& text);

// Lines stamped as they are added and appended together, the file opened once for them: loading
// the catalogue logs hundreds of lines, and opening the file for each was most of its cost.
class LogLines {
public:
    void Add(const std::string& text);
    // Appends the lines added since the last call and forgets them; false as WriteLog.
    bool Write();

private:
    std::string lines_;
};

}  // namespace flipdeck
