// What a verify finds: a place on the machine that does not agree with a catalogue. The checks look
// and change nothing; the command line prints the findings, the dialog lists them and marks the rows
// they stand in the way of.
#pragma once

#include <string>
#include <vector>

namespace flipdeck {

extern const char kSuiteProduct[];     // "suite"
extern const char kCodesysProduct[];   // "codesys"
extern const char kFlipdeckProduct[];  // "flipdeck": Flipdeck's own state, both products

// How far a verify looks. The marks of the dialog's rows need only what can stand in the way of a
// switch; the scan of every COM registration on the machine, which marks no row, is left to the
// verify a user or script asks for.
enum class VerifyDepth { Whole, SwitchBlockers };

struct Finding {
    // Which switches the finding stands in the way of as things stand.
    enum class Blocks { Nothing, Entry, Product };

    std::string code;     // stable, for scripts: "suite-folder-missing"
    std::string product;  // kSuiteProduct, kCodesysProduct or kFlipdeckProduct
    std::string entry;    // the catalogue entry it concerns; empty when it concerns none
    std::string place;    // the folder, file, registry key or value
    std::string text;     // one sentence in the user's language: what is wrong and what to do
    Blocks blocks = Blocks::Nothing;

    // True when a switch to the version `name` of the list of `product` is refused or goes wrong
    // because of this finding.
    bool BlocksSwitchTo(const std::string& listProduct, const std::string& name) const;
};

// A product version found, or the word for none, for a finding's text.
std::string VersionOrNone(const std::string& version);

// An interrupted switch whose journal still waits: every switch is refused until it is dealt with.
void CheckJournal(std::vector<Finding>& findings);

}  // namespace flipdeck
