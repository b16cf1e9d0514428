#include "songcore/util/Text.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace songcore {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 character at text[pos]; advances pos. Invalid or
// overlong sequences, surrogates and values above U+10FFFF give U+FFFD and
// consume one byte.
char32_t DecodeUtf8(std::string_view text, size_t& pos, bool* valid = nullptr) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(pos);
    size_t length = lead < 0x80         ? 1
                    : (lead >> 5) == 6  ? 2
                    : (lead >> 4) == 14 ? 3
                    : (lead >> 3) == 30 ? 4
                                        : 0;
    auto fail = [&]() {
        ++pos;
        if (valid) {
            *valid = false;
        }
        return kReplacement;
    };
    if (length == 0 || pos + length > text.size()) {
        return fail();
    }
    if (length == 1) {
        ++pos;
        return lead;
    }
    char32_t cp = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        uint8_t b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            return fail();
        }
        cp = cp << 6 | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return fail();
    }
    pos += length;
    return cp;
}

template <bool BigEndian>
std::string Utf16ToUtf8(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t units = bytes.size() / 2;
    auto unit = [&](size_t i) -> char16_t {
        uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
        return BigEndian ? static_cast<char16_t>(a << 8 | b) : static_cast<char16_t>(b << 8 | a);
    };
    for (size_t i = 0; i < units; ++i) {
        char16_t u = unit(i);
        if (u == 0) {
            break;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            char16_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : char32_t{u});
    }
    return out;
}

template <bool BigEndian>
std::vector<uint8_t> Utf8ToUtf16(std::string_view text) {
    std::vector<uint8_t> out;
    out.reserve(text.size() * 2);
    auto put = [&](char16_t u) {
        if (BigEndian) {
            out.push_back(static_cast<uint8_t>(u >> 8));
            out.push_back(static_cast<uint8_t>(u));
        } else {
            out.push_back(static_cast<uint8_t>(u));
            out.push_back(static_cast<uint8_t>(u >> 8));
        }
    };
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = DecodeUtf8(text, pos);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (cp >> 10)));
            put(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            put(static_cast<char16_t>(cp));
        }
    }
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

icu::UnicodeString ToIcu(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::string FromIcu(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

std::string Utf16LeToUtf8(std::span<const uint8_t> bytes) {
    return Utf16ToUtf8<false>(bytes);
}
std::string Utf16BeToUtf8(std::span<const uint8_t> bytes) {
    return Utf16ToUtf8<true>(bytes);
}

std::string Utf16BomToUtf8(std::span<const uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        return Utf16BeToUtf8(bytes.subspan(2));
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        return Utf16LeToUtf8(bytes.subspan(2));
    }
    return Utf16LeToUtf8(bytes);
}

std::vector<uint8_t> Utf8ToUtf16Le(std::string_view text) {
    return Utf8ToUtf16<false>(text);
}
std::vector<uint8_t> Utf8ToUtf16Be(std::string_view text) {
    return Utf8ToUtf16<true>(text);
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        AppendUtf8(out, static_cast<uint8_t>(c));
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view text, bool* lossless) {
    std::string out;
    out.reserve(text.size());
    bool exact = true;
    size_t pos = 0;
    while (pos < text.size()) {
        bool valid = true;
        char32_t cp = DecodeUtf8(text, pos, &valid);
        if (!valid || cp > 0xFF) {
            out.push_back('?');
            exact = false;
        } else {
            out.push_back(static_cast<char>(cp));
        }
    }
    if (lossless) {
        *lossless = exact;
    }
    return out;
}

bool FitsLatin1(std::string_view text) {
    bool lossless = true;
    Utf8ToLatin1(text, &lossless);
    return lossless;
}

bool IsValidUtf8(std::string_view text) {
    bool valid = true;
    size_t pos = 0;
    while (pos < text.size() && valid) {
        DecodeUtf8(text, pos, &valid);
    }
    return valid;
}

std::string SanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        AppendUtf8(out, DecodeUtf8(text, pos));
    }
    return out;
}

std::string Trim(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

void SplitArtistTitle(std::string_view text, std::string_view spaced, std::string_view bare,
                      std::string& artist, std::string& title) {
    size_t at = text.find(spaced);
    size_t width = spaced.size();
    if (at == std::string_view::npos) {
        at = text.find(bare);
        width = bare.size();
    }
    if (at == std::string_view::npos) {
        artist.clear();
        title = Trim(text);
        return;
    }
    artist = Trim(text.substr(0, at));
    title = Trim(text.substr(at + width));
}

std::string TruncateUtf8(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    size_t cut = maxBytes;
    // Step back over continuation bytes so the cut lands on a lead byte.
    while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut));
}

std::string ToUpperUnicode(std::string_view text) {
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<uint8_t>(c) < 0x80; })) {
        return ToUpperAscii(text);
    }
    icu::UnicodeString s = ToIcu(text);
    s.toUpper(icu::Locale::getRoot());
    return FromIcu(s);
}

std::string FoldCase(std::string_view text) {
    icu::UnicodeString s = ToIcu(text);
    s.foldCase(U_FOLD_CASE_DEFAULT);
    return FromIcu(s);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return CompareIgnoreCase(a, b) == 0;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    bool ascii =
        std::all_of(a.begin(), a.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; }) &&
        std::all_of(b.begin(), b.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    if (ascii) {
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            int ca = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] + 32 : a[i];
            int cb = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] + 32 : b[i];
            if (ca != cb) {
                return ca < cb ? -1 : 1;
            }
        }
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
    return ToIcu(a).caseCompare(ToIcu(b), U_FOLD_CASE_DEFAULT);
}

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return out;
}

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToUpperAscii(a) == ToUpperAscii(b);
}

}  // namespace songcore
