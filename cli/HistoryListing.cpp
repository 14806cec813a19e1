#include "cli/HistoryListing.h"

#include "base/LocalizedString.h"
#include "cli/JsonDocument.h"

namespace flipdeck {

std::string HistoryListingText(const std::vector<HistoryRecord>& newestFirst)
{
    if (newestFirst.empty())
        return LoadLocalizedString(IDS_HISTORY_EMPTY) + "\n";
    std::string text;
    for (const HistoryRecord& r : newestFirst)
        text += FormatLocalized(IDS_HISTORY_LINE, {r.time, r.product, r.action, r.from, r.to, r.outcome,
                                                   std::to_string(r.exitCode), std::to_string(r.steps),
                                                   std::to_string(r.durationMs), r.account, r.user, r.machine}) +
                "\n";
    return text;
}

std::string HistoryListingJson(const std::vector<HistoryRecord>& newestFirst)
{
    std::string json = JsonDocumentStart() + "  \"records\": [";
    for (size_t i = 0; i < newestFirst.size(); ++i) {
        const HistoryRecord& r = newestFirst[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "    {\"time\": " + JsonQuoted(r.time) +
                ", \"machine\": " + JsonQuoted(r.machine) + ", \"account\": " + JsonQuoted(r.account) +
                ", \"user\": " + JsonQuoted(r.user) + ", \"product\": " + JsonQuoted(r.product) +
                ", \"action\": " + JsonQuoted(r.action) + ", \"from\": " + JsonQuoted(r.from) +
                ", \"to\": " + JsonQuoted(r.to) + ", \"outcome\": " + JsonQuoted(r.outcome) +
                ", \"exitCode\": " + std::to_string(r.exitCode) + ", \"steps\": " + std::to_string(r.steps) +
                ", \"durationMs\": " + std::to_string(r.durationMs) + "}";
    }
    return json + (newestFirst.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace flipdeck
