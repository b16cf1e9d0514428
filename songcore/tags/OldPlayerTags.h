#pragma once
// Tags written for old players. Car stereos and old portable players read
// an ID3v2.3 tag with UTF-16 text, or only an ID3v1 tag, and that in their
// own code page; ISO-8859-1 gives them question marks for any other script.
// With a code page set, an MPEG file's write (of its ID3v2 or its ID3v1
// tag) stores both: the ID3v2 tag with the whole texts (2.3 for a new tag,
// Unicode text in UTF-16) and an ID3v1 tag at the end whose texts are in
// that code page. One setting for the whole process, set at start-up.

#include <optional>
#include <string>

namespace songcore {

// The ID3v1 tag's code page; nothing when tags are written as usual.
std::optional<std::string> OldPlayerCodepage();
void SetOldPlayerCodepage(std::optional<std::string> encoding);

}  // namespace songcore
