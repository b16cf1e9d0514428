#pragma once
// Text conversions between the encodings song files use and the library's
// UTF-8 strings, and the Unicode-aware comparisons the collection needs.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace songcore {

// UTF-16 (either byte order) to UTF-8. Decoding stops at the first NUL code
// unit; an odd trailing byte is ignored; unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(std::span<const uint8_t> bytes);
std::string Utf16BeToUtf8(std::span<const uint8_t> bytes);
// UTF-16 with an optional byte order mark (little-endian without one).
std::string Utf16BomToUtf8(std::span<const uint8_t> bytes);

// UTF-8 to UTF-16LE bytes, without terminator. Invalid UTF-8 sequences become
// U+FFFD.
std::vector<uint8_t> Utf8ToUtf16Le(std::string_view text);
std::vector<uint8_t> Utf8ToUtf16Be(std::string_view text);

// ISO-8859-1 bytes to UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);
// UTF-8 to ISO-8859-1; every character that ISO-8859-1 cannot hold (and every
// invalid sequence) becomes "?". lossless, when given, tells whether the text
// was held exactly.
std::string Utf8ToLatin1(std::string_view text, bool* lossless = nullptr);
// True when every character of the UTF-8 text has an ISO-8859-1 form.
bool FitsLatin1(std::string_view text);

bool IsValidUtf8(std::string_view text);
// Replaces each invalid UTF-8 sequence with U+FFFD.
std::string SanitizeUtf8(std::string_view text);

// Removes leading and trailing white space (blank, tab, CR, LF, VT, FF).
std::string Trim(std::string_view text);
// The same without a copy: the trimmed part of text.
std::string_view TrimmedView(std::string_view text);
// Splits "Artist<sep>Title" at the first spaced separator (" - "), or, when
// there is none, at the first bare one ("-"); both halves are trimmed. With
// no separator the whole text is the title and the artist is empty.
void SplitArtistTitle(std::string_view text, std::string_view spaced, std::string_view bare,
                      std::string& artist, std::string& title);

// Cuts the text to at most maxBytes without splitting a UTF-8 character.
std::string TruncateUtf8(std::string_view text, size_t maxBytes);

// Unicode upper-casing and case-insensitive comparison (full case folding).
std::string ToUpperUnicode(std::string_view text);
std::string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// <0, 0, >0 as strcmp, over case-folded text.
int CompareIgnoreCase(std::string_view a, std::string_view b);
// ASCII-only upper-casing, for format keys that are ASCII by definition.
std::string ToUpperAscii(std::string_view text);
// Inline, as the tag readers ask it of every key they meet.
inline bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) {
            return false;
        }
    }
    return true;
}

}  // namespace songcore
