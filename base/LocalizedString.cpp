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

// Takes the first language found; the enumeration's calling convention, which the 32-bit build
// needs spelt out.
BOOL CALLBACK TakeFirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD found, LONG_PTR param)
{
    *reinterpret_cast<LANGID*>(param) = found;
    return FALSE;
}

// The language of the string table that holds `id` in the resource module; 0 when it has none.
LANGID StringTableLanguage(unsigned id)
{
    LANGID language = 0;
    EnumResourceLanguagesA(ResourceModule(), RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), TakeFirstLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
    return language;
}

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

std::string SystemErrorText(DWORD error)
{
    const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    char text[1024] = {};
    DWORD length = 0;
    if (const LANGID language = StringTableLanguage(IDS_ERROR_WORD); language != 0)
        length = FormatMessageA(flags, nullptr, error, language, text, sizeof(text), nullptr);
    if (length == 0)
        length = FormatMessageA(flags, nullptr, error, 0, text, sizeof(text), nullptr);
    // One line of the log: line breaks inside become blanks, the one at the end goes.
    std::string reason(text, length);
    for (char& c : reason) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    while (!reason.empty() && reason.back() == ' ')
        reason.pop_back();
    return LoadLocalizedString(IDS_ERROR_WORD) + " " + std::to_string(error) + ": " + reason;
}

}  // namespace flipdeck
