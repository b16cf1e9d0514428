#include "songcore/rename/NameTokens.h"

#include <array>
#include <optional>

namespace songcore {
namespace {

enum class Token { Title, Artist, Album, AlbumArtist, Genre, Year, Track, Disc, Ext };

struct TokenName {
    std::string_view name;
    Token token;
    int width;  // for numbers: the digits without a width given; 0 for text
};

// Longer names first where one starts another.
constexpr std::array<TokenName, 9> kTokens = {{
    {"ALBUMARTIST", Token::AlbumArtist, 0},
    {"ALBUM", Token::Album, 0},
    {"TITLE", Token::Title, 0},
    {"ARTIST", Token::Artist, 0},
    {"GENRE", Token::Genre, 0},
    {"YEAR", Token::Year, 0},
    {"TRACK", Token::Track, 2},
    {"DISC", Token::Disc, 1},
    {"EXT", Token::Ext, 0},
}};

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct FoundToken {
    Token token;
    int width;
    size_t length;  // of the token in the pattern, "%" included
};

// The token at pattern[at] (a "%" followed by a letter), or none. A width
// is one digit, 1 to 9.
std::optional<FoundToken> TokenAt(std::string_view pattern, size_t at) {
    std::string_view rest = pattern.substr(at + 1);
    for (const TokenName& each : kTokens) {
        if (rest.substr(0, each.name.size()) != each.name) {
            continue;
        }
        FoundToken found{each.token, each.width, 1 + each.name.size()};
        if (each.width > 0 && found.length - 1 < rest.size() && IsDigit(rest[found.length - 1])) {
            found.width = rest[found.length - 1] - '0';
            ++found.length;
            if (found.width == 0) {
                return std::nullopt;
            }
        }
        return found;
    }
    return std::nullopt;
}

std::string Number(uint32_t value, int width) {
    if (value == 0) {
        return {};
    }
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<size_t>(width)) {
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    }
    return digits;
}

std::string ValueOf(const FoundToken& found, const NameValues& values) {
    switch (found.token) {
        case Token::Title:
            return values.title;
        case Token::Artist:
            return values.artist;
        case Token::Album:
            return values.album;
        case Token::AlbumArtist:
            return values.albumArtist;
        case Token::Genre:
            return values.genre;
        case Token::Year:
            return values.year;
        case Token::Track:
            return Number(values.track, found.width);
        case Token::Disc:
            return Number(values.disc, found.width);
        case Token::Ext:
            return values.ext;
    }
    return {};
}

std::string NamePart(const std::string& value, bool atStart) {
    if (value == "." || value == "..") {
        return "_";
    }
    std::string part = value;
    if (atStart && !part.empty() && part.front() == '.') {
        part.front() = '_';
    }
    return part;
}

}  // namespace

const char* const kNameTokensHelp =
    "%ALBUMARTIST => Album Artist\n"
    "%TRACK => Track Number, two digits (%TRACK1, %TRACK3... other widths)\n"
    "%DISC => Disc Number (%DISC2... zero-padded)\n"
    "%EXT => File Extension";

std::string ExpandNamePattern(std::string_view pattern, const NameValues& values) {
    std::string name;
    size_t at = 0;
    while (at < pattern.size()) {
        std::optional<FoundToken> found;
        if (pattern[at] == '%' && at + 1 < pattern.size() && IsLetter(pattern[at + 1])) {
            found = TokenAt(pattern, at);
        }
        if (found) {
            name += NamePart(ValueOf(*found, values), name.empty());
            at += found->length;
        } else {
            name += pattern[at++];
        }
    }
    return name;
}

std::string NamePatternProblem(std::string_view pattern) {
    for (size_t at = 0; at + 1 < pattern.size(); ++at) {
        if (pattern[at] != '%' || !IsLetter(pattern[at + 1])) {
            continue;
        }
        std::optional<FoundToken> found = TokenAt(pattern, at);
        if (found) {
            at += found->length - 1;
            continue;
        }
        size_t end = at + 1;
        while (end < pattern.size() && (IsLetter(pattern[end]) || IsDigit(pattern[end]))) {
            ++end;
        }
        return "the pattern has an unknown token " + std::string(pattern.substr(at, end - at)) +
               " (tokens are upper case: %TITLE, %ARTIST, %ALBUM, %ALBUMARTIST, %GENRE, "
               "%YEAR, %TRACK, %DISC, %EXT)";
    }
    return {};
}

}  // namespace songcore
