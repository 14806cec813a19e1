// The user-interface languages: German built in, others from language libraries beside the
// program ("Flipdeck.ENG"), and the help file that goes with the language.
#pragma once

#include <string>

#include "base/UniqueHandle.h"

namespace flipdeck {

struct LanguageRow {
    int id;
    const char* code;
    const char* displayName;
    const char* fallbacks;  // comma-separated ids tried in order when the library cannot be loaded
};

// The row of a language id, or null for an unknown id.
const LanguageRow* FindLanguage(int id);
// The id of a language code, compared without regard to case; 0 (German) when unknown.
int LanguageIdFromCode(const std::string& code);

// Makes the language library of `languageId` the source of dialogs and texts, trying the row's
// fallbacks when it cannot be loaded and ending with the program's own resources. Libraries are
// loaded as data, by full path, from `folder` only. Answers the language now in use.
int LoadLanguageResources(const std::string& folder, const std::string& baseName, int languageId,
                          UniqueModule& library);

// "<install>\Help\<program>_<1031|1033>.chm": German help only for the exact code "DEU".
std::string HelpFilePath(const std::string& installPath, const std::string& programName,
                         const std::string& languageCode);

}  // namespace flipdeck
