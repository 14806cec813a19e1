// The language of the program's texts, as the user chose it for the suite, shared by Flipdeck.exe
// and its console front Flipdeck.com.
#pragma once

#include <string>

#include "base/UniqueHandle.h"

namespace flipdeck {

// The program's own file, as Windows started it.
std::string ProgramPath();

// Makes the language library of the language the suite's settings name, from the program's own
// folder, the source of texts; German stays when none is named. Answers the language code
// ("ENG"), empty when none is named.
std::string SelectProgramLanguage(UniqueModule& library);

}  // namespace flipdeck
