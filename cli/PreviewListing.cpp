#include "cli/PreviewListing.h"

#include "cli/JsonDocument.h"

namespace flipdeck {

std::string PreviewText(const SwitchPreview& preview)
{
    std::string text = preview.Introduction() + "\n";
    for (size_t i = 0; i < preview.steps.size(); ++i)
        text += "  " + std::to_string(i + 1) + ". " + preview.steps[i].description + "\n";
    return text;
}

std::string PreviewJson(const SwitchPreview& preview)
{
    std::string json = JsonDocumentStart();
    json += "  \"product\": " + JsonQuoted(preview.product) + ",\n";
    json += "  \"from\": " + JsonQuoted(preview.fromName) + ",\n";
    json += "  \"to\": " + JsonQuoted(preview.toName) + ",\n";
    json += "  \"steps\": [";
    for (size_t i = 0; i < preview.steps.size(); ++i) {
        const PreviewStep& step = preview.steps[i];
        json += std::string(i == 0 ? "\n" : ",\n") + "    {\"kind\": " + JsonQuoted(step.kind);
        if (!step.source.empty())
            json += ", \"source\": " + JsonQuoted(step.source);
        if (!step.target.empty())
            json += ", \"target\": " + JsonQuoted(step.target);
        json += ", \"description\": " + JsonQuoted(step.description) + "}";
    }
    json += preview.steps.empty() ? "]\n" : "\n  ]\n";
    return json + "}\n";
}

}  // namespace flipdeck
