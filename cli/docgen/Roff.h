#pragma once
// Help texts set as manual page source (the man macros).

#include <string>
#include <vector>

#include "cli/docgen/HelpText.h"

namespace tunemoss::docgen {

// Text made safe for a line of its own: backslashes and minus signs
// escaped, a leading control character neutralised.
std::string RoffText(const std::string& text);

// An item's term: options in bold, their values in italics.
std::string RoffTerm(const std::string& term);

// The blocks of a help text, in order: paragraphs filled, items as tagged
// paragraphs, usage lines and examples as they were laid out.
std::string RoffBlocks(const std::vector<HelpBlock>& blocks);

}  // namespace tunemoss::docgen
