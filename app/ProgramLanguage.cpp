#include "app/ProgramLanguage.h"

#include <windows.h>

#include "base/Language.h"
#include "regsettings/regsettings.h"

namespace flipdeck {

std::string ProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string SelectProgramLanguage(UniqueModule& library)
{
    const std::string program = ProgramPath();
    const std::string folder = program.substr(0, program.find_last_of('\\'));
    char code[260] = {};
    unsigned char id = 0;
    if (GetRegistryTessaroIIString("LANGUAGE", code, sizeof(code))) {
        LoadLanguageResources(folder, "Flipdeck", LanguageIdFromCode(code), library);
        return code;
    }
    if (GetRegistryTessaroIIBin("LANGUAGE", &id)) {
        LoadLanguageResources(folder, "Flipdeck", id, library);
        const LanguageRow* row = FindLanguage(id);
        return row != nullptr ? row->code : "";
    }
    return "";
}

}  // namespace flipdeck
