// The activity log: one time-stamped line per step, appended to "<documents>\Brivane\flipdeck.log".
// It is the technician's only record of what a switch did; the program never reads it back.
#pragma once

#include <ctime>
#include <string>

namespace flipdeck {

// The log file's path, or empty when the documents folder is unknown.
std::string ActivityLogPath();

// "dd.mm.yyyy hh:mm:ss text" for the given local time; without local time the date fields
// print as 0 and the time fields as -1.
std::string FormatLogLine(const std::tm* localTime, const std::string& text);

// Appends one line. False when the documents folder is unknown or the file cannot be opened,
// for instance because the "Brivane" folder does not exist: the log folder is never created.
bool WriteLog(const std::string& text);

}  // namespace flipdeck
