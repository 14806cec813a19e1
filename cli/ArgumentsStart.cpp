// Apart from the rest of the command line, so that Flipdeck.com, which only hands the arguments
// on, links nothing else of it.
#include "cli/CommandLine.h"

namespace flipdeck {

size_t ArgumentsStart(const std::wstring& commandLine)
{
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        return close == std::wstring::npos ? commandLine.size() : close + 1;
    }
    const size_t blank = commandLine.find_first_of(L" \t");
    return blank == std::wstring::npos ? commandLine.size() : blank;
}

}  // namespace flipdeck
