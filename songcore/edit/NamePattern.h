#pragma once
// A file name pattern read backwards: "%TRACK - %ARTIST - %TITLE" takes the
// track, artist and title out of "07 - Nina - Stay.mp3". The tokens are those
// that renaming writes (%TITLE, %ARTIST, %ALBUM, %GENRE, %YEAR) plus %TRACK
// (digits only) and %IGNORE (anything, not kept). A "/" in the pattern
// matches the folders above the file: "%ALBUM/%TRACK %TITLE" reads the album
// from the folder the song is in. The extension is never part of the match.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/edit/FieldEdits.h"

namespace songcore {

class NamePattern {
public:
    // Null with a reason for a pattern that cannot match anything sensible:
    // no token, an unknown token, two tokens with nothing between them.
    static std::optional<NamePattern> Parse(std::string_view pattern, std::string& problem);

    // The values the path's name gives, each trimmed; null when the name
    // does not fit the pattern. A value that is empty after trimming is
    // not given.
    std::optional<FieldValues> Match(std::string_view path) const;

    // The fields the pattern sets, in their order.
    std::vector<SongField> Fields() const;

private:
    struct Element {
        bool token = false;
        std::string literal;
        // For tokens: the field, or none for %IGNORE.
        std::optional<SongField> field;
        bool digits = false;
    };
    // One list of elements per path level, the file's name last.
    std::vector<std::vector<Element>> levels_;

    static bool MatchLevel(const std::vector<Element>& elements, std::string_view text,
                           FieldValues& values);
};

}  // namespace songcore
