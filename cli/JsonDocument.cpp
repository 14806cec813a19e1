#include "cli/JsonDocument.h"

#include <cstdio>

#include "cli/ConsoleOutput.h"

namespace flipdeck {

std::string JsonDocumentStart() { return "{\n  \"schemaVersion\": " + std::to_string(kJsonSchemaVersion) + ",\n"; }

std::string JsonQuoted(const std::string& text)
{
    std::string quoted = "\"";
    for (const wchar_t c : WideFromAnsi(text)) {
        switch (c) {
        case L'"':
            quoted += "\\\"";
            break;
        case L'\\':
            quoted += "\\\\";
            break;
        case L'\n':
            quoted += "\\n";
            break;
        case L'\r':
            quoted += "\\r";
            break;
        case L'\t':
            quoted += "\\t";
            break;
        default:
            if (c < 0x20 || c > 0x7E) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
                quoted += escaped;
            } else {
                quoted += static_cast<char>(c);
            }
        }
    }
    return quoted + "\"";
}

}  // namespace flipdeck
