#include "cli/FindingListing.h"

#include "base/LocalizedString.h"
#include "cli/JsonDocument.h"

namespace flipdeck {

std::string FindingsText(const std::vector<Finding>& findings)
{
    if (findings.empty())
        return LoadLocalizedString(IDS_VERIFY_NOTHING_FOUND) + "\n";
    std::string text = FormatLocalized(IDS_VERIFY_FOUND, {std::to_string(findings.size())}) + "\n";
    for (const Finding& finding : findings) {
        text += "\n" + finding.code + " (" + finding.product + (finding.entry.empty() ? "" : ", " + finding.entry) + ")\n";
        text += "      " + finding.place + "\n";
        text += "      " + finding.text + "\n";
    }
    return text;
}

std::string FindingsJson(const std::vector<Finding>& findings)
{
    std::string json = JsonDocumentStart() + "  \"findings\": [";
    for (size_t i = 0; i < findings.size(); ++i) {
        const Finding& finding = findings[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "    {\"code\": " + JsonQuoted(finding.code) +
                ", \"product\": " + JsonQuoted(finding.product) + ", \"entry\": " + JsonQuoted(finding.entry) +
                ", \"place\": " + JsonQuoted(finding.place) + ", \"message\": " + JsonQuoted(finding.text) + "}";
    }
    json += findings.empty() ? "]\n" : "\n  ]\n";
    return json + "}\n";
}

}  // namespace flipdeck
