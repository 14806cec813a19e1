#include "base/LocalizedString.h"

namespace flipdeck {

namespace {

HMODULE g_resourceModule = nullptr;

struct DefaultText {
    unsigned id;
    const char* text;
};

constexpr DefaultText kDefaults[] = {
#define FLIPDECK_TEXT(symbol, number, text) {number, text},
#include "messages.inc"
#undef FLIPDECK_TEXT
};

}  // namespace

void SetResourceModule(HMODULE module) { g_resourceModule = module; }

HMODULE ResourceModule() { return g_resourceModule != nullptr ? g_resourceModule : GetModuleHandleA(nullptr); }

const char* GermanDefault(unsigned id)
{
    for (const DefaultText& entry : kDefaults) {
        if (entry.id == id)
            return entry.text;
    }
    return "";
}

std::string LoadLocalizedString(unsigned id)
{
    // Far longer than any of the program's texts; LoadStringA cuts and terminates what does not fit.
    char buffer[4097];
    int length = LoadStringA(ResourceModule(), id, buffer, sizeof(buffer));
    if (length > 0)
        return std::string(buffer, static_cast<size_t>(length));
    return GermanDefault(id);
}

std::string FormatLocalized(unsigned id, std::initializer_list<std::string> arguments)
{
    auto findPlaceholder = [](const std::string& text, size_t from) {
        for (size_t p = text.find('%', from); p != std::string::npos && p + 1 < text.size(); p = text.find('%', p + 1)) {
            if (text[p + 1] == 's' || text[p + 1] == 'd')
                return p;
        }
        return std::string::npos;
    };
    std::string text = LoadLocalizedString(id);
    size_t position = 0;
    for (const std::string& argument : arguments) {
        position = findPlaceholder(text, position);
        if (position == std::string::npos)
            break;
        text.replace(position, 2, argument);
        position += argument.size();
    }
    return text;
}

}  // namespace flipdeck
