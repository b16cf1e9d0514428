#pragma once
// A help text as the programs print it, cut into the pieces a manual page
// sets apart: usage lines, paragraphs, items ("  --json   what it does",
// continued on deeper-indented lines) and examples.

#include <string>
#include <vector>

namespace tunemoss::docgen {

struct HelpBlock {
    enum class Kind { Usage, Paragraph, Item, Examples };
    Kind kind = Kind::Paragraph;
    std::string term;                // an item's option or word, with its value
    std::vector<std::string> lines;  // the text; usage and examples keep their layout
};

std::vector<HelpBlock> ParseHelp(const std::string& text);

// What the help says of an option, on one line ("--json" for
// "  --json  one JSON object per file"); empty when no item starts with it.
std::string OptionSummary(const std::vector<HelpBlock>& blocks, const std::string& option);

}  // namespace tunemoss::docgen
