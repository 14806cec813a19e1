#include "steps/Finding.h"

#include "base/LocalizedString.h"
#include "base/Text.h"
#include "steps/Journal.h"

namespace flipdeck {

const char kSuiteProduct[] = "suite";
const char kCodesysProduct[] = "codesys";
const char kFlipdeckProduct[] = "flipdeck";

bool Finding::BlocksSwitchTo(const std::string& listProduct, const std::string& name) const
{
    switch (blocks) {
    case Blocks::Nothing:
        return false;
    case Blocks::Entry:
        return product == listProduct && EqualsIgnoringCase(entry, name);
    case Blocks::Product:
        return product == listProduct || product == kFlipdeckProduct;
    }
    return false;
}

std::string VersionOrNone(const std::string& version)
{
    return version.empty() ? LoadLocalizedString(IDS_VERIFY_NO_VERSION) : version;
}

void CheckJournal(std::vector<Finding>& findings)
{
    if (!JournalExists())
        return;
    const std::string journal = JournalPath();
    findings.push_back({"journal-waiting", kFlipdeckProduct, std::string(), journal,
                        FormatLocalized(IDS_VERIFY_JOURNAL_WAITING, {journal}), Finding::Blocks::Product});
}

}  // namespace flipdeck
