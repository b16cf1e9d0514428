#pragma once
// Text in the legacy code pages that old taggers wrote into 8-bit fields
// (windows-1251, KOI8-R, GB18030, Big5, Shift_JIS, ...), converted to and
// from the library's UTF-8 strings. Encodings are named as ICU's converters
// know them; ISO-8859-1 and UTF-8 need no ICU.

#include <optional>
#include <string>
#include <string_view>

namespace songcore {

inline constexpr std::string_view kLatin1Encoding = "ISO-8859-1";

// The bytes decoded as the encoding; nothing when the encoding is unknown
// or a byte sequence has no meaning in it (an 8-bit code page's unassigned
// byte, a cut or malformed multi-byte sequence).
std::optional<std::string> DecodeCodepage(std::string_view bytes, std::string_view encoding);
// The text in the encoding; nothing when the encoding is unknown or a
// character has no form in it.
std::optional<std::string> EncodeCodepage(std::string_view text, std::string_view encoding);
// The text in the encoding with "?" for each character it cannot hold
// (and for the whole text when the encoding is unknown); lossless, when
// given, tells whether every character was held.
std::string EncodeReplacing(std::string_view text, std::string_view encoding,
                            bool* lossless = nullptr);
// Whether ICU (or the built-in conversions) know the encoding.
bool IsKnownEncoding(std::string_view encoding);
// Whether two names stand for the same encoding as far as the library's
// conversions go ("latin1" and "ISO-8859-1").
bool IsLatin1Name(std::string_view encoding);

// The encoding that legacy 8-bit tag text (ID3v1, ID3v2's ISO-8859-1
// frames, RealMedia) is read and written in: ISO-8859-1, as those formats
// define it, unless the user says that their files hold another code page.
// One setting for the whole process, set once at start-up.
std::string LegacyEncoding();
void SetLegacyEncoding(std::string encoding);
// Legacy 8-bit tag text decoded and encoded with that setting: the reader
// and writer of each such field use these, so that a value read and written
// back keeps its bytes. Decoding never fails (a byte the code page lacks
// reads as its ISO-8859-1 character); encoding puts "?" for a character the
// code page cannot hold, and lossless tells whether every one was held.
std::string DecodeLegacyText(std::string_view bytes);
std::string EncodeLegacyText(std::string_view text, bool* lossless = nullptr);
// A value of a tag that is UTF-8 by definition (APEv2, Vorbis comments):
// as it is when it is UTF-8; else written by an old tagger in its code page,
// and read as legacy text is (legacy is then set).
std::string UnicodeTagText(std::string_view bytes, bool& legacy);
// Whether an ID3v2 frame may hold the text in its ISO-8859-1 encoding and
// be read back as written under the setting: every character of the text
// means the same in ISO-8859-1 and in the legacy encoding.
bool FitsLegacyFrame(std::string_view text);

}  // namespace songcore
