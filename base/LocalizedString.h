// Texts shown to the user: from the current language library, else the built-in German default.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "messages.h"

namespace flipdeck {

// The module whose string table is asked first (a language library loaded as data, or the
// program itself); null means the program's own module.
void SetResourceModule(HMODULE module);
HMODULE ResourceModule();

// The German text compiled into the program, or empty for an unknown id.
const char* GermanDefault(unsigned id);

// The text of string `id` from the resource module; its German default when the resource is missing.
std::string LoadLocalizedString(unsigned id);

// The text of string `id` with its "%s" and "%d" placeholders replaced by `arguments` in order.
// Texts from a language library are never used as a format string: surplus placeholders stay
// as they are, surplus arguments are dropped.
std::string FormatLocalized(unsigned id, std::initializer_list<std::string> arguments);

}  // namespace flipdeck
