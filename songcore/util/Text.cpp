#include "songcore/util/Text.h"

#include <algorithm>
#include <climits>

#include "songcore/util/IcuLibrary.h"

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
    size_t units = bytes.size() / 2;
    auto unit = [&](size_t i) -> char16_t {
        uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
        return BigEndian ? static_cast<char16_t>(a << 8 | b) : static_cast<char16_t>(b << 8 | a);
    };
    // Tag texts are mostly ASCII: that leading run is written in one go.
    size_t ascii = 0;
    while (ascii < units && unit(ascii) != 0 && unit(ascii) < 0x80) {
        ++ascii;
    }
    if (ascii == units || unit(ascii) == 0) {
        out.resize(ascii);
    } else {
        out.reserve(bytes.size());
        out.resize(ascii);
    }
    for (size_t i = 0; i < ascii; ++i) {
        out[i] = static_cast<char>(unit(i));
    }
    for (size_t i = ascii; i < units; ++i) {
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

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

// Runs one of ICU's string functions that tell the length they need when
// the room given is too small.
template <typename Call>
std::u16string Grown(size_t room, const Call& call) {
    std::u16string out(std::max<size_t>(room, 1), u'\0');
    for (int round = 0; round < 2; ++round) {
        UErrorCode status = U_ZERO_ERROR;
        int32_t length = call(out.data(), static_cast<int32_t>(out.size()), status);
        if (status == U_BUFFER_OVERFLOW_ERROR && length > 0) {
            out.assign(static_cast<size_t>(length), u'\0');
            continue;
        }
        out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
        return out;
    }
    return {};
}

// Malformed bytes become U+FFFD, as everywhere else in the library.
std::u16string ToIcu(const IcuLibrary& icu, std::string_view text) {
    text = text.substr(0, std::min<size_t>(text.size(), INT32_MAX / 2));
    return Grown(text.size(), [&](char16_t* out, int32_t room, UErrorCode& status) {
        int32_t length = 0;
        icu.fromUtf8(out, room, &length, text.data(), static_cast<int32_t>(text.size()),
                     kReplacement, nullptr, &status);
        return length;
    });
}

std::string FromIcu(const IcuLibrary& icu, const std::u16string& text) {
    std::string out(text.size() * 3, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    icu.toUtf8(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
               static_cast<int32_t>(text.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(length) : 0);
    return out;
}

// A text beyond ASCII is left as it is where ICU cannot be loaded.
template <typename Map>
std::string CaseMapped(std::string_view text, const Map& map) {
    const IcuLibrary* icu = IcuLibrary::Get();
    if (!icu) {
        return std::string(text);
    }
    std::u16string in = ToIcu(*icu, text);
    std::u16string out =
        Grown(in.size() + in.size() / 2 + 8, [&](char16_t* to, int32_t room, UErrorCode& status) {
            return map(*icu, to, room, in, status);
        });
    return FromIcu(*icu, out);
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
    return std::string(TrimmedView(text));
}

std::string_view TrimmedView(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
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
    if (IsAscii(text)) {
        return ToUpperAscii(text);
    }
    return CaseMapped(text, [](const IcuLibrary& icu, char16_t* to, int32_t room,
                               const std::u16string& in, UErrorCode& status) {
        return icu.toUpper(to, room, in.data(), static_cast<int32_t>(in.size()), "", &status);
    });
}

std::string FoldCase(std::string_view text) {
    if (IsAscii(text)) {
        std::string out(text);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
        }
        return out;
    }
    return CaseMapped(text, [](const IcuLibrary& icu, char16_t* to, int32_t room,
                               const std::u16string& in, UErrorCode& status) {
        return icu.foldCase(to, room, in.data(), static_cast<int32_t>(in.size()),
                            U_FOLD_CASE_DEFAULT, &status);
    });
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return CompareIgnoreCase(a, b) == 0;
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    const IcuLibrary* icu = IsAscii(a) && IsAscii(b) ? nullptr : IcuLibrary::Get();
    if (!icu) {
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
    std::u16string left = ToIcu(*icu, a);
    std::u16string right = ToIcu(*icu, b);
    UErrorCode status = U_ZERO_ERROR;
    int order = icu->caseCompare(left.data(), static_cast<int32_t>(left.size()), right.data(),
                                 static_cast<int32_t>(right.size()), U_FOLD_CASE_DEFAULT, &status);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

namespace {

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

}  // namespace

std::string ToUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = UpperAscii(c);
    }
    return out;
}

// Tag readers ask this for every key they meet: no copies.

}  // namespace songcore
