// Symbolic ids of the program's texts, generated from the one table in messages.inc.
#pragma once

namespace flipdeck {

enum MessageId : unsigned {
#define FLIPDECK_TEXT(symbol, number, text) symbol = number,
#include "messages.inc"
#undef FLIPDECK_TEXT
};

}  // namespace flipdeck
