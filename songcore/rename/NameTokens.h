#pragma once
// The tokens of the patterns that Rename As and Copy To build file names
// from: %TITLE, %ARTIST, %ALBUM, %ALBUMARTIST, %GENRE, %YEAR, %TRACK (two
// digits; %TRACK1, %TRACK3... for other widths), %DISC (%DISC2...) and %EXT
// (the song's extension without its dot). Tokens are upper case and the
// longest one that fits is taken: "%ALBUMARTIST" is the album artist,
// "%TITLEs" the title and an "s". A "%" before anything but a letter is
// text; before a letter it must start a token.

#include <cstdint>
#include <string>
#include <string_view>

namespace songcore {

struct NameValues {
    std::string title, artist, album, albumArtist, genre, year, ext;
    uint32_t track = 0;  // 0: none, and the token gives nothing
    uint32_t disc = 0;
};

// The pattern with its tokens replaced in one pass: a value is never scanned
// for tokens again. A value "." or ".." becomes "_", and so does a dot that
// a value puts at the start of the name, so tags can neither name a folder
// nor hide the file. Unknown tokens are kept as text (NamePatternProblem
// tells of them first).
std::string ExpandNamePattern(std::string_view pattern, const NameValues& values);

// Empty when every token of the pattern is known; else which one is not.
std::string NamePatternProblem(std::string_view pattern);

// One line per token, for the pattern editors and --help.
extern const char* const kNameTokensHelp;

}  // namespace songcore
