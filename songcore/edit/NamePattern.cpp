#include "songcore/edit/NamePattern.h"

#include <array>

#include "songcore/util/Text.h"

namespace songcore {
namespace {

struct TokenName {
    std::string_view text;
    std::optional<SongField> field;
    bool digits;
};

constexpr std::array<TokenName, 7> kTokens = {{
    {"%TITLE", SongField::Title, false},
    {"%ARTIST", SongField::Artist, false},
    {"%ALBUM", SongField::Album, false},
    {"%GENRE", SongField::Genre, false},
    {"%YEAR", SongField::Year, false},
    {"%TRACK", SongField::Track, true},
    {"%IGNORE", std::nullopt, false},
}};

// Folder names and file names are short; a longer text is not a name.
constexpr size_t kMaxNameLength = 4096;
constexpr size_t kMaxLevels = 16;

std::vector<std::string_view> SplitLevels(std::string_view text) {
    std::vector<std::string_view> levels;
    size_t start = 0;
    while (true) {
        size_t slash = text.find('/', start);
        levels.push_back(
            text.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos) {
            return levels;
        }
        start = slash + 1;
    }
}

std::string_view WithoutExtension(std::string_view name) {
    size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<NamePattern> NamePattern::Parse(std::string_view pattern, std::string& problem) {
    NamePattern result;
    if (pattern.size() > kMaxNameLength) {
        problem = "the pattern is too long";
        return std::nullopt;
    }
    std::vector<std::string_view> levels = SplitLevels(pattern);
    if (levels.size() > kMaxLevels) {
        problem = "the pattern has too many folder levels";
        return std::nullopt;
    }
    bool anyField = false;
    for (std::string_view level : levels) {
        std::vector<Element> elements;
        size_t at = 0;
        while (at < level.size()) {
            if (level[at] == '%') {
                const TokenName* found = nullptr;
                for (const TokenName& token : kTokens) {
                    if (level.substr(at, token.text.size()) == token.text) {
                        found = &token;
                        break;
                    }
                }
                if (found == nullptr) {
                    size_t end = at + 1;
                    while (end < level.size() && level[end] >= 'A' && level[end] <= 'Z') {
                        ++end;
                    }
                    problem = "unknown token '" + std::string(level.substr(at, end - at)) + "'";
                    return std::nullopt;
                }
                if (!elements.empty() && elements.back().token) {
                    problem = "two tokens need something between them";
                    return std::nullopt;
                }
                Element element;
                element.token = true;
                element.field = found->field;
                element.digits = found->digits;
                anyField = anyField || found->field.has_value();
                elements.push_back(std::move(element));
                at += found->text.size();
                continue;
            }
            if (elements.empty() || elements.back().token) {
                elements.emplace_back();
            }
            elements.back().literal += level[at];
            ++at;
        }
        result.levels_.push_back(std::move(elements));
    }
    if (!anyField) {
        problem = "the pattern names no field (%TITLE, %ARTIST, %ALBUM, %GENRE, %YEAR, %TRACK)";
        return std::nullopt;
    }
    return result;
}

std::vector<SongField> NamePattern::Fields() const {
    std::vector<SongField> fields;
    for (const auto& level : levels_) {
        for (const Element& element : level) {
            if (element.field) {
                fields.push_back(*element.field);
            }
        }
    }
    return fields;
}

bool NamePattern::MatchLevel(const std::vector<Element>& elements, std::string_view text,
                             FieldValues& values) {
    const size_t n = text.size();
    const size_t count = elements.size();
    // fits[i][p]: elements i.. match text from p to its end exactly. Filled
    // from the back, so the forward pass can give each token the shortest
    // text that still lets the rest match: O(elements x length^2), never
    // exponential, whatever the name.
    std::vector<std::vector<char>> fits(count + 1, std::vector<char>(n + 1, 0));
    fits[count][n] = 1;
    for (size_t i = count; i-- > 0;) {
        const Element& element = elements[i];
        for (size_t p = 0; p <= n; ++p) {
            if (!element.token) {
                const std::string& literal = element.literal;
                fits[i][p] =
                    text.substr(p, literal.size()) == literal && fits[i + 1][p + literal.size()];
                continue;
            }
            for (size_t end = p + 1; end <= n && !fits[i][p]; ++end) {
                if (element.digits && (text[end - 1] < '0' || text[end - 1] > '9')) {
                    break;
                }
                fits[i][p] = fits[i + 1][end];
            }
        }
    }
    if (!fits[0][0]) {
        return false;
    }
    size_t p = 0;
    for (size_t i = 0; i < count; ++i) {
        const Element& element = elements[i];
        if (!element.token) {
            p += element.literal.size();
            continue;
        }
        size_t end = p + 1;
        while (!fits[i + 1][end]) {
            ++end;
        }
        if (element.field) {
            std::string value = Trim(text.substr(p, end - p));
            if (element.digits && AllDigits(value)) {
                // "007" is track 7.
                size_t first = value.find_first_not_of('0');
                value = first == std::string::npos ? "0" : value.substr(first);
            }
            if (!value.empty()) {
                PutFieldValue(values, *element.field, std::move(value));
            }
        }
        p = end;
    }
    return true;
}

std::optional<FieldValues> NamePattern::Match(std::string_view path) const {
    std::vector<std::string_view> parts = SplitLevels(path);
    if (parts.size() < levels_.size()) {
        return std::nullopt;
    }
    FieldValues values;
    const size_t first = parts.size() - levels_.size();
    for (size_t level = 0; level < levels_.size(); ++level) {
        std::string_view text = parts[first + level];
        if (level + 1 == levels_.size()) {
            text = WithoutExtension(text);
        }
        if (text.size() > kMaxNameLength || !MatchLevel(levels_[level], text, values)) {
            return std::nullopt;
        }
    }
    return values;
}

}  // namespace songcore
