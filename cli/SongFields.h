#pragma once
// The fields of a song information record as the commands print them.

#include <string>
#include <vector>

#include "songcore/tags/SongFileInfo.h"

namespace tunemoss {

struct SongField {
    std::string key;    // JSON key
    std::string label;  // human label
    bool numeric;
    std::string text;  // the value as text (numbers in decimal)
    long long number;
    bool present;  // worth printing in the human listing
};

// Every field, in the order of the JSON output.
std::vector<SongField> DescribeFields(const CSongFileInfo& info);

}  // namespace tunemoss
