#include "cli/CatalogueListing.h"

#include "base/LocalizedString.h"
#include "base/Registry.h"
#include "catalogue/CodesysCatalogue.h"
#include "catalogue/Naming.h"
#include "catalogue/SuiteCatalogue.h"
#include "cli/JsonDocument.h"
#include "codesys/RegistryTransfer.h"

namespace flipdeck {

namespace {

// Marks the first version of the current name, the one that is live.
void MarkCurrent(ListedCatalogue& catalogue)
{
    for (ListedVersion& version : catalogue.versions) {
        if (EqualsIgnoringCase(version.name, catalogue.current)) {
            version.current = true;
            return;
        }
    }
}

// Where a CoDeSys version's folders go when it is live, as its own setup information says: the
// live copy for the current version, the parked copy for the others.
std::string CodesysProgramPath(const CodesysVersionEntry& entry, bool current)
{
    const char* value = entry.renameSubDir != 0 ? "Targetdir_CODESYS" : "Targetdir";
    const std::string setupKey = current ? std::string(kCodesysSetupKey) : ParkedSetupKey(ParkingVersion(entry));
    return ReadUserMachineText(setupKey, value).value_or("");
}

void AppendText(std::string& text, unsigned heading, const ListedCatalogue& catalogue)
{
    text += FormatLocalized(heading, {catalogue.current}) + "\n";
    const std::string renamePath = LoadLocalizedString(IDS_COL_RENAME_PATH);
    const std::string programPath = LoadLocalizedString(IDS_CLI_PROGRAM_PATH);
    const std::string version = LoadLocalizedString(IDS_COL_VERSION);
    for (const ListedVersion& listed : catalogue.versions) {
        text += (listed.current ? "* " : "  ") + listed.name + "\n";
        text += "      " + renamePath + ": " + listed.renamePath + "\n";
        text += "      " + programPath + ": " + listed.programPath + "\n";
        text += "      " + version + ": " + listed.version + "\n";
    }
}

void AppendJson(std::string& json, const char* product, const ListedCatalogue& catalogue, bool last)
{
    json += std::string("  \"") + product + "\": {\n";
    json += "    \"current\": " + JsonQuoted(catalogue.current) + ",\n";
    json += "    \"versions\": [";
    for (size_t i = 0; i < catalogue.versions.size(); ++i) {
        const ListedVersion& listed = catalogue.versions[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "      {\"name\": " + JsonQuoted(listed.name) +
                ", \"renamePath\": " + JsonQuoted(listed.renamePath) + ", \"programPath\": " +
                JsonQuoted(listed.programPath) + ", \"version\": " + JsonQuoted(listed.version) +
                ", \"current\": " + (listed.current ? "true" : "false") + "}";
    }
    json += catalogue.versions.empty() ? "]\n" : "\n    ]\n";
    json += last ? "  }\n" : "  },\n";
}

}  // namespace

ListedCatalogue ListSuiteCatalogue(const RunState& state)
{
    ListedCatalogue catalogue;
    catalogue.current = GetCurrentVersionName();
    for (const SuiteVersionEntry& entry : state.suiteEntries)
        catalogue.versions.push_back({entry.name, entry.renamePath, entry.programPath, entry.version, false});
    MarkCurrent(catalogue);
    return catalogue;
}

ListedCatalogue ListCodesysCatalogue(const RunState& state)
{
    ListedCatalogue catalogue;
    catalogue.current = state.currentCodesysName;
    for (const CodesysVersionEntry& entry : state.codesysEntries)
        catalogue.versions.push_back({entry.name, entry.renamePath, std::string(), entry.version, false});
    MarkCurrent(catalogue);
    for (size_t i = 0; i < catalogue.versions.size(); ++i)
        catalogue.versions[i].programPath = CodesysProgramPath(state.codesysEntries[i], catalogue.versions[i].current);
    return catalogue;
}

std::string CatalogueListingText(const RunState& state)
{
    std::string text;
    AppendText(text, IDS_CLI_SUITE_HEADING, ListSuiteCatalogue(state));
    text += "\n";
    AppendText(text, IDS_CLI_CODESYS_HEADING, ListCodesysCatalogue(state));
    return text;
}

std::string CatalogueListingJson(const RunState& state)
{
    std::string json = JsonDocumentStart();
    AppendJson(json, "suite", ListSuiteCatalogue(state), false);
    AppendJson(json, "codesys", ListCodesysCatalogue(state), true);
    return json + "}\n";
}

}  // namespace flipdeck
