#pragma once
// The fields of a song information record as the commands print them: a
// view of the field table, its keys in JSON's spelling ("album_artist").

#include <string>
#include <vector>

#include "songcore/tags/SongFileInfo.h"

namespace tunemoss {

struct ShownField {
    std::string key;    // JSON key
    std::string label;  // human label
    bool numeric;
    std::string text;  // the value as text (numbers in decimal)
    long long number;
    bool present;  // worth printing in the human listing
};

// Every field of the table, the genre's table number after the genre, and
// the codec, in the order of the JSON output.
std::vector<ShownField> DescribeFields(const CSongFileInfo& info);

}  // namespace tunemoss
