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

// The system's reason for a Win32 error as one line of the log, in the language of the texts:
// "Fehler 32: Der Prozess kann nicht ...". The system's text comes in the language of the resource
// module's string table, else in the system's own.
std::string SystemErrorText(DWORD error);

}  // namespace flipdeck
