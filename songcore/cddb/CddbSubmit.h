#pragma once
// The text of a record sent to a CDDB server, built apart from the
// connection so it can be checked byte for byte.

#include <string>
#include <string_view>

#include "songcore/cddb/CDDBRecord.h"

namespace songcore::cddb {

// Escapes a value for an xmcd keyword line: "\" -> "\\", line break -> "\n",
// tab -> "\t".
std::string EscapeValue(std::string_view text);

// The xmcd record as submitted, CR LF line ends, ending in "PLAYORDER=".
std::string BuildSubmitBody(const CCDDBRecord& record);

}  // namespace songcore::cddb
