#include "app/LocalizedString.h"

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

}  // namespace flipdeck
