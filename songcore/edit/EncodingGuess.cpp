#include "songcore/edit/EncodingGuess.h"

#include <algorithm>
#include <array>

#include "songcore/util/CharsetDetector.h"
#include "songcore/util/Codepage.h"
#include "songcore/util/IcuLibrary.h"
#include "songcore/util/Text.h"

namespace songcore {
namespace {

// The code pages old taggers wrote, offered when ICU did not name them:
// Cyrillic, Chinese, Japanese, Korean, Greek, Central European, Western,
// Turkish, Hebrew, Arabic, Baltic, Thai.
constexpr std::array<std::string_view, 17> kCommonCodepages = {
    "windows-1251", "KOI8-R",       "GBK",          "Big5",         "Shift_JIS",  "EUC-JP",
    "EUC-KR",       "windows-1253", "ISO-8859-7",   "windows-1250", "ISO-8859-2", "windows-1252",
    "windows-1254", "windows-1255", "windows-1256", "windows-1257", "windows-874"};

// ICU names an ISO-8859 code page where the texts may as well be in the
// Windows code page built on it (the Greek windows-1253 puts capital alpha
// with tonos where ISO-8859-7 has a quotation mark); both are offered,
// the one that reads as more letters first.
constexpr std::pair<std::string_view, std::string_view> kWindowsSiblings[] = {
    {"ISO-8859-1", "windows-1252"}, {"ISO-8859-2", "windows-1250"}, {"ISO-8859-7", "windows-1253"},
    {"ISO-8859-8", "windows-1255"}, {"ISO-8859-9", "windows-1254"}, {"ISO-8859-6", "windows-1256"},
};

// Confidences of the readings that come before ICU's guesses.
constexpr int kUtf8Confidence = 100;
constexpr int kWesternConfidence = 90;

// The code point at pos of valid UTF-8 text, pos moved past it.
char32_t NextCodePoint(std::string_view text, size_t& pos) {
    uint8_t lead = static_cast<uint8_t>(text[pos++]);
    size_t more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    char32_t cp = more == 0 ? lead : lead & (0x3F >> more);
    for (; more > 0 && pos < text.size(); --more) {
        cp = cp << 6 | (static_cast<uint8_t>(text[pos++]) & 0x3F);
    }
    return cp;
}

bool IsAsciiLetter(char32_t cp) {
    return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
}

// Letters of the Latin scripts Western code pages hold beyond ASCII.
bool IsLatinLetter(char32_t cp) {
    return (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7);
}

bool IsLatinCapital(char32_t cp) {
    return (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || cp == 0x152 || cp == 0x160 || cp == 0x17D ||
           cp == 0x178;
}

// Signs beyond ASCII that Western titles and comments use.
bool IsWesternSign(char32_t cp) {
    constexpr char32_t kSigns[] = {0xA0,   0xA1,   0xA3,   0xA7,   0xA9,   0xAA,   0xAB,   0xAE,
                                   0xB0,   0xB2,   0xB3,   0xB4,   0xB7,   0xBA,   0xBB,   0xBC,
                                   0xBD,   0xBE,   0xBF,   0x2013, 0x2014, 0x2018, 0x2019, 0x201C,
                                   0x201D, 0x201E, 0x2022, 0x2026, 0x20AC, 0x2122};
    return std::find(std::begin(kSigns), std::end(kSigns), cp) != std::end(kSigns);
}

bool IsSmall(char32_t cp) {
    return (cp >= 'a' && cp <= 'z') || (cp >= 0xDF && cp <= 0xFF && cp != 0xF7);
}

// What encoding the bytes would be read in as Western text: windows-1252
// when they use its signs in 0x80-0x9F, else ISO-8859-1.
std::string_view WesternEncoding(const std::vector<std::vector<MisreadField>>& songs) {
    for (const std::vector<MisreadField>& fields : songs) {
        for (const MisreadField& field : fields) {
            for (char c : field.bytes) {
                if (static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) < 0xA0) {
                    return "windows-1252";
                }
            }
        }
    }
    return kLatin1Encoding;
}

bool ReadsAsWestern(const EncodingCandidate& candidate,
                    const std::vector<std::vector<MisreadField>>& songs) {
    for (size_t song = 0; song < songs.size(); ++song) {
        for (const MisreadField& field : songs[song]) {
            const std::string* changed = FindFieldValue(candidate.changes[song], field.field);
            if (!ReadsAsWesternText(changed ? *changed : field.shown)) {
                return false;
            }
        }
    }
    return true;
}

std::string JoinedBytes(const std::vector<std::vector<MisreadField>>& songs) {
    std::string joined;
    for (const std::vector<MisreadField>& fields : songs) {
        for (const MisreadField& field : fields) {
            joined += field.bytes;
            joined += '\n';
        }
    }
    return joined;
}

// ID3v1's fields are 30 bytes (the comment 28): one that is full may have
// cut the last character of a multi-byte encoding, whose first bytes then
// end it. Those are given up rather than the whole reading.
bool MayBeCut(std::string_view bytes, size_t cut) {
    return (bytes.size() == 30 || bytes.size() == 28) &&
           static_cast<uint8_t>(bytes[bytes.size() - cut]) >= 0x80;
}

// Whether the UTF-8 reading finds characters beyond ASCII: bytes that are
// UTF-8 only once a cut character is given up say nothing.
bool FindsUtf8(const EncodingCandidate& candidate) {
    for (const FieldValues& song : candidate.changes) {
        for (const auto& [field, text] : song) {
            if (std::any_of(text.begin(), text.end(),
                            [](char c) { return static_cast<uint8_t>(c) >= 0x80; })) {
                return true;
            }
        }
    }
    return false;
}

bool IsWesternCodepage(std::string_view encoding) {
    return encoding == "ISO-8859-1" || encoding == "windows-1252" || encoding == "ISO-8859-15";
}

std::optional<std::string_view> WindowsSibling(std::string_view encoding) {
    for (const auto& [iso, windows] : kWindowsSiblings) {
        if (encoding == iso) {
            return windows;
        }
        if (encoding == windows) {
            return iso;
        }
    }
    return std::nullopt;
}

// How many of the texts' characters are letters.
size_t LetterCount(const EncodingCandidate& candidate, const IcuLibrary& icu) {
    size_t letters = 0;
    for (const FieldValues& song : candidate.changes) {
        for (const auto& [field, text] : song) {
            for (size_t pos = 0; pos < text.size();) {
                letters += icu.isLetter(static_cast<UChar32>(NextCodePoint(text, pos))) ? 1 : 0;
            }
        }
    }
    return letters;
}

// The scripts a word may be written in; Chinese and Japanese share their
// characters, and Japanese mixes them with its kana.
enum class Script { None, Latin, Greek, Cyrillic, HanAndKana, Hangul, Other };

Script ScriptOf(char32_t cp) {
    if (IsAsciiLetter(cp) || IsLatinLetter(cp)) {
        return Script::Latin;
    }
    if (cp >= 0x370 && cp <= 0x3FF) {
        return Script::Greek;
    }
    if (cp >= 0x400 && cp <= 0x52F) {
        return Script::Cyrillic;
    }
    if ((cp >= 0x3040 && cp <= 0x30FF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
        (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF) ||
        (cp >= 0xFF66 && cp <= 0xFF9F)) {
        return Script::HanAndKana;
    }
    if ((cp >= 0xAC00 && cp <= 0xD7AF) || (cp >= 0x1100 && cp <= 0x11FF) ||
        (cp >= 0x3130 && cp <= 0x318F)) {
        return Script::Hangul;
    }
    // Signs and punctuation (Latin-1's, the general ones, the CJK and
    // full-width ones) belong to no script; neither do private-use code
    // points, which ScriptBreaks counts by themselves.
    const bool sign = cp < 0xC0 || (cp >= 0x2000 && cp <= 0x206F) ||
                      (cp >= 0x3000 && cp <= 0x303F) || (cp >= 0xFF00 && cp <= 0xFF65) ||
                      (cp >= 0xE000 && cp <= 0xF8FF);
    return sign ? Script::None : Script::Other;
}

// How often the texts change script between two letters of a word, plus
// their private-use characters: a code page read as another gives words
// of Hangul and Han characters, or Latin letters amid Cyrillic ones, where
// real words keep to one script.
size_t ScriptBreaks(const EncodingCandidate& candidate) {
    size_t breaks = 0;
    for (const FieldValues& song : candidate.changes) {
        for (const auto& [field, text] : song) {
            Script previous = Script::None;
            for (size_t pos = 0; pos < text.size();) {
                char32_t cp = NextCodePoint(text, pos);
                Script script = ScriptOf(cp);
                breaks += cp >= 0xE000 && cp <= 0xF8FF ? 1 : 0;
                breaks += previous != Script::None && script != Script::None && previous != script
                              ? 1
                              : 0;
                previous = script;
            }
        }
    }
    return breaks;
}

}  // namespace

bool EncodingCandidate::ChangesNothing() const {
    return std::all_of(changes.begin(), changes.end(),
                       [](const FieldValues& values) { return values.empty(); });
}

bool ReadsAsWesternText(std::string_view text) {
    size_t pos = 0;
    size_t letters = 0, beyondAscii = 0;
    bool small = false;
    auto wordEnds = [&] {
        bool foreign = letters >= 2 && beyondAscii == letters;
        letters = beyondAscii = 0;
        small = false;
        return !foreign;
    };
    while (pos < text.size()) {
        char32_t cp = NextCodePoint(text, pos);
        if (cp < 0x20 ? cp != '\t' && cp != '\n' && cp != '\r' : cp >= 0x7F && cp < 0xA0) {
            return false;
        }
        if (IsAsciiLetter(cp) || IsLatinLetter(cp)) {
            if (IsLatinCapital(cp) && small) {
                return false;
            }
            ++letters;
            beyondAscii += cp >= 0x80 ? 1 : 0;
            small = IsSmall(cp);
            continue;
        }
        if (cp >= 0x80 && !IsWesternSign(cp)) {
            return false;
        }
        if (!wordEnds()) {
            return false;
        }
    }
    return wordEnds();
}

std::optional<EncodingCandidate> DecodeAllAs(const std::vector<std::vector<MisreadField>>& songs,
                                             std::string_view encoding) {
    EncodingCandidate candidate{std::string(encoding), 0, {}};
    for (const std::vector<MisreadField>& fields : songs) {
        FieldValues changes;
        for (const MisreadField& field : fields) {
            std::optional<std::string> text = DecodeCodepage(field.bytes, encoding);
            for (size_t cut = 1; !text && cut < 4 && MayBeCut(field.bytes, cut); ++cut) {
                text = DecodeCodepage(
                    std::string_view(field.bytes).substr(0, field.bytes.size() - cut), encoding);
            }
            if (!text) {
                return std::nullopt;
            }
            // The record keeps texts trimmed (SongValues), and so a cut
            // character's blank goes too.
            if (!InfoOf(field.field).exact) {
                text = Trim(*text);
            }
            if (*text != field.shown) {
                PutFieldValue(changes, field.field, std::move(*text));
            }
        }
        candidate.changes.push_back(std::move(changes));
    }
    return candidate;
}

std::vector<EncodingCandidate> RankEncodings(const std::vector<std::vector<MisreadField>>& songs) {
    std::vector<EncodingCandidate> ranked;
    if (std::all_of(songs.begin(), songs.end(),
                    [](const auto& fields) { return fields.empty(); })) {
        return ranked;
    }
    auto offer = [&](std::string_view encoding, int confidence) {
        std::optional<EncodingCandidate> candidate = DecodeAllAs(songs, encoding);
        if (!candidate) {
            return;
        }
        for (const EncodingCandidate& earlier : ranked) {
            if (earlier.changes == candidate->changes) {
                return;
            }
        }
        candidate->confidence = confidence;
        ranked.push_back(std::move(*candidate));
    };
    if (std::optional<EncodingCandidate> utf8 = DecodeAllAs(songs, "UTF-8");
        utf8 && FindsUtf8(*utf8)) {
        offer("UTF-8", kUtf8Confidence);
    }
    std::string_view western = WesternEncoding(songs);
    std::optional<EncodingCandidate> westernReading = DecodeAllAs(songs, western);
    const bool readsAsWestern = westernReading && ReadsAsWestern(*westernReading, songs);
    if (readsAsWestern) {
        offer(western, kWesternConfidence);
    }
    // UTF-8 and a Western reading keep their places at the top.
    const size_t settled = ranked.size();
    const IcuLibrary* icu = IcuLibrary::Get();
    for (const CharsetGuess& guess : DetectCharsets(JoinedBytes(songs))) {
        // Text that does not read as Western is not in a Western code page,
        // whatever the letter statistics of a few bytes say; those stay
        // among the last candidates.
        if (!readsAsWestern && IsWesternCodepage(guess.encoding)) {
            continue;
        }
        std::optional<std::string_view> sibling = WindowsSibling(guess.encoding);
        std::optional<EncodingCandidate> first = DecodeAllAs(songs, guess.encoding);
        std::optional<EncodingCandidate> second =
            sibling ? DecodeAllAs(songs, *sibling) : std::nullopt;
        if (first && second && icu && LetterCount(*second, *icu) > LetterCount(*first, *icu)) {
            offer(*sibling, guess.confidence);
        }
        offer(guess.encoding, guess.confidence);
        if (sibling) {
            offer(*sibling, guess.confidence);
        }
    }
    for (std::string_view encoding : kCommonCodepages) {
        offer(encoding, 0);
    }
    offer(kLatin1Encoding, 0);
    // Among the guesses, readings that keep each word in one script come
    // first; ICU's order holds between equals. ICU judges a few bytes by
    // letter statistics and takes GBK for EUC-KR now and then.
    std::stable_sort(ranked.begin() + static_cast<std::ptrdiff_t>(settled), ranked.end(),
                     [](const EncodingCandidate& a, const EncodingCandidate& b) {
                         return ScriptBreaks(a) < ScriptBreaks(b);
                     });
    return ranked;
}

}  // namespace songcore
