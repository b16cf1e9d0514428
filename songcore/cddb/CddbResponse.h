#pragma once
// The CDDB server's answers, parsed from text buffers. Kept apart from the
// connection so every rule can be tested and fuzzed without a server.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/cddb/CDDBQueryResult.h"
#include "songcore/cddb/CDDBRecord.h"
#include "songcore/cddb/CDDBSite.h"
#include "songcore/cddb/CDDBStatus.h"

namespace songcore::cddb {

// The body of an HTTP response: the text after the first blank line, or
// nothing when the header has not ended yet.
std::string_view ResponseBody(std::string_view response, bool* found = nullptr);
// The number formed by the first three characters of a body, -1 when it is
// shorter or they are not digits.
int ResponseCode(std::string_view body);
inline bool IsListCode(int code) {
    return code >= 210 && code <= 219;
}

// Lines ending in CR LF or a bare LF; the last line may lack its end.
std::vector<std::string_view> SplitLines(std::string_view text);

// The value of a keyword line with its escapes (\n, \t, \\) resolved.
std::string UnescapeValue(std::string_view value);

// One line of the sites list; false when it does not describe an HTTP site.
bool ParseSiteLine(std::string_view line, CCDDBSite& site);
// Each parser takes a whole body, code line included. The lists are appended
// to; false means the body is not the answer the command expects.
bool ParseSites(std::string_view body, std::vector<CCDDBSite>& sites);
bool ParseCategories(std::string_view body, std::vector<std::string>& categories);
bool ParseStatus(std::string_view body, CCDDBStatus& status);

enum class QueryOutcome { Matches, NoMatch, Bad };
bool ParseQueryLine(std::string_view text, CCDDBQueryResult& result);
QueryOutcome ParseQuery(std::string_view body, std::vector<CCDDBQueryResult>& results);

bool ParseRecord(std::string_view body, CCDDBRecord& record);
bool ParseMessageOfTheDay(std::string_view body, std::string& text);

}  // namespace songcore::cddb
