#pragma once
// The text side of the internet search: the request path of one result
// page, and the song links on one line of a page. Plain functions over
// buffers, so they can be tested and fuzzed without a server.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace songcore {

// Fills a path template: every "%s" becomes the query, every "%d" the offset
// in decimal, "%%" a single "%"; any other "%" stands as it is. Nothing is
// handed to printf, so a template from the settings cannot misbehave.
// Characters that cannot stand in a request line (blanks, controls, bytes
// above 0x7E, and in the query also " # < > \ ^ ` { | }) are percent-encoded;
// everything else, "%" escapes included, is kept unchanged.
std::string FillRequestPath(std::string_view format, std::string_view query, uint32_t offset);

// Scans one line of a result page. For each extension of the ";"-separated
// list (an empty one ends the list), taken from the left while keepGoing()
// holds: the line's last ".ext" after the previous link found, with the last
// "http://", "https://", "mms://" or "rtsp://" between the two, is a link that runs
// from the scheme to the end of ".ext". Matching ignores ASCII case; links
// are reported as they stand in the line. Returns the number of links.
size_t FindSongLinks(std::string_view line, std::string_view extensions,
                     const std::function<bool()>& keepGoing,
                     const std::function<void(std::string_view link)>& report);

}  // namespace songcore
