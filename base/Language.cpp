#include "base/Language.h"

#include <windows.h>

#include <sstream>
#include <vector>

#include "base/LocalizedString.h"

namespace flipdeck {

namespace {

const LanguageRow kLanguages[] = {
    {0, "DEU", "Deutsch (Deutschland)", "0"},
    {1, "ENG", "English", "0"},
};

std::vector<int> ParseFallbacks(const char* list)
{
    std::vector<int> ids;
    std::istringstream stream(list);
    for (std::string item; std::getline(stream, item, ',');)
        ids.push_back(std::atoi(item.c_str()));
    return ids;
}

}  // namespace

const LanguageRow* FindLanguage(int id)
{
    for (const LanguageRow& row : kLanguages) {
        if (row.id == id)
            return &row;
    }
    return nullptr;
}

int LanguageIdFromCode(const std::string& code)
{
    for (const LanguageRow& row : kLanguages) {
        if (_stricmp(row.code, code.c_str()) == 0)
            return row.id;
    }
    return 0;
}

int LoadLanguageResources(const std::string& folder, const std::string& baseName, int languageId,
                          UniqueModule& library)
{
    std::vector<int> fallbacks;
    bool firstPass = true;
    for (;;) {
        const LanguageRow* row = FindLanguage(languageId);
        if (row == nullptr) {
            row = FindLanguage(0);
            languageId = 0;
        }
        if (firstPass) {
            fallbacks = ParseFallbacks(row->fallbacks);
            firstPass = false;
        }
        // As data, so that no code of a planted library can ever run in this elevated process.
        const std::string path = folder + "\\" + baseName + "." + row->code;
        library.reset(LoadLibraryExA(path.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
        if (library) {
            SetResourceModule(library.get());
            return languageId;
        }
        if (languageId == 0) {
            SetResourceModule(nullptr);
            return 0;
        }
        if (fallbacks.empty()) {
            languageId = 0;
        } else {
            languageId = fallbacks.front();
            fallbacks.erase(fallbacks.begin());
        }
    }
}

std::string HelpFilePath(const std::string& installPath, const std::string& programName,
                         const std::string& languageCode)
{
    const char* helpLanguage = languageCode == "DEU" ? "1031" : "1033";
    return installPath + "\\Help\\" + programName + "_" + helpLanguage + ".chm";
}

}  // namespace flipdeck
