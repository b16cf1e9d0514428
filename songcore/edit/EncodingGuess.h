#pragma once
// Which encoding the misread fields of some songs (an album, a folder) are
// really in, judged over all their fields together: one field is a few
// bytes, too few to tell windows-1251 from KOI8-R, an album's titles are
// enough. Each candidate comes with the texts it gives.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songcore/edit/FieldEdits.h"
#include "songcore/edit/MisreadText.h"

namespace songcore {

struct EncodingCandidate {
    // ICU's name of the encoding ("windows-1251", "Shift_JIS"); "UTF-8" for
    // UTF-8 read as 8-bit text.
    std::string encoding;
    int confidence = 0;  // 0 to 100
    // For each song, in the order given, the fields whose text the encoding
    // changes, with their new text.
    std::vector<FieldValues> changes;

    // Whether the texts already are what the encoding gives.
    bool ChangesNothing() const;
};

// The candidates, most likely first; empty when no song has a misread
// field. UTF-8 comes first when every field's bytes are UTF-8. Text that
// reads as a Western language (French, German, Spanish: letters with a few
// accents, no stray symbols) keeps that reading first, so that it is left
// alone. Then come ICU's guesses, then the other common code pages the
// bytes are valid in, each once (two names that give the same texts, such
// as GB18030 and GBK, count as one).
std::vector<EncodingCandidate> RankEncodings(const std::vector<std::vector<MisreadField>>& songs);

// The texts under one encoding; nothing when the encoding is unknown or
// some field's bytes are not text in it. Confidence is 0.
std::optional<EncodingCandidate> DecodeAllAs(const std::vector<std::vector<MisreadField>>& songs,
                                             std::string_view encoding);

// Whether the text reads as a Western European language: no control
// characters, no symbol inside a word, no word of two or more letters all
// beyond ASCII, no capital after a small letter within a word.
bool ReadsAsWesternText(std::string_view text);

}  // namespace songcore
