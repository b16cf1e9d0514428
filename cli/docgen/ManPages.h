#pragma once
// The manual pages tunemoss(1) and qarv(1), set from the programs' own help
// texts, so that the pages say what --help says.

#include <string>

namespace tunemoss::docgen {

// date: the release's date (YYYY-MM-DD), shown in the page's footer.
std::string TunemossManPage(const std::string& date);
std::string QarvManPage(const std::string& date);

}  // namespace tunemoss::docgen
